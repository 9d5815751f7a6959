#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/project/view_block.hpp"

namespace kvx {

struct Picture;

/// The open project's record.
struct Project {
    static constexpr std::size_t kMaxText = 255;
    static constexpr int32_t kFileFormatVersion = 18;

    ViewBlock view;
    std::string imagePath;  ///< empty = no project
    std::string originalImagePath;
    int32_t formatVersion = 0;  ///< of the project file read last
    int32_t resolutionDpi = 0;  ///< > 0 in every open project
    std::string title;
    std::string projectPath;
    std::shared_ptr<const Picture> picture;  ///< null while no picture exists
    /// The orientation (1 .. 8) of the picture as shown. The points in
    /// memory lie on the picture turned so; the project file holds them as
    /// they lie on the stored picture (see PictureFrame).
    int32_t pictureOrientation = 1;
    bool fitImagePending = false;
    /// The picture that could not be shown, as its file was then: the
    /// redraw neither decodes nor reports it again until the file, its name
    /// or the resolution changes, so that one message does not come back
    /// with every redraw.
    struct FailedPicture {
        std::string path;
        int64_t size = -1;
        int64_t changed = 0;
        int32_t resolutionDpi = 0;
        bool operator==(const FailedPicture&) const = default;
    };
    std::optional<FailedPicture> failedPicture;
    std::string imageInfo;  ///< "x=…, y=…" and the size, for the status bar
    std::string userName;
};

/// fileState values.
enum FileState : int32_t { kNoProject = 0, kChanged = 1, kUnchanged = 2 };

}  // namespace kvx
