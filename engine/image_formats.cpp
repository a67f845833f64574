#include "engine/image_formats.h"

#include <array>

namespace {

using namespace std::string_view_literals;

// clang-format off
constexpr std::array<ImageFormat, 6> kFormats{{
    {CompressionMethod::Gzip, L"Gzip", "gzip", L".dsk.gz", L"*.gz",
     {"\x1f\x8b"sv, {}}, 1, 9, MakeGzipDecoder, MakeGzipEncoder},
    {CompressionMethod::Bzip2, L"Bzip2", "bzip2", L".dsk.bz2", L"*.bz2",
     {"BZh"sv, {}}, 1, 9, MakeBzip2Decoder, MakeBzip2Encoder},
    // A zlib header is two bytes that too many raw disks could start with.
    {CompressionMethod::Zlib, L"Zlib", "zlib", L".dsk.zz", L"*.zz",
     {{}, {}}, 1, 9, MakeZlibDecoder, MakeZlibEncoder},
    {CompressionMethod::Xz, L"Xz", "xz", L".dsk.xz", L"*.xz",
     {"\xfd\x37\x7a\x58\x5a\x00"sv, {}}, 1, 9, MakeXzDecoder, MakeXzEncoder},
    {CompressionMethod::Zstd, L"Zstd", "zstd", L".dsk.zst", L"*.zst",
     {"\x28\xb5\x2f\xfd"sv, "\x50\x2a\x4d\x18"sv}, 1, 19, MakeZstdDecoder, MakeZstdEncoder},
    {CompressionMethod::Zip, L"Zip", nullptr, nullptr, L"*.zip",
     {"PK\x03\x04"sv, {}}, 0, 0, nullptr, nullptr},
}};
// clang-format on

constexpr bool NumberedInOrder() {
    for (std::size_t i = 0; i < kTargetFormatCount; ++i) {
        if (static_cast<std::size_t>(kFormats[i].method) != i) {
            return false;
        }
    }
    return true;
}
static_assert(NumberedInOrder(), "the writable formats' numbers are their list positions");

}  // namespace

std::span<const ImageFormat> ImageFormats() {
    return kFormats;
}

std::span<const ImageFormat> TargetFormats() {
    return std::span<const ImageFormat>(kFormats).first(kTargetFormatCount);
}

const ImageFormat* FindFormat(CompressionMethod method) {
    for (const ImageFormat& format : kFormats) {
        if (format.method == method) {
            return &format;
        }
    }
    return nullptr;
}

const ImageFormat* DetectFormat(std::string_view head) {
    for (const ImageFormat& format : kFormats) {
        for (std::string_view signature : format.signatures) {
            if (!signature.empty() && head.substr(0, signature.size()) == signature) {
                return &format;
            }
        }
    }
    return nullptr;
}

std::wstring FormatLabel(CompressionMethod method) {
    const ImageFormat* format = FindFormat(method);
    return format ? format->label : L"raw";
}
