#pragma once

#include <optional>
#include <stop_token>
#include <string>

#include "app/download_port.h"
#include "control/window_port.h"

// Once per start Brevel asks its maker's web site for the latest release and,
// when that differs from the running one, offers to open the download page.
// The running version is read from the window's caption ("Brevel Free" and
// the version digits); versions stay text and are only compared for equality,
// so an older release or a zero-padded number asks too. Every failure ends the
// check silently: only a differing version shows anything.

inline constexpr const wchar_t* kUpdateText =
    L"A new version of Brevel is available. Click OK to open the download page.";
inline constexpr const wchar_t* kUpdateCaption = L"Update";

// The digits after "Brevel Free " in a caption; nothing when there are none.
std::optional<std::wstring> RunningVersion(const std::wstring& caption);

// The digits after the last "BREVEL=" that is directly followed by a digit in
// a version file's text, anywhere and across lines; nothing when there is no
// such key or the text defeats the matcher.
std::optional<std::wstring> LatestVersion(const std::wstring& text);

// Downloads the version file and reads the latest version from it. Touches no
// window, so it may run off the window thread.
std::optional<std::wstring> FetchLatestVersion(DownloadPort& download, std::stop_token stop = {});

// On the window thread: when the versions differ, asks "Update" with OK and
// Cancel and on OK opens the download page.
void OfferUpdate(WindowPort& window, const std::wstring& running, const std::wstring& latest);

// The whole check in one go on the calling (window) thread. The download is
// bounded in time by the download port; UpdateCheckRunner keeps it off the
// window thread altogether.
void OnUpdateCheck(WindowPort& window, DownloadPort& download);
