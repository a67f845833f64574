#pragma once

#include <boost/regex.hpp>
#include <string>

#include "engine/clone_job.h"

// The name patterns that tell what a path denotes: a physical disk
// "\\.\PhysicalDriveN" (letters in any case), or an image file whose kind of
// compression follows from its extension. All are matched, case-insensitively,
// against the whole text; in the image patterns group 1 is the stem and group
// 2 the extension.
struct ImageNamePatterns {
    ImageNamePatterns();

    boost::wregex physicalDrive;
    boost::wregex gzipImage;
    boost::wregex bzip2Image;
    boost::wregex zlibImage;
    boost::wregex anyImage;  // .dsk, .dsk.gz, .dsk.bz2 or .dsk.zz

    // The compressed kind that a file name's extension names, or None.
    CompressionMethod CompressionOf(const std::wstring& name) const;
};

// The extensions appended to image names.
inline constexpr const wchar_t* kRawImageExtension = L".dsk";
inline constexpr const wchar_t* kGzipImageExtension = L".dsk.gz";
inline constexpr const wchar_t* kBzip2ImageExtension = L".dsk.bz2";
inline constexpr const wchar_t* kZlibImageExtension = L".dsk.zz";

// Whole-text, case-insensitive match.
bool MatchesWhole(const std::wstring& text, const boost::wregex& pattern);
