#include "test_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "disks/path_text.h"

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brevel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

Bytes MakeDiskData(std::size_t size, unsigned seed) {
    static const std::string text =
        "The quick brown fox jumps over the lazy dog. Partition table, boot sector, inode. ";
    std::mt19937 random(seed);
    Bytes data;
    data.reserve(size);
    while (data.size() < size) {
        const std::size_t run = std::min<std::size_t>(size - data.size(), 512 + random() % 70000);
        switch (random() % 3) {
            case 0:
                data.insert(data.end(), run, 0);
                break;
            case 1:
                for (std::size_t i = 0; i < run; ++i) {
                    data.push_back(
                        static_cast<unsigned char>(text[(data.size() + i) % text.size()]));
                }
                break;
            default:
                for (std::size_t i = 0; i < run; ++i) {
                    data.push_back(static_cast<unsigned char>(random()));
                }
                break;
        }
    }
    return data;
}

void WriteFile(const std::filesystem::path& path, const Bytes& data) {
    std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    for (char c : path.string()) {
        quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::wstring Wide(const std::filesystem::path& path) {
    return Utf8ToWide(path.string());
}
