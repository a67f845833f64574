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
    TempDir();
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

void WriteFile(const std::filesystem::path& path, const Bytes& data);
Bytes ReadFile(const std::filesystem::path& path);

// Runs a shell command; returns its exit status.
int Shell(const std::string& command);

// Quotes a path for the shell.
std::string Quoted(const std::filesystem::path& path);

std::wstring Wide(const std::filesystem::path& path);
