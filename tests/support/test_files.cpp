#include "test_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#include "disks/path_text.h"

TempDir::TempDir(const std::filesystem::path& parent) {
    std::string pattern = (parent / "brevel-test-XXXXXX").string();
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

std::string DescribeDifference(const Bytes& actual, const Bytes& expected) {
    const auto [at, _] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto offset = static_cast<std::size_t>(at - actual.begin());
    if (offset == actual.size() && offset == expected.size()) {
        return "";
    }
    std::string text = std::to_string(actual.size()) + " bytes where " +
                       std::to_string(expected.size()) + " were expected";
    if (offset < actual.size() && offset < expected.size()) {
        text += ", first different at offset " + std::to_string(offset);
    }
    return text;
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

int Capture(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Sha256SumOf(const std::filesystem::path& file) {
    std::string output;
    EXPECT_EQ(Capture("sha256sum " + Quoted(file), output), 0);
    return output.substr(0, 64);
}

std::string FindProgram(const std::string& name) {
    std::string folders = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    folders += ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return "";
}

const char* const kUnpackOneZlibStream =
    "python3 -c 'import sys,zlib; d=zlib.decompressobj(); "
    "o=d.decompress(open(sys.argv[1],\"rb\").read()); "
    "assert d.eof and not d.unused_data; sys.stdout.buffer.write(o)'";

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
