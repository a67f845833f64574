#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/curl_download.h"
#include "control/site.h"
#include "local_https_server.h"

// A local HTTPS server, a cache folder of the test's own and the options
// that make CurlDownload trust the server's authority.
class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.Problem().empty()) {
            GTEST_SKIP() << server.Problem();
        }
        setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
        options.testCaFile = server.CaFile();
    }

    std::filesystem::path CacheFile(const std::string& name) const {
        return cache.Path() / "Brevel" / name;
    }

    LocalHttpsServer server;
    TempDir cache;
    CurlDownloadOptions options;
};

// Takes the version file from the local server at `path` instead of the
// maker's site; any other URL fails the test and goes nowhere.
class SiteOnLocalServer final : public DownloadPort {
public:
    SiteOnLocalServer(const LocalHttpsServer& server, std::string path, CurlDownloadOptions options)
        : server_(server), path_(std::move(path)), download_(std::move(options)) {}

    std::optional<DownloadedFile> DownloadToCacheFile(const std::wstring& url,
                                                      std::stop_token stop) override {
        if (url != VersionFileUrl()) {
            ADD_FAILURE() << "unexpected download";
            return std::nullopt;
        }
        return download_.DownloadToCacheFile(server_.Url("tls", path_), std::move(stop));
    }

private:
    const LocalHttpsServer& server_;
    std::string path_;
    CurlDownload download_;
};
