#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/image_file.h"

struct archive;

// A zip archive read through libarchive from an open image file: its
// central directory (zip64 included), then one member's data, stored or
// deflated.
class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Reads through file, which must outlive this object.
    bool Open(ImageFile& file);
    // Moves to the next member that is a file (folders are passed over);
    // false at the end of the archive or when it is unreadable (Failed()).
    bool NextFile(std::string& name);
    bool Failed() const { return failed_; }
    // The current member's bytes: up to count, 0 at its end, -1 when they
    // cannot be read (damaged, encrypted, an unknown method).
    std::int64_t Read(char* buffer, std::int64_t count);

private:
    friend struct ZipCallbacks;

    archive* archive_ = nullptr;
    ImageFile* file_ = nullptr;
    std::vector<char> buffer_;
    bool failed_ = false;
};

// The files a zip archive holds, by name; `readable` false when the file
// cannot be opened or is no zip archive libarchive can list.
struct ZipListing {
    bool readable = false;
    std::vector<std::wstring> files;
};
ZipListing ListZipFiles(const std::wstring& path);
