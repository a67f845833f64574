#include "app/curl_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>

#include "app/cache_folder.h"
#include "disks/owned_folder.h"
#include "disks/path_text.h"

namespace {

bool CurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// The cache file's name: the URL's last path element, with anything but
// letters, digits, '.', '-' and '_' replaced, so that no URL can name a file
// outside the cache folder.
std::string CacheFileName(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const std::size_t authority = path.find("://");
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || (authority != std::string::npos && slash < authority + 3)) {
        path.clear();
    } else {
        path.erase(0, slash + 1);
    }
    for (char& c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        c = plain ? c : '_';
    }
    if (path.empty() || path.find_first_not_of('.') == std::string::npos) {
        return "download";
    }
    return path;
}

// The temporary file that a download writes; removed unless it was kept.
class PartialFile {
public:
    explicit PartialFile(const std::filesystem::path& target) {
        // mkostemp creates with O_EXCL: never through a planted link.
        std::string pattern = target.string() + ".XXXXXX";
        fd_ = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            path_ = pattern;
        }
    }
    ~PartialFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    int Descriptor() const { return fd_; }

    // What was written, up to `limit` bytes, read back through the descriptor.
    std::optional<std::string> Content(std::size_t limit) const {
        std::string content(limit, '\0');
        std::size_t got = 0;
        while (got < limit) {
            const ssize_t n =
                ::pread(fd_, content.data() + got, limit - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return std::nullopt;
            }
            if (n == 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        content.resize(got);
        return content;
    }

    // Closes the file and moves it onto `target` (a link there is replaced,
    // not followed).
    bool KeepAs(const std::filesystem::path& target) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 || ::rename(path_.c_str(), target.c_str()) != 0) {
            return false;
        }
        path_.clear();
        return true;
    }

private:
    int fd_ = -1;
    std::string path_;
};

struct BodySink {
    int fd = -1;
    std::size_t limit = 0;
    std::size_t written = 0;
    bool cut = false;
    bool failed = false;
};

bool WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t done = ::write(fd, data, length);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        data += done;
        length -= static_cast<std::size_t>(done);
    }
    return true;
}

// Keeps the body up to the limit; past it the transfer is ended.
std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    BodySink& sink = *static_cast<BodySink*>(user);
    const std::size_t length = size * count;
    const std::size_t take = std::min(length, sink.limit - sink.written);
    if (!WriteAll(sink.fd, data, take)) {
        sink.failed = true;
        return 0;
    }
    sink.written += take;
    if (take < length) {
        sink.cut = true;
        return 0;
    }
    return length;
}

int CheckStop(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::stop_token*>(user)->stop_requested() ? 1 : 0;
}

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

bool SetOptions(CURL* easy, const std::string& url, const CurlDownloadOptions& options,
                BodySink& sink, const std::stop_token& stop) {
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, url.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
    set(CURLOPT_PROTOCOLS_STR, "https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
#else
    set(CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
    set(CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
#endif
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 5L);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!options.testCaFile.empty()) {
        set(CURLOPT_CAINFO, options.testCaFile.c_str());
    }
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(options.totalTimeout.count()));
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_FAILONERROR, 1L);
    set(CURLOPT_USERAGENT, "Brevel");
    set(CURLOPT_WRITEFUNCTION, &WriteBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &CheckStop);
    set(CURLOPT_XFERINFODATA, static_cast<const void*>(&stop));
    return ok;
}

// The cache folder, created when missing; false when it may not be used: a
// link, not a folder, another user's, or writable by others.
bool UsableCacheFolder(const std::filesystem::path& folder) {
    // Nothing is made or written through a place another user could change.
    if (!FolderChainProblem(folder.string()).empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat status {};
    return lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

CurlDownload::CurlDownload(CurlDownloadOptions options) : options_(std::move(options)) {}

std::optional<DownloadedFile> CurlDownload::DownloadToCacheFile(const std::wstring& wideUrl,
                                                                std::stop_token stop) {
    const std::string url = WideToUtf8(wideUrl);
    if (url.rfind("https://", 0) != 0 || stop.stop_requested() || !CurlReady()) {
        return std::nullopt;
    }
    const std::optional<std::filesystem::path> folder = UserCacheFolder();
    if (!folder || !UsableCacheFolder(*folder)) {
        return std::nullopt;
    }
    const std::filesystem::path target = *folder / CacheFileName(url);
    PartialFile partial(target);
    const std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
    if (partial.Descriptor() < 0 || !easy) {
        return std::nullopt;
    }
    BodySink sink{partial.Descriptor(), options_.maxBytes};
    if (!SetOptions(easy.get(), url, options_, sink, stop)) {
        return std::nullopt;
    }
    const CURLcode result = curl_easy_perform(easy.get());
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    const bool received = result == CURLE_OK || (result == CURLE_WRITE_ERROR && sink.cut);
    if (!received || sink.failed || status < 200 || status > 299) {
        return std::nullopt;
    }
    std::optional<std::string> content = partial.Content(options_.maxBytes);
    if (!content || !partial.KeepAs(target)) {
        return std::nullopt;
    }
    return DownloadedFile{Utf8ToWide(target.string()), std::move(*content)};
}
