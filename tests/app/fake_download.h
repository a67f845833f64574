#pragma once

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/download_port.h"
#include "test_files.h"

// A download that hands back a file holding `body` (or fails when `body` is
// nothing) and records the URLs it was asked for and the thread that asked.
class FakeDownload final : public DownloadPort {
public:
    explicit FakeDownload(std::optional<std::string> responseBody)
        : body(std::move(responseBody)) {}

    std::optional<std::wstring> DownloadToCacheFile(const std::wstring& url,
                                                    std::stop_token) override {
        urls.push_back(url);
        thread = std::this_thread::get_id();
        if (!body) {
            return std::nullopt;
        }
        const std::filesystem::path file = folder / "brevel-latest-version";
        WriteFile(file, Bytes(body->begin(), body->end()));
        return Wide(file);
    }

    std::optional<std::string> body;
    std::vector<std::wstring> urls;
    std::thread::id thread;
    TempDir folder;
};
