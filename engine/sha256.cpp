#include "engine/sha256.h"

#include <openssl/evp.h>

#include <new>

struct Sha256::Context {
    Context() = default;
    ~Context() {
        EVP_MD_CTX_free(md);
        EVP_MD_CTX_free(peek);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    // Peek's copy of md, made once.
    EVP_MD_CTX* peek = nullptr;
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1) {
        throw std::bad_alloc();
    }
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t count) {
    EVP_DigestUpdate(context_->md, data, count);
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->md, digest.data(), &length);
    EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr);
    return digest;
}

Sha256Digest Sha256::Peek() const {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (context_->peek == nullptr) {
        context_->peek = EVP_MD_CTX_new();
    }
    if (context_->peek != nullptr && EVP_MD_CTX_copy_ex(context_->peek, context_->md) == 1) {
        EVP_DigestFinal_ex(context_->peek, digest.data(), &length);
    }
    return digest;
}

Sha256Digest Sha256::Of(const void* data, std::size_t count) {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_Digest(data, count, digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

std::string HexOf(const Sha256Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const unsigned char byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}
