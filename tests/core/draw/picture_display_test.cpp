#include "core/draw/picture_display.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/draw/recording.hpp"
#include "core/draw/view.hpp"
#include "core/export/bmp_writer.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/picture/picture.hpp"
#include "core/program/program.hpp"
#include "core/project/project.hpp"

namespace kvx {
namespace {

struct InfoCase {
    int32_t width;
    int32_t height;
    bool decimalComma;
    const char* expected;
};

class ImageInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(ImageInfoTest, SizeInKilobytesOrMegabytes) {
    const InfoCase& c = GetParam();
    EXPECT_EQ(ImageInfoText(c.width, c.height, c.decimalComma), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ImageInfoTest,
    ::testing::Values(InfoCase{2400, 1800, false, "x=2400 y=1800 (527.3 KB)"},  // 4,320,000 / 8192
                      InfoCase{2400, 1800, true, "x=2400 y=1800 (527,3 KB)"},
                      InfoCase{6000, 4000, false, "x=6000 y=4000 (2.9 MB)"},     // 2929.7 / 1024
                      InfoCase{4096, 3000, false, "x=4096 y=3000 (1500.0 KB)"},  // exactly 1500
                      InfoCase{4096, 3001, false, "x=4096 y=3001 (1.5 MB)"},     // 1501.3 / 1024
                      InfoCase{1, 1, false, "x=1 y=1 (0.0 KB)"}));

class DrawPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        ASSERT_EQ(program.errorTable.LoadErrorTable("korvanix.err", program.programDir), kOk);
    }

    /// A bitmap file of the given size, its pixels all one grey.
    std::string WriteBitmap(const std::string& name, int32_t width, int32_t height) {
        PixelImage image;
        EXPECT_TRUE(image.Allocate(width, height));
        std::fill(image.Row(0), image.Row(0) + image.Stride() * height, uint8_t{128});
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(EncodeBmp(image.View(), bytes));
        return dir.Write(name, std::string(bytes.begin(), bytes.end()));
    }

    void Open(const std::string& path, int32_t dpi) {
        project.imagePath = path;
        project.resolutionDpi = dpi;
        project.fitImagePending = true;
    }

    /// The view after the whole world was shown.
    void WholeWorld() {
        ViewBlock& v = project.view;
        v.viewLeft = v.viewTop = 0;
        v.viewRight = v.viewBottom = v.viewSize = 1000000;
        v.activeSurfaceSize = 2000;
        v.viewValid = true;
    }

    std::vector<const draw_op::StretchPicture*> Stretches() const {
        return surface.OpsOf<draw_op::StretchPicture>();
    }

