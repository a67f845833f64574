#include "engine/zip_image.h"

#include <archive.h>
#include <archive_entry.h>

#include "disks/path_text.h"

namespace {

constexpr std::size_t kReadSize = 256 * 1024;

}  // namespace

ZipArchive::~ZipArchive() {
    if (archive_) {
        archive_read_free(archive_);
    }
}

// libarchive's way in to the file.
struct ZipCallbacks {
    static la_ssize_t Read(archive*, void* self, const void** buffer) {
        auto& zip = *static_cast<ZipArchive*>(self);
        *buffer = zip.buffer_.data();
        return static_cast<la_ssize_t>(
            zip.file_->Read(zip.buffer_.data(), static_cast<std::int64_t>(zip.buffer_.size())));
    }

    static la_int64_t Seek(archive*, void* self, la_int64_t offset, int whence) {
        return static_cast<ZipArchive*>(self)->file_->Seek(offset, whence);
    }
};

bool ZipArchive::Open(ImageFile& file) {
    file_ = &file;
    buffer_.resize(kReadSize);
    archive_ = archive_read_new();
    failed_ = !archive_ || archive_read_support_format_zip_seekable(archive_) != ARCHIVE_OK ||
              archive_read_set_read_callback(archive_, ZipCallbacks::Read) != ARCHIVE_OK ||
              archive_read_set_seek_callback(archive_, ZipCallbacks::Seek) != ARCHIVE_OK ||
              archive_read_set_callback_data(archive_, this) != ARCHIVE_OK ||
              archive_read_open1(archive_) != ARCHIVE_OK;
    return !failed_;
}

bool ZipArchive::NextFile(std::string& name) {
    while (!failed_) {
        archive_entry* entry = nullptr;
        const int result = archive_read_next_header(archive_, &entry);
        if (result == ARCHIVE_EOF) {
            return false;
        }
        if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
            failed_ = true;
            break;
        }
        if (archive_entry_filetype(entry) != AE_IFDIR) {
            const char* path = archive_entry_pathname(entry);
            name = path ? path : "";
            return true;
        }
    }
    return false;
}

std::int64_t ZipArchive::Read(char* buffer, std::int64_t count) {
    const la_ssize_t got = archive_read_data(archive_, buffer, static_cast<std::size_t>(count));
    return got < 0 ? -1 : got;
}

ZipListing ListZipFiles(const std::wstring& path) {
    ZipListing listing;
    ImageFile file;
    ZipArchive zip;
    if (!file.OpenForReading(path) || !zip.Open(file)) {
        return listing;
    }
    std::string name;
    while (zip.NextFile(name)) {
        listing.files.push_back(Utf8ToWide(name));
    }
    listing.readable = !zip.Failed();
    return listing;
}
