#include "core/draw/picture_display.hpp"

#include <algorithm>
#include <limits>
#include <memory>

#include "core/draw/canvas.hpp"
#include "core/draw/view.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/program.hpp"
#include "core/project/project.hpp"
#include "core/support/file_guard.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {
namespace {

constexpr int kMsgSizeTitle = 172;
constexpr int kMsgImageSizeRefused = 2028;
constexpr int kMsgPictureDamaged = 2387;

int32_t ToSurface(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::string ImageInfoText(int32_t width, int32_t height, bool decimalComma) {
    double size = static_cast<double>(int64_t{width} * height) / 8192.0;
    const char* unit = " KB";
    if (size > 1500) {
        size /= 1024;
        unit = " MB";
    }
    return "x=" + IntToStr(width) + " y=" + IntToStr(height) + " (" +
           FormatReal(-1, 1, decimalComma, size) + unit + ")";
}

bool DrawPicture(Program& program, Project& project, Canvas& surface, int64_t displaySide) {
    ViewBlock& view = project.view;
    const FileStamp stamp = StampFileWithoutContent(project.imagePath);
    const Project::FailedPicture attempt{project.imagePath, stamp.exists ? stamp.size : -1,
                                         stamp.modifiedNs, project.resolutionDpi};
    if (project.fitImagePending) {
        project.picture.reset();
        if (project.failedPicture == attempt) return false;
        auto picture = std::make_shared<Picture>();
        const int64_t megabytes = stamp.exists ? stamp.size >> 20 : 0;
        // Marked before the load: a redraw while its message is open must
        // not load and report the same file a second time.
        project.failedPicture = attempt;
        const DecodeStatus status =
            LoadPicture(program, *picture, project.imagePath, megabytes, displaySide);
        if (!PictureDecoded(status)) return false;
        project.failedPicture.reset();
        view.imageWidth = picture->Width();
        view.imageHeight = picture->Height();
        project.imageInfo =
            ImageInfoText(view.imageWidth, view.imageHeight, program.settings.Language == 0);
        // The status bar keeps saying so after the notice is gone, first,
        // where a narrow panel still shows it.
        if (status == DecodeStatus::Damaged) {
            project.imageInfo = program.GetMessage(kMsgPictureDamaged) + ": " + project.imageInfo;
        }
        project.picture = std::move(picture);
    }

    const int64_t wx = ImageWorldSize(view.imageWidth, project.resolutionDpi);
    const int64_t wy = ImageWorldSize(view.imageHeight, project.resolutionDpi);
    if (wx < kMinImageWorldSize || wy < kMinImageWorldSize || wx > kMaxImageWorldSize ||
        wy > kMaxImageWorldSize) {
        if (project.failedPicture == attempt) return false;
        project.failedPicture = attempt;
        const std::string text = program.GetMessage(kMsgImageSizeRefused) + "\r\n" +
                                 project.imagePath + " (" + IntToStr(project.resolutionDpi) +
                                 "dpi)";
        (void)program.ui.MessageBox(program.GetMessage(kMsgSizeTitle), text, MessageButtons::Ok);
        return false;
    }

    const CanvasRect target{ToSurface(MapXTruncated(view, 0)), ToSurface(MapYTruncated(view, 0)),
                            ToSurface(MapXTruncated(view, wx)), ToSurface(MapYTruncated(view, wy))};
    if (project.picture) surface.StretchPicture(target, project.picture);

    if (project.fitImagePending) {
        const int64_t side = std::max(wx, wy);
        view.fitRectangle = WorldRect{0, 0, side, side};
        project.fitImagePending = false;
    }
    return true;
}

bool PictureNeedsDetail(const Project& project, int64_t displaySide) {
    const std::shared_ptr<const Picture>& picture = project.picture;
    // Tiles give the full resolution wherever a view needs it.
    if (!picture || !picture->Reduced() || picture->tiles) return false;
    const ViewBlock& view = project.view;
    if (displaySide <= 0) return true;
    if (!view.viewValid || view.activeSurfaceSize <= 0) return false;
    const int64_t wx = ImageWorldSize(view.imageWidth, project.resolutionDpi);
    const int64_t wy = ImageWorldSize(view.imageHeight, project.resolutionDpi);
    // Pixels of the display the whole picture is stretched over at this view.
    const auto displayed = [&](int64_t from, int64_t to) {
        const double surfacePixels = static_cast<double>(to - from);
        return surfacePixels * static_cast<double>(displaySide) /
               static_cast<double>(view.activeSurfaceSize);
    };
    const double width = displayed(MapXTruncated(view, 0), MapXTruncated(view, wx));
    const double height = displayed(MapYTruncated(view, 0), MapYTruncated(view, wy));
    return width > picture->pixels.Width() || height > picture->pixels.Height();
}

}  // namespace kvx
