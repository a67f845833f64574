#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "app/download_port.h"

struct CurlDownloadOptions {
    // Name lookup, connection and TLS handshake must end within the first,
    // the whole exchange within the second.
    std::chrono::milliseconds connectTimeout{5000};
    std::chrono::milliseconds totalTimeout{15000};
    // A longer body is cut here and kept as received.
    std::size_t maxBytes = 1024 * 1024;
    // Tests only: a PEM file of the authorities to trust instead of the
    // system's own store.
    std::string testCaFile;
};

// Downloads over HTTPS only, with the server's certificate and host name
// verified and redirects followed only to HTTPS. The body lands in
// UserCacheFolder(), in a file named after the URL's last path element, which
// replaces an earlier copy only once the download has succeeded. Any status
// but 2xx, a timeout, or a stop request is a failure.
class CurlDownload final : public DownloadPort {
public:
    explicit CurlDownload(CurlDownloadOptions options = {});

    std::optional<DownloadedFile> DownloadToCacheFile(const std::wstring& url,
                                                      std::stop_token stop) override;

private:
    CurlDownloadOptions options_;
};