    test::TempDir dir;
    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    Project project;
    ApproxTextMetrics metrics;
    Recording surface{2000, 2000, metrics};
};

TEST_F(DrawPictureTest, LoadAfterOpeningDrawsAndLeavesTheSquareToFit) {
    // 2400 x 1800 pixels at 1200 dpi cover 50800 x 38100 µm.
    Open(WriteBitmap("field.bmp", 2400, 1800), 1200);
    WholeWorld();
    ASSERT_TRUE(DrawPicture(program, project, surface));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(project.view.imageWidth, 2400);
    EXPECT_EQ(project.view.imageHeight, 1800);
    EXPECT_EQ(project.imageInfo, "x=2400 y=1800 (527.3 KB)");
    EXPECT_FALSE(project.fitImagePending);
    EXPECT_EQ(project.view.fitRectangle, (WorldRect{0, 0, 50800, 50800}));
    ASSERT_NE(project.picture, nullptr);
    EXPECT_EQ(project.picture->Width(), 2400);
    // At the whole world: 50800 × 2000 div 1,000,000 = 101, 38100 × 2000 div 1,000,000 = 76.
    ASSERT_EQ(Stretches().size(), 1u);
    EXPECT_EQ(Stretches()[0]->rect, (CanvasRect{0, 0, 101, 76}));
    EXPECT_EQ(Stretches()[0]->picture, project.picture);

    // The fit: the square snaps with step 5000 (already a multiple) and the
    // raster becomes 10000 µm; the picture then fills the width.
    ASSERT_EQ(SetWindow(program, project.view, project.view.fitRectangle, true, true), kOk);
    EXPECT_EQ(project.view.viewSize, 50800);
    EXPECT_EQ(project.view.viewLeft, 0);
    EXPECT_EQ(project.view.rasterLength, 10000);
    // Drawn again from memory: the file is no longer needed.
    std::filesystem::remove(project.imagePath);
    surface.Clear();
    ASSERT_TRUE(DrawPicture(program, project, surface));
    ASSERT_EQ(Stretches().size(), 1u);
    EXPECT_EQ(Stretches()[0]->rect, (CanvasRect{0, 0, 2000, 1500}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(DrawPictureTest, TargetFollowsTheTruncatingMappingWhenZoomedIn) {
    Open(WriteBitmap("field.bmp", 2400, 1800), 1200);
    ViewBlock& v = project.view;
    v.viewLeft = 3;
    v.viewTop = 10000;
    v.viewSize = 7;
    v.viewRight = 10;
    v.viewBottom = 10007;
    v.activeSurfaceSize = 2000;
    ASSERT_TRUE(DrawPicture(program, project, surface));
    // (0 − 3) × 2000 div 7 = −857 (towards zero), (50800 − 3) × 2000 div 7 = 14513428,
    // (0 − 10000) × 2000 div 7 = −2857142, (38100 − 10000) × 2000 div 7 = 8028571.
    ASSERT_EQ(Stretches().size(), 1u);
    EXPECT_EQ(Stretches()[0]->rect, (CanvasRect{-857, -2857142, 14513428, 8028571}));
}

TEST_F(DrawPictureTest, ImagesWiderOrTallerFitTheLargerSide) {
    Open(WriteBitmap("tall.bmp", 100, 300), 254);  // 10000 x 30000 µm
    WholeWorld();
    ASSERT_TRUE(DrawPicture(program, project, surface));
    EXPECT_EQ(project.view.fitRectangle, (WorldRect{0, 0, 30000, 30000}));
}

struct ExtentCase {
    int32_t width;
    int32_t height;
    int32_t dpi;
    bool accepted;
};

class ImageExtentTest : public DrawPictureTest, public ::testing::WithParamInterface<ExtentCase> {};

TEST_P(ImageExtentTest, WorldMustHoldTheImage) {
    const ExtentCase& c = GetParam();
    const std::string path = WriteBitmap("image.bmp", c.width, c.height);
    Open(path, c.dpi);
    WholeWorld();
    EXPECT_EQ(DrawPicture(program, project, surface), c.accepted);
    // Size and text are set either way.
    EXPECT_EQ(project.view.imageWidth, c.width);
    EXPECT_EQ(project.imageInfo.substr(0, 2), "x=");
    if (c.accepted) {
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(project.fitImagePending);
        return;
    }
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, program.GetMessage(172));
    EXPECT_EQ(ui.boxes[0].text,
              program.GetMessage(2028) + "\r\n" + path + " (" + std::to_string(c.dpi) + "dpi)");
    EXPECT_TRUE(project.fitImagePending);  // the next redraw tries again
    EXPECT_TRUE(Stretches().empty());
    EXPECT_EQ(project.view.fitRectangle, WorldRect{});
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ImageExtentTest,
    ::testing::Values(ExtentCase{1, 1, 2000, false},  // 12.7 µm rounds to 13, below 20
                      ExtentCase{1, 1, 1200, true},   // 21.2 µm
                      ExtentCase{1, 5, 1270, true},   // exactly 20 µm wide
                      ExtentCase{3, 1, 2540, false},  // 30 x 10 µm: the height is too small
                      ExtentCase{39, 2, 1, true},     // 990,600 µm wide
                      ExtentCase{40, 2, 1, false},    // 1,016,000 µm
                      // A strip longer than 30000 pixels, 423 mm at 2400 dpi.
                      ExtentCase{40000, 200, 2400, true},
                      ExtentCase{4, 4, 0, false}));  // no resolution: no extent

TEST_F(DrawPictureTest, FailedLoadShowsTheMessageAndStaysPending) {
    Open(dir.File("gone.bmp"), 1200);
    WholeWorld();
    EXPECT_FALSE(DrawPicture(program, project, surface));
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_EQ(ui.errorDialogs[0].mainText, program.GetMessage(2381));  // not found
    EXPECT_EQ(ui.errorDialogs[0].info, project.imagePath);
    EXPECT_TRUE(project.fitImagePending);
    EXPECT_EQ(project.picture, nullptr);
    EXPECT_TRUE(surface.Empty());
}

// A JPEG cut in half (an end marker after the cut): what was decoded is
// drawn, with a notice and a word in the status text that stays.
TEST_F(DrawPictureTest, ADamagedPictureIsDrawnAndSaysSo) {
    PixelImage noise;
    ASSERT_TRUE(noise.Allocate(64, 64));
    uint32_t seed = 7;
    for (int32_t y = 0; y < 64; ++y) {
        for (std::size_t x = 0; x < noise.Stride(); ++x) {
            seed = seed * 1103515245 + 12345;
            noise.Row(y)[x] = static_cast<uint8_t>(seed >> 24);
        }
    }
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(noise.View(), 90, jpeg));
    jpeg.resize(jpeg.size() / 2);
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    Open(dir.Write("cut.jpg", std::string(jpeg.begin(), jpeg.end())), 1200);
    WholeWorld();
    ASSERT_TRUE(DrawPicture(program, project, surface));
    EXPECT_EQ(Stretches().size(), 1u);
    EXPECT_EQ(project.imageInfo, program.GetMessage(2387) + ": x=64 y=64 (0.5 KB)");
    ASSERT_EQ(ui.errorDialogs.size(), 1u);
    EXPECT_TRUE(ui.errorDialogs[0].noticeStyle);
    EXPECT_EQ(ui.errorDialogs[0].mainText, program.GetMessage(2385));
}

}  // namespace
}  // namespace kvx
