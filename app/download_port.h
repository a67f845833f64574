#pragma once

#include <optional>
#include <stop_token>
#include <string>

// A resource fetched into the user's cache folder: where it was kept, and its
// bytes as they were written there (read back through the descriptor that
// wrote them, never by opening the path again).
struct DownloadedFile {
    std::wstring path;
    std::string content;
};

// Fetches a web resource into a file of the user's cache folder.
class DownloadPort {
public:
    virtual ~DownloadPort() = default;

    // The file that holds the resource, or nothing on any failure. Returns
    // early, with nothing, once `stop` is requested. May be called from any
    // thread.
    virtual std::optional<DownloadedFile> DownloadToCacheFile(const std::wstring& url,
                                                              std::stop_token stop) = 0;
};
