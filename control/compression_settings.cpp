#include "control/compression_settings.h"

namespace {
const wchar_t* const kSection = L"";
const wchar_t* const kCompressImage = L"CompressImage";
const wchar_t* const kCompressionType = L"CompressionType";
const wchar_t* const kCompressionLevel = L"CompressionLevel";
}  // namespace

CompressionSettings LoadCompressionSettings(SettingsPort& store) {
    CompressionSettings settings;
    const int type = store.ReadProfileInt(kSection, kCompressionType, 0);
    settings.method =
        (type < 0 || type > 2) ? CompressionMethod::Gzip : static_cast<CompressionMethod>(type);
    const int level = store.ReadProfileInt(kSection, kCompressionLevel, 1);
    settings.level = (level < 1 || level > 9) ? 1 : level;
    settings.compressed = store.ReadProfileInt(kSection, kCompressImage, 0) != 0;
    return settings;
}

void SaveCompressionSettings(SettingsPort& store, bool compressed, CompressionMethod method,
                             std::int32_t level) {
    store.WriteProfileInt(kSection, kCompressImage, compressed ? 1 : 0);
    store.WriteProfileInt(kSection, kCompressionType, static_cast<int>(method));
    store.WriteProfileInt(kSection, kCompressionLevel, level);
}
