#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
    // A fresh folder inside `parent`.
    explicit TempDir(const std::filesystem::path& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Disk-like content: runs of zeros, text and random bytes, the same for the
// same seed.
Bytes MakeDiskData(std::size_t size, unsigned seed = 1);

// Empty when the two are equal; else where they first differ, for a test
// message that does not print megabytes.
std::string DescribeDifference(const Bytes& actual, const Bytes& expected);

void WriteFile(const std::filesystem::path& path, const Bytes& data);
Bytes ReadFile(const std::filesystem::path& path);

// Runs a shell command; returns its exit status.
int Shell(const std::string& command);

// Runs a shell command and collects what it writes to its standard output
// (append " 2>&1" for its errors too); returns its exit status.
int Capture(const std::string& command, std::string& output);

// What sha256sum says of a file: 64 hexadecimal digits.
std::string Sha256SumOf(const std::filesystem::path& file);

// The full path of a program found on PATH or in the system's program
// folders (sbin included, which a non-login PATH may lack); empty when none.
std::string FindProgram(const std::string& name);

// A shell command (the file's name to follow) that writes what the zlib
// stream in the file holds to standard output, and fails unless the whole
// file is that one stream.
extern const char* const kUnpackOneZlibStream;

// Quotes a path for the shell.
std::string Quoted(const std::filesystem::path& path);

std::wstring Wide(const std::filesystem::path& path);
