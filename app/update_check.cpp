#include "app/update_check.h"

#include <boost/regex.hpp>
#include <exception>

#include "app/text_file.h"
#include "control/control_ids.h"
#include "control/site.h"

namespace {

// Whole-text match of a pattern with one capture. Boost's Perl syntax lets
// "." match line breaks, and the greedy lead makes the last key count.
// Matching errors (the matcher's complexity limits) count as no match.
std::optional<std::wstring> Capture(const boost::wregex& pattern, const std::wstring& text) {
    try {
        boost::wsmatch match;
        if (boost::regex_match(text, match, pattern)) {
            return match.str(1);
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::wstring> RunningVersion(const std::wstring& caption) {
    static const boost::wregex pattern(L"^.*Brevel Free ([0-9]+).*$");
    return Capture(pattern, caption);
}

std::optional<std::wstring> LatestVersion(const std::wstring& text) {
    static const boost::wregex pattern(L"^.*BREVEL=([0-9]+).*$");
    return Capture(pattern, text);
}

std::optional<std::wstring> FetchLatestVersion(DownloadPort& download, std::stop_token stop) {
    try {
        const std::optional<DownloadedFile> file =
            download.DownloadToCacheFile(VersionFileUrl(), std::move(stop));
        if (!file) {
            return std::nullopt;
        }
        return LatestVersion(TextOfBytes(file->content));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void OfferUpdate(WindowPort& window, const std::wstring& running, const std::wstring& latest) {
    if (running == latest) {
        return;
    }
    const unsigned style = BoxStyle::OkCancel | BoxStyle::IconInformation;
    if (window.ShowMessageBox(kUpdateText, kUpdateCaption, style) == BoxResult::Ok) {
        window.OpenUrl(DownloadPageUrl());
    }
}

void OnUpdateCheck(WindowPort& window, DownloadPort& download) {
    const std::optional<std::wstring> running = RunningVersion(window.GetCaption());
    if (!running) {
        return;
    }
    const std::optional<std::wstring> latest = FetchLatestVersion(download);
    if (latest) {
        OfferUpdate(window, *running, *latest);
    }
}
