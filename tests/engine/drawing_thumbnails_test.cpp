// The engine's hook for thumbnails of drawings: which files are drawings, and what happens
// with and without a rasteriser.
#include <gtest/gtest.h>

#include "engine/core/error.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "engine/thumbs/thumbnail_loader.h"

using namespace ximora::engine;

namespace {

bool greyBox(const std::string& path, int size, Image& thumb) {
    if (path.ends_with("bad.svg")) return fail(kErrFileBroken);
    return thumb.allocateZeroed(size, size / 2, 24);
}

TEST(DrawingThumbnailsTest, DrawingsGoToTheInstalledRasteriser) {
    for (const char* name : {"a.wmf", "b.EMF", "/x/c.Dxf", "d.svg", "e.sfc", "f.P21"})
        EXPECT_TRUE(isDrawingFile(name)) << name;
    for (const char* name : {"a.png", "svg", "dir.svg/file", "a.svgz", "a."})
        EXPECT_FALSE(isDrawingFile(name)) << name;

    Image thumb;
    setDrawingRasteriser(nullptr);
    EXPECT_FALSE(loadThumbnail("/nowhere/d.svg", 80, thumb));
    EXPECT_EQ(lastError(), kErrUnsupported);

    setDrawingRasteriser(greyBox);
    ASSERT_TRUE(loadThumbnail("/nowhere/d.svg", 80, thumb));
    EXPECT_EQ(thumb.width(), 80);
    EXPECT_EQ(thumb.height(), 40);
    EXPECT_FALSE(loadThumbnail("/nowhere/bad.svg", 80, thumb));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_FALSE(loadThumbnail("/nowhere/d.svg", 0, thumb));  // checked before the rasteriser
    EXPECT_EQ(lastError(), kErrBadParameter);
    setDrawingRasteriser(nullptr);
}

}  // namespace
