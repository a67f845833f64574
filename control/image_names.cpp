#include "control/image_names.h"

#include <boost/format.hpp>

namespace {

// The extensions as pattern text: \x2e is the full stop, resolved by the
// regular-expression engine.
const wchar_t* const kRawPattern = L"\\x2edsk";
const wchar_t* const kGzipPattern = L"\\x2edsk\\x2egz";
const wchar_t* const kBzip2Pattern = L"\\x2edsk\\x2ebz2";
const wchar_t* const kZlibPattern = L"\\x2edsk\\x2ezz";

constexpr auto kFlags = boost::regex::perl | boost::regex::icase;

boost::wregex ImagePattern(const wchar_t* extension) {
    return boost::wregex((boost::wformat(L"^(.*)(%s)$") % extension).str(), kFlags);
}

}  // namespace

ImageNamePatterns::ImageNamePatterns()
    : physicalDrive(L"^\\x5c\\x5c\\x2e\\x5cPhysicalDrive([0-9]+)$", kFlags),
      gzipImage(ImagePattern(kGzipPattern)),
      bzip2Image(ImagePattern(kBzip2Pattern)),
      zlibImage(ImagePattern(kZlibPattern)),
      anyImage((boost::wformat(L"^(.*)(%s|%s|%s|%s)$") % kRawPattern % kGzipPattern %
                kBzip2Pattern % kZlibPattern)
                   .str(),
               kFlags) {}

CompressionMethod ImageNamePatterns::CompressionOf(const std::wstring& name) const {
    if (MatchesWhole(name, gzipImage)) {
        return CompressionMethod::Gzip;
    }
    if (MatchesWhole(name, bzip2Image)) {
        return CompressionMethod::Bzip2;
    }
    if (MatchesWhole(name, zlibImage)) {
        return CompressionMethod::Zlib;
    }
    return CompressionMethod::None;
}

bool MatchesWhole(const std::wstring& text, const boost::wregex& pattern) {
    return boost::regex_match(text, pattern);
}
