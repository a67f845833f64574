#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/sha256.h"

// An image file, opened by name once and from then on reached only through
// its descriptor, which this object owns. It counts the bytes that really
// reached the file, and flushes them to the file's device through the same
// descriptor before it closes it.
class ImageFile {
public:
    ImageFile() = default;
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    bool OpenForReading(const std::wstring& path);
    // Creates the file, or truncates an existing one, for writing only: a
    // file its owner may write but not read is fine.
    bool CreateForWriting(const std::wstring& path);
    bool IsOpen() const { return fd_ >= 0; }

    // Up to count bytes; 0 at the end of the file, -1 when the read failed.
    std::int64_t Read(char* buffer, std::int64_t count);

    // All count bytes, or false once the file takes no more. BytesWritten()
    // counts what it took either way.
    bool Write(const char* data, std::int64_t count);
    std::int64_t BytesWritten() const { return written_; }
    // Up to count bytes of `source` from its offset `from`, copied by the
    // kernel to this file's position (copy_file_range) without passing
    // through this process; the count copied, which BytesWritten() includes.
    // Fewer than count (0 too) when the kernel could not copy them all: the
    // files are on different file systems or of a kind it cannot copy
    // between, a short copy, or any failure, which the caller then meets
    // writing the rest itself. Nothing is copied while writes are hashed.
    std::int64_t CopyFrom(const ImageFile& source, std::int64_t from, std::int64_t count);
    // Of BytesWritten(), those the kernel copied.
    std::int64_t BytesCopied() const { return copied_; }
    // From now on (until the next CreateForWriting) every byte that reaches
    // the file is hashed; WrittenDigest() is their SHA-256, nothing when
    // writes were not hashed.
    void HashWrites();
    std::optional<Sha256Digest> WrittenDigest() const;
    // Moves the read position as lseek does (whence SEEK_SET, SEEK_CUR or
    // SEEK_END); the new position, or -1.
    std::int64_t Seek(std::int64_t offset, int whence);
    // The bytes Read delivered so far.
    std::int64_t BytesRead() const { return read_; }

    // Flushes what was written to the device (for files and block devices;
    // pipes and character devices keep no cache), then closes. False when
    // the flush or the close failed. Nothing when the file is not open.
    bool Close();

private:
    int fd_ = -1;
    bool writing_ = false;
    std::int64_t written_ = 0;
    std::int64_t copied_ = 0;
    std::int64_t read_ = 0;
    std::unique_ptr<Sha256> hash_;
    std::optional<Sha256Digest> digest_;
};

// Drops the page cache's copy of a file that has been flushed, so that the
// next read comes from its device. False when the system refused.
bool DropCachedPages(const std::wstring& path);

// Writes NAME.sha256 beside the image NAME, in the format sha256sum reads:
// "HEX  NAME". Made as a new temporary file (never through a link, never one
// that exists) in the same folder, flushed and renamed over NAME.sha256, so
// that a reader sees the old file or the whole new one. False with errno.
bool WriteChecksumFile(const std::wstring& imagePath, const std::string& hex, int& error);
// Up to count of the first bytes of path when it is a regular file, else
// nothing. Never waits: the file is looked at before it is opened, opened
// without blocking, and looked at again through the descriptor.
std::string ReadRegularFileHead(const std::wstring& path, std::size_t count);
