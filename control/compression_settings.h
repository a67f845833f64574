#pragma once

#include <array>
#include <cstdint>

#include "control/settings_port.h"
#include "engine/clone_job.h"
#include "engine/image_formats.h"

// The one thing Brevel remembers between runs: the compression choice for an
// image target, as integers in the empty section of the per-user store.
struct CompressionSettings {
    bool compressed = false;                             // CompressImage, default 0
    CompressionMethod method = CompressionMethod::Gzip;  // CompressionType 0 to 4, default 0
    std::int32_t level = 1;  // CompressionLevel, in the type's range, default 1
    // Each type's own level, by method number: CompressionLevelGzip, ...Zstd.
    // The chosen type's is `level`.
    std::array<std::int32_t, kTargetFormatCount> levels{1, 1, 1, 1, 1};
};

// Reads the values; absent or out-of-range ones give their defaults and are
// left in the store as they are. A type without a level of its own takes
// CompressionLevel when it is in its range (one level served every type
// before), else 1.
CompressionSettings LoadCompressionSettings(SettingsPort& store);

// Writes the values as given, without range checks.
void SaveCompressionSettings(SettingsPort& store, const CompressionSettings& settings);
