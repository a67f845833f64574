#pragma once

#include <optional>
#include <stop_token>
#include <string>

// Fetches a web resource into a file of the user's cache folder.
class DownloadPort {
public:
    virtual ~DownloadPort() = default;

    // The full path of the file that holds the resource, or nothing on any
    // failure. Returns early, with nothing, once `stop` is requested. May be
    // called from any thread.
    virtual std::optional<std::wstring> DownloadToCacheFile(const std::wstring& url,
                                                            std::stop_token stop) = 0;
};
