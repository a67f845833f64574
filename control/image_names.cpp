#include "control/image_names.h"

#include <boost/algorithm/string/join.hpp>
#include <boost/algorithm/string/replace.hpp>
#include <boost/format.hpp>

#include "engine/image_file.h"
#include "engine/image_formats.h"

namespace {

constexpr auto kFlags = boost::regex::perl | boost::regex::icase;

// An extension as pattern text: \x2e is the full stop, resolved by the
// regular-expression engine.
std::wstring PatternOf(const std::wstring& extension) {
    return boost::replace_all_copy(extension, L".", L"\\x2e");
}

boost::wregex ImagePattern(const std::wstring& alternatives) {
    return boost::wregex((boost::wformat(L"^(.*)(%s)$") % alternatives).str(), kFlags);
}

std::wstring AnyImageAlternatives() {
    std::vector<std::wstring> alternatives{PatternOf(kRawImageExtension)};
    for (const ImageFormat& format : TargetFormats()) {
        alternatives.push_back(PatternOf(format.extension));
    }
    return boost::algorithm::join(alternatives, L"|");
}

// Raw disk images as other tools name them; the compressed ones are found by
// their last extension alone (*.gz covers *.dsk.gz and *.img.gz).
constexpr const wchar_t* kRawDownloadPatterns = L"*.img;*.iso;*.raw";

}  // namespace

ImageNamePatterns::ImageNamePatterns()
    : physicalDrive(L"^\\x5c\\x5c\\x2e\\x5cPhysicalDrive([0-9]+)$", kFlags),
      anyImage(ImagePattern(AnyImageAlternatives())) {
    for (const ImageFormat& format : TargetFormats()) {
        compressedImages.emplace_back(format.method, ImagePattern(PatternOf(format.extension)));
    }
}

CompressionMethod ImageNamePatterns::CompressionOf(const std::wstring& name) const {
    for (const auto& [method, pattern] : compressedImages) {
        if (MatchesWhole(name, pattern)) {
            return method;
        }
    }
    return CompressionMethod::None;
}

std::wstring ImageExtension(bool compressed, CompressionMethod method) {
    if (!compressed) {
        return kRawImageExtension;
    }
    const ImageFormat* format = FindFormat(method);
    return format && format->Writable() ? format->extension : L"";
}

SourceFormat ExamineSourceImage(const ImageNamePatterns& patterns, const std::wstring& path) {
    SourceFormat found;
    const ImageFormat* content = DetectFormat(ReadRegularFileHead(path, kSignatureBytes));
    if (MatchesWhole(path, patterns.anyImage)) {
        found.method = patterns.CompressionOf(path);
        if (content && content->method != found.method) {
            found.refusal = (boost::wformat(L"%s is named as a %s image, but it holds %s data.") %
                             path % FormatLabel(found.method) % content->label)
                                .str();
        }
    } else if (content) {
        found.method = content->method;
        found.detected = true;
    }
    return found;
}

std::wstring OpenImageFilter() {
    std::vector<std::wstring> patterns{L"*" + std::wstring(kRawImageExtension),
                                       kRawDownloadPatterns};
    for (const ImageFormat& format : ImageFormats()) {
        patterns.push_back(format.openPattern);
    }
    const std::wstring all = boost::algorithm::join(patterns, L";");
    return L"Disk Image (" + all + L")|" + all + L"|All files|*.*||";
}

std::wstring SaveImageFilter() {
    std::wstring filter =
        (boost::wformat(L"Raw Disk Image (*%1%)|*%1%|") % kRawImageExtension).str();
    for (const ImageFormat& format : TargetFormats()) {
        filter += (boost::wformat(L"%1% Disk Image (*%2%)|*%2%|") % format.label % format.extension)
                      .str();
    }
    return filter + L"All files|*.*||";
}

bool MatchesWhole(const std::wstring& text, const boost::wregex& pattern) {
    return boost::regex_match(text, pattern);
}
