#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/core/handles.h"
#include "engine/core/view.h"
#include "op_test_images.h"

using namespace ximora::engine;
using ximora::engine::test::randomImage;

TEST(HandleTable, DuplicateIsIndependentAndFreedHandlesStayDead) {
    HandleTable table;
    const ImageHandle a = table.add(randomImage(4, 3, 24));
    ASSERT_GT(a, 0);
    const ImageHandle b = table.duplicate(a);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    table.get(b)->row(0)[0] ^= 0xFF;
    EXPECT_NE(table.get(a)->row(0)[0], table.get(b)->row(0)[0]);
    EXPECT_TRUE(table.free(a));
    EXPECT_FALSE(table.free(a));
    EXPECT_EQ(lastError(), kErrBadParameter);
    EXPECT_EQ(table.get(a), nullptr);
    EXPECT_EQ(table.duplicate(a), 0);
    EXPECT_EQ(table.add(Image{}), 0);
    EXPECT_EQ(table.get(0), nullptr);
    // A new image never receives a freed number.
    EXPECT_GT(table.add(randomImage(1, 1, 8)), b);
}

TEST(HandleTable, ConcurrentAddAndFreeKeepsCount) {
    HandleTable table;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&table] {
            for (int i = 0; i < 200; ++i) {
                const ImageHandle h = table.add(randomImage(2, 2, 8));
                const ImageHandle d = table.duplicate(h);
                table.free(h);
                if (i % 2) table.free(d);
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(table.size(), 400u);
}

TEST(View, KeepsStateAndRefusesBadValuesWithoutChange) {
    HandleTable table;
    View view(table);
    int changes = 0;
    view.onChanged = [&changes] { ++changes; };
    const ImageHandle h = table.add(randomImage(5, 5, 24));
    ASSERT_TRUE(view.setHandle(h));
    EXPECT_EQ(view.image()->width(), 5);
    EXPECT_FALSE(view.setHandle(h + 100));
    EXPECT_EQ(view.handle(), h);
    EXPECT_EQ(view.lastErrorCode(), kErrBadParameter);
    EXPECT_FALSE(view.setScaleMode(6));
    EXPECT_FALSE(view.setZoom(0, 1));
    EXPECT_TRUE(view.setScaleMode(3));
    EXPECT_TRUE(view.setZoom(2.5, 2.5));
    EXPECT_EQ(view.lastErrorCode(), 0);
    view.setSelection({1, 2, 3, 4});
    EXPECT_EQ(view.selection(), (SelectionRect{1, 2, 3, 4}));
    EXPECT_TRUE(view.setHandle(0));
    EXPECT_EQ(view.image(), nullptr);
    EXPECT_EQ(changes, 5);
}
