#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

// SHA-256 through the system's cryptography library, fed piece by piece.
using Sha256Digest = std::array<unsigned char, 32>;

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t count);
    // The digest of everything fed so far; the hash starts again afterwards.
    Sha256Digest Finish();
    // The digest of everything fed so far, the hash going on: what Finish
    // would give now, for a few bytes' work. All zeros (no data's digest)
    // when there was no memory for it.
    Sha256Digest Peek() const;

    // The digest of one piece of data.
    static Sha256Digest Of(const void* data, std::size_t count);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

// Lower-case hexadecimal, as sha256sum prints it.
std::string HexOf(const Sha256Digest& digest);
