#pragma once

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/download_port.h"

// A download that hands back `body` (or fails when `body` is nothing) and
// records the URLs it was asked for and the thread that asked.
class FakeDownload final : public DownloadPort {
public:
    explicit FakeDownload(std::optional<std::string> responseBody)
        : body(std::move(responseBody)) {}

    std::optional<DownloadedFile> DownloadToCacheFile(const std::wstring& url,
                                                      std::stop_token) override {
        urls.push_back(url);
        thread = std::this_thread::get_id();
        if (!body) {
            return std::nullopt;
        }
        return DownloadedFile{L"brevel-latest-version", *body};
    }

    std::optional<std::string> body;
    std::vector<std::wstring> urls;
    std::thread::id thread;
};
