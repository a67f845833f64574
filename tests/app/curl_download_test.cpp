#include "app/curl_download.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/cache_folder.h"
#include "app/update_check.h"
#include "box_recording_window.h"
#include "disks/path_text.h"
#include "https_fixture.h"

namespace {

const std::wstring kCaption = std::wstring(L"Brevel Free 2312 - ") + kSiteName;

// What a download handed back; it must be what its file holds.
std::string Text(const std::optional<DownloadedFile>& file) {
    if (!file) {
        return "";
    }
    const Bytes bytes = ReadFile(WideToUtf8(file->path));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), file->content);
    return file->content;
}

std::string FileText(const std::filesystem::path& path) {
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

class UpdateCheckOverHttps : public HttpsTest {
protected:
    std::size_t BoxesFor(const std::string& path) {
        BoxRecordingWindow window(kCaption);
        SiteOnLocalServer download(server, path, options);
        OnUpdateCheck(window, download);
        return window.boxes.size();
    }
};

TEST_F(UpdateCheckOverHttps, NewerVersionAsksEqualVersionOrMissingFileDoesNot) {
    server.Serve("brevel-latest-version", "<html>\nBREVEL=2401\n</html>\n");
    server.Serve("same", "BREVEL=2312\n");
    EXPECT_EQ(BoxesFor("/brevel-latest-version"), 1u);
    EXPECT_EQ(BoxesFor("/same"), 0u);
    EXPECT_EQ(BoxesFor("/missing"), 0u);
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(UpdateCheckOverHttps, HugeResponseIsCutAndMatchedAsReceived) {
    EXPECT_EQ(BoxesFor("/huge"), 1u);
}

TEST_F(UpdateCheckOverHttps, SilentServerIsGivenUpQuietly) {
    options.totalTimeout = std::chrono::milliseconds(1500);
    EXPECT_EQ(BoxesFor("/stall"), 0u);
}

class CurlDownloadTest : public HttpsTest {};

TEST_F(CurlDownloadTest, FileLandsInTheCacheFolderUnderTheUrlsLastName) {
    server.Serve("brevel-latest-version", "BREVEL=2401\r\n");
    const auto path = CurlDownload(options).DownloadToCacheFile(
        server.Url("tls", "/brevel-latest-version?x=/etc/passwd"), {});
    ASSERT_TRUE(path);
    EXPECT_EQ(std::filesystem::path(WideToUtf8(path->path)), CacheFile("brevel-latest-version"));
    EXPECT_EQ(Text(path), "BREVEL=2401\r\n");
}

TEST_F(CurlDownloadTest, FailureKeepsTheEarlierCopyAndLeavesNoPartialFile) {
    server.Serve("brevel-latest-version", "BREVEL=2401");
    CurlDownload download(options);
    ASSERT_TRUE(download.DownloadToCacheFile(server.Url("tls", "/brevel-latest-version"), {}));
    server.Unserve("brevel-latest-version");
    EXPECT_FALSE(download.DownloadToCacheFile(server.Url("tls", "/brevel-latest-version"), {}));
    EXPECT_EQ(FileText(CacheFile("brevel-latest-version")), "BREVEL=2401");
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CacheFile(""))) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(CurlDownloadTest, EmptyBodyIsAnEmptyFile) {
    server.Serve("empty", "");
    const auto path = CurlDownload(options).DownloadToCacheFile(server.Url("tls", "/empty"), {});
    ASSERT_TRUE(path);
    EXPECT_EQ(Text(path), "");
}

TEST_F(CurlDownloadTest, LongOrEndlessBodyIsCutAtTheLimit) {
    for (const std::string path : {"/huge", "/endless"}) {
        SCOPED_TRACE(path);
        const auto file = CurlDownload(options).DownloadToCacheFile(server.Url("tls", path), {});
        ASSERT_TRUE(file);
        const std::string text = Text(file);
        EXPECT_EQ(text.size(), 1024u * 1024u);
        EXPECT_EQ(text.substr(0, 12), "BREVEL=2401\n");
    }
}

TEST_F(CurlDownloadTest, UntrustedOrMismatchedCertificateIsRefused) {
    server.Serve("brevel-latest-version", "BREVEL=2401");
    EXPECT_FALSE(CurlDownload(CurlDownloadOptions{})
                     .DownloadToCacheFile(server.Url("tls", "/brevel-latest-version"), {}));
    EXPECT_FALSE(CurlDownload(options).DownloadToCacheFile(
        server.Url("wrong", "/brevel-latest-version"), {}));
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(CurlDownloadTest, RedirectsAreFollowedOnlyToHttps) {
    server.Serve("brevel-latest-version", "BREVEL=2401");
    CurlDownload download(options);
    const auto followed = download.DownloadToCacheFile(
        server.Url("tls", "/redirect-https/brevel-latest-version"), {});
    EXPECT_EQ(Text(followed), "BREVEL=2401");
    EXPECT_FALSE(download.DownloadToCacheFile(
        server.Url("tls", "/redirect-http/brevel-latest-version"), {}));
    EXPECT_FALSE(download.DownloadToCacheFile(server.Url("plain", "/brevel-latest-version"), {}));
    for (const std::string& request : server.Requests()) {
        EXPECT_NE(request.rfind("plain ", 0), 0u) << request;
    }
}

TEST_F(CurlDownloadTest, ServerThatNeverAnswersIsGivenUp) {
    options.connectTimeout = std::chrono::milliseconds(1000);
    options.totalTimeout = std::chrono::milliseconds(2000);
    CurlDownload download(options);
    // Accepts, but never shakes hands.
    EXPECT_FALSE(download.DownloadToCacheFile(server.Url("silent", "/brevel-latest-version"), {}));
    // Shakes hands, but never sends the response.
    EXPECT_FALSE(download.DownloadToCacheFile(server.Url("tls", "/stall"), {}));
}

TEST_F(CurlDownloadTest, StopRequestEndsAHangingDownload) {
    options.connectTimeout = std::chrono::hours(1);
    options.totalTimeout = std::chrono::hours(1);
    std::stop_source stop;
    std::optional<std::optional<DownloadedFile>> result;
    std::jthread worker([&] {
        result = CurlDownload(options).DownloadToCacheFile(server.Url("tls", "/stall"),
                                                           stop.get_token());
    });
    while (server.Requests().empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop.request_stop();
    worker.join();
    ASSERT_TRUE(result);
    EXPECT_FALSE(*result);
}

TEST_F(CurlDownloadTest, APlantedLinkIsReplacedNeverFollowed) {
    server.Serve("brevel-latest-version", "BREVEL=2401");
    const std::filesystem::path victim = cache / "victim";
    WriteFile(victim, Bytes{'k', 'e', 'e', 'p'});
    std::filesystem::create_directories(CacheFile(""));
    std::filesystem::create_symlink(victim, CacheFile("brevel-latest-version"));
    const auto file =
        CurlDownload(options).DownloadToCacheFile(server.Url("tls", "/brevel-latest-version"), {});
    EXPECT_EQ(Text(file), "BREVEL=2401");
    EXPECT_FALSE(std::filesystem::is_symlink(CacheFile("brevel-latest-version")));
    EXPECT_EQ(FileText(victim), "keep");
}

TEST_F(CurlDownloadTest, ACacheFolderThatIsALinkOrOpenToOthersIsNotUsed) {
    server.Serve("brevel-latest-version", "BREVEL=2401");
    std::filesystem::create_directories(cache / "elsewhere");
    const std::filesystem::path folder = cache / "Brevel";
    std::filesystem::create_directory_symlink(cache / "elsewhere", folder);
    EXPECT_FALSE(
        CurlDownload(options).DownloadToCacheFile(server.Url("tls", "/brevel-latest-version"), {}));
    EXPECT_TRUE(std::filesystem::is_empty(cache / "elsewhere"));
    std::filesystem::remove(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    EXPECT_FALSE(
        CurlDownload(options).DownloadToCacheFile(server.Url("tls", "/brevel-latest-version"), {}));
    // Nor one inside a folder that belongs to another user (root can give one away).
    std::filesystem::remove(folder);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(cache.Path().c_str(), 65534, 65534), 0);
        EXPECT_FALSE(CurlDownload(options).DownloadToCacheFile(
            server.Url("tls", "/brevel-latest-version"), {}));
        EXPECT_FALSE(std::filesystem::exists(folder));
    }
    EXPECT_TRUE(server.Requests().empty());
}

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    explicit ScopedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) {
            old_ = value;
        }
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserCacheFolder, XdgCacheHomeWhenAbsoluteElseHomeCache) {
    const ScopedVariable home("HOME"), cache("XDG_CACHE_HOME");
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CACHE_HOME", "/var/cache/someone", 1);
    EXPECT_EQ(UserCacheFolder(), std::filesystem::path("/var/cache/someone/Brevel"));
    setenv("XDG_CACHE_HOME", "relative", 1);
    EXPECT_EQ(UserCacheFolder(), std::filesystem::path("/home/someone/.cache/Brevel"));
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(UserCacheFolder(), std::filesystem::path("/home/someone/.cache/Brevel"));
}
