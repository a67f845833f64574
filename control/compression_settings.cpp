#include "control/compression_settings.h"

namespace {
const wchar_t* const kSection = L"";
const wchar_t* const kCompressImage = L"CompressImage";
const wchar_t* const kCompressionType = L"CompressionType";
const wchar_t* const kCompressionLevel = L"CompressionLevel";

std::wstring LevelEntry(const ImageFormat& format) {
    return kCompressionLevel + std::wstring(format.label);
}

bool InRange(const ImageFormat& format, int level) {
    return level >= format.minLevel && level <= format.maxLevel;
}
}  // namespace

CompressionSettings LoadCompressionSettings(SettingsPort& store) {
    CompressionSettings settings;
    const auto formats = TargetFormats();
    const int type = store.ReadProfileInt(kSection, kCompressionType, 0);
    const ImageFormat& chosen =
        (type < 0 || type >= static_cast<int>(formats.size())) ? formats[0] : formats[type];
    settings.method = chosen.method;
    const int level = store.ReadProfileInt(kSection, kCompressionLevel, 1);
    settings.level = InRange(chosen, level) ? level : 1;
    for (const ImageFormat& format : formats) {
        const int fallback = InRange(format, level) ? level : 1;
        const int own = store.ReadProfileInt(kSection, LevelEntry(format), fallback);
        settings.levels[static_cast<std::size_t>(format.method)] =
            InRange(format, own) ? own : fallback;
    }
    settings.levels[static_cast<std::size_t>(chosen.method)] = settings.level;
    settings.compressed = store.ReadProfileInt(kSection, kCompressImage, 0) != 0;
    return settings;
}

void SaveCompressionSettings(SettingsPort& store, const CompressionSettings& settings) {
    store.WriteProfileInt(kSection, kCompressImage, settings.compressed ? 1 : 0);
    store.WriteProfileInt(kSection, kCompressionType, static_cast<int>(settings.method));
    store.WriteProfileInt(kSection, kCompressionLevel, settings.level);
    for (const ImageFormat& format : TargetFormats()) {
        store.WriteProfileInt(kSection, LevelEntry(format),
                              settings.levels[static_cast<std::size_t>(format.method)]);
    }
}
