#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "core/support/file_list.hpp"

namespace kvx {

/// The decoders.
enum class PictureFormat { kUnknown, kBmp, kJpeg, kGif, kPng, kTiff };

/// One kind of picture the program reads. Everything that offers, accepts
/// or announces pictures (the loader, New's file list, files dropped on the
/// window, the batch tool, the desktop entry) goes by this table, so that a
/// kind added here is read everywhere at once.
struct PictureKind {
    PictureFormat format;  ///< the decoder
    /// File extensions in lower case without the dot, matched in any case.
    std::span<const std::string_view> extensions;
    std::string_view mimeType;
    /// The decoder can decode any picture read from its file at a fraction
    /// of the full resolution (see DecodeOptions::wantedSide): JPEG through
    /// its codec, TIFF from a reduced page it holds or by reducing while it
    /// reads; the others decode in full.
    bool decodesReduced;
    /// The decoder reads the file as it decodes; the others need its bytes
    /// in memory.
    bool readsAsItDecodes;
};

namespace picture_kinds_detail {

inline constexpr std::string_view kJpeg[] = {"jpg", "jpeg", "jpe", "jfif"};
inline constexpr std::string_view kBmp[] = {"bmp", "dib"};
inline constexpr std::string_view kGif[] = {"gif"};
inline constexpr std::string_view kPng[] = {"png"};
inline constexpr std::string_view kTiff[] = {"tif", "tiff"};

}  // namespace picture_kinds_detail

/// Every kind of picture the program reads, in the order they are offered.
inline constexpr std::array<PictureKind, 5> kPictureKinds{{
    {PictureFormat::kJpeg, picture_kinds_detail::kJpeg, "image/jpeg", true, true},
    {PictureFormat::kBmp, picture_kinds_detail::kBmp, "image/bmp", false, false},
    {PictureFormat::kGif, picture_kinds_detail::kGif, "image/gif", false, false},
    {PictureFormat::kPng, picture_kinds_detail::kPng, "image/png", false, true},
    {PictureFormat::kTiff, picture_kinds_detail::kTiff, "image/tiff", true, true},
}};

/// The kind of a file by the extension of its name (any case); null for
/// anything the program does not read.
const PictureKind* PictureKindOf(std::string_view path);

/// The kind of a decoder; null for kUnknown.
const PictureKind* PictureKindOf(PictureFormat format);

/// The decoder for a file name by its extension (any case); kUnknown for a
/// file the program does not read.
PictureFormat PictureFormatOf(std::string_view path);

namespace picture_kinds_detail {

constexpr std::size_t PatternCount() {
    std::size_t count = 0;
    for (const PictureKind& kind : kPictureKinds) count += kind.extensions.size();
    return count;
}

constexpr std::size_t PatternLength() {
    std::size_t length = 0;
    for (const PictureKind& kind : kPictureKinds) {
        for (const std::string_view extension : kind.extensions) length += extension.size() + 3;
    }
    return length - 1;
}

constexpr std::array<char, PatternLength()> BuildPattern() {
    std::array<char, PatternLength()> pattern{};
    std::size_t at = 0;
    for (const PictureKind& kind : kPictureKinds) {
        for (const std::string_view extension : kind.extensions) {
            if (at > 0) pattern[at++] = ';';
            pattern[at++] = '*';
            pattern[at++] = '.';
            for (const char c : extension) {
                pattern[at++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            }
        }
    }
    return pattern;
}

inline constexpr std::array<char, PatternLength()> kPattern = BuildPattern();

}  // namespace picture_kinds_detail

/// The patterns of the picture list when a project is started or its picture
/// looked for: every extension of kPictureKinds, "*.JPG;*.JPEG;...",
/// matched in any letter case.
inline constexpr std::string_view kImagePattern{picture_kinds_detail::kPattern.data(),
                                                picture_kinds_detail::kPattern.size()};

// The file-selection dialog uses no more patterns than that: a kind beyond
// them could never be chosen.
static_assert(picture_kinds_detail::PatternCount() <= kMaxFilePatterns);

}  // namespace kvx
