#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "engine/clone_job.h"
#include "engine/stream_codec.h"

// The one table of the image formats Brevel reads and writes besides raw
// bytes: everything the engine, the window's logic and both faces know about
// each of them.
struct ImageFormat {
    CompressionMethod method;
    const wchar_t* label;        // the type list's entry and the summary's name: "Gzip"
    const char* cliName;         // --compress gzip
    const wchar_t* extension;    // of a target image: ".dsk.gz"; null when never written
    const wchar_t* openPattern;  // what the open dialog lists for downloads: "*.gz"
    // The first bytes of a file in this format; a second form when the
    // format has one (a zstd file may start with a skippable frame).
    std::string_view signatures[2];
    int minLevel;  // the levels a target takes; 0 and 0 when never written
    int maxLevel;
    // Both take the threads the job may use (at least 1).
    std::unique_ptr<StreamDecoder> (*makeDecoder)(int workers);  // null: not a stream format (zip)
    std::unique_ptr<StreamEncoder> (*makeEncoder)(int level, int workers);

    bool Writable() const { return makeEncoder != nullptr; }
};

// How many formats a target can be written in.
inline constexpr std::size_t kTargetFormatCount = 5;

// Every format, the writable ones first in the order of their method
// numbers, which are their positions in the type list.
std::span<const ImageFormat> ImageFormats();
// The writable formats: the window's type list and the stored type.
std::span<const ImageFormat> TargetFormats();

// The format of a method, or null for None.
const ImageFormat* FindFormat(CompressionMethod method);
// The format a file starting with `head` is in, or null (raw, or too short
// to tell).
const ImageFormat* DetectFormat(std::string_view head);
// As many bytes as DetectFormat looks at.
constexpr std::size_t kSignatureBytes = 8;

// The label of a method ("Gzip"), "raw" for None.
std::wstring FormatLabel(CompressionMethod method);
