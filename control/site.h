#pragma once

#include <string>

// The maker's web site. Its host name is chosen at build time (the CMake cache
// variable BREVEL_SITE) and reaches the code as a narrow string literal.
#ifndef BREVEL_SITE
#error "BREVEL_SITE must be defined by the build"
#endif

inline constexpr const wchar_t* kSiteName = L"" BREVEL_SITE;

// The version file, which names the latest release.
inline std::wstring VersionFileUrl() {
    return std::wstring(L"https://") + kSiteName + L"/brevel-latest-version";
}

// The product page with the download; More Info opens it too.
inline std::wstring DownloadPageUrl() {
    return std::wstring(L"https://") + kSiteName + L"/brevel";
}
