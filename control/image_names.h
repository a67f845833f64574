#pragma once

#include <boost/regex.hpp>
#include <string>
#include <utility>
#include <vector>

#include "engine/clone_job.h"

// The name patterns that tell what a path denotes: a physical disk
// "\\.\PhysicalDriveN" (letters in any case), or an image file whose kind of
// compression follows from its extension. All are matched, case-insensitively,
// against the whole text; in the image patterns group 1 is the stem and group
// 2 the extension.
struct ImageNamePatterns {
    ImageNamePatterns();

    boost::wregex physicalDrive;
    // One pattern for each compressed image extension (.dsk.gz, .dsk.xz, ...).
    std::vector<std::pair<CompressionMethod, boost::wregex>> compressedImages;
    boost::wregex anyImage;  // .dsk or any compressed image extension

    // The compressed kind that a file name's extension names, or None.
    CompressionMethod CompressionOf(const std::wstring& name) const;
};

// The extension appended to raw image names; the compressed ones are in the
// table of formats.
inline constexpr const wchar_t* kRawImageExtension = L".dsk";

// The extension a target image gets: raw, or that of its format.
std::wstring ImageExtension(bool compressed, CompressionMethod method);

// What a source image is, by its name and its first bytes.
struct SourceFormat {
    CompressionMethod method = CompressionMethod::None;
    bool detected = false;  // found by content, the name telling nothing
    // Not empty when the name says one format and the content plainly another.
    std::wstring refusal;

    bool operator==(const SourceFormat&) const = default;
};
// A name with an image extension keeps what the extension says, unless the
// file's content is another format; any other name is examined by content.
// Reads a few bytes of a regular file at most, without blocking.
SourceFormat ExamineSourceImage(const ImageNamePatterns& patterns, const std::wstring& path);

// The file dialogs' filters ("Name|patterns|...||"): for opening, every image
// and download name; for saving, one entry per target type.
std::wstring OpenImageFilter();
std::wstring SaveImageFilter();

// Whole-text, case-insensitive match.
bool MatchesWhole(const std::wstring& text, const boost::wregex& pattern);
