// Reading ahead: what is handed out is what opening the file gives now, and only what is
// wanted is kept.
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "editor/document/read_ahead.h"
#include "engine/codecs/registry.h"
#include "engine/core/memory_budget.h"
#include "engine/test_images.h"

namespace ximora::editor {
namespace {

class ReadAheadTest : public ::testing::Test {
  protected:
    std::string write(const char* name, const engine::Image& image) {
        const std::string path = QFile::encodeName(dir_.filePath(name)).toStdString();
        engine::SaveOptions options;
        options.format = engine::kSaveBmp;
        EXPECT_TRUE(engine::saveImage(path, image, options));
        return path;
    }
    // Waits until the worker has nothing left to read (each file is read once per want()).
    void settle(ReadAhead& ahead, const std::vector<std::string>& paths) {
        for (int i = 0; i < 500; ++i) {
            bool all = true;
            for (const std::string& path : paths) all = all && ahead.holds(path);
            if (all) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    QTemporaryDir dir_;
    std::atomic<int> decodes_{0};
    ReadAhead ahead_{[this](const std::string& path, engine::Image& out) {
        ++decodes_;
        return engine::loadImage(path, out);
    }};
};

TEST_F(ReadAheadTest, HandsOutTheFilesPictureOnceAndOnlyWhileTheFileIsUnchanged) {
    const engine::Image first = engine::testing::randomImage(31, 17, 24);
    const std::string a = write("a.bmp", first);
    const std::string b = write("b.bmp", engine::testing::randomImage(5, 5, 8));
    ahead_.want({a, b});
    settle(ahead_, {a, b});
    EXPECT_EQ(decodes_, 2);

    engine::Image out;
    ASSERT_TRUE(ahead_.take(a, out));
    EXPECT_TRUE(engine::testing::samePixels(out, first));
    EXPECT_FALSE(ahead_.take(a, out));  // handed out once: the document holds it now

    // A file rewritten after it was read is not handed out: the open reads it again.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a later modification time
    write("b.bmp", engine::testing::randomImage(6, 6, 8));
    EXPECT_FALSE(ahead_.take(b, out));
    EXPECT_FALSE(ahead_.take(QFile::encodeName(dir_.filePath("none.bmp")).toStdString(), out));
}

TEST_F(ReadAheadTest, KeepsOnlyWhatIsWantedAndSkipsFilesItCannotRead) {
    const std::string a = write("a.bmp", engine::testing::randomImage(8, 8, 24));
    const std::string b = write("b.bmp", engine::testing::randomImage(8, 8, 24));
    const std::string damaged = QFile::encodeName(dir_.filePath("c.bmp")).toStdString();
    QFile file(dir_.filePath("c.bmp"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM but nothing more");
    file.close();

    ahead_.want({damaged, a});
    settle(ahead_, {a});
    EXPECT_FALSE(ahead_.holds(damaged));  // tried once, not again and again
    const int tried = decodes_;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(decodes_, tried);

    // The user jumped: what was read for the old place is dropped.
    ahead_.want({b});
    EXPECT_FALSE(ahead_.holds(a));
    settle(ahead_, {b});
    EXPECT_TRUE(ahead_.holds(b));
    engine::Image out;
    EXPECT_FALSE(ahead_.take(a, out));
    EXPECT_TRUE(ahead_.take(b, out));
}

TEST_F(ReadAheadTest, ReadsNothingThatWouldTakeMoreThanHalfOfWhatIsLeftOfTheBudget) {
    const std::string a = write("a.bmp", engine::testing::randomImage(200, 200, 24));  // 120 KB
    engine::setMemoryLimit(200'000);
    ahead_.want({a});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(ahead_.holds(a));
    engine::setMemoryLimit(0);
    ahead_.want({a});  // asked again with room enough
    settle(ahead_, {a});
    EXPECT_TRUE(ahead_.holds(a));
}

}  // namespace
}  // namespace ximora::editor
