#pragma once

#include <cstdint>

#include "control/settings_port.h"
#include "engine/clone_job.h"

// The one thing Brevel remembers between runs: the compression choice for an
// image target, as three integers in the empty section of the per-user store.
struct CompressionSettings {
    bool compressed = false;                             // CompressImage, default 0
    CompressionMethod method = CompressionMethod::Gzip;  // CompressionType 0 to 2, default 0
    std::int32_t level = 1;                              // CompressionLevel 1 to 9, default 1
};

// Reads the three values; absent or out-of-range ones give their defaults and
// are left in the store as they are.
CompressionSettings LoadCompressionSettings(SettingsPort& store);

// Writes the three values as given, without range checks.
void SaveCompressionSettings(SettingsPort& store, bool compressed, CompressionMethod method,
                             std::int32_t level);
