// The remembered compression choice: defaults, ranges and what is written.
#include "control/compression_settings.h"

#include <gtest/gtest.h>

#include "recording_settings.h"

namespace {

TEST(CompressionSettings, FirstStartGivesCompressionOffGzipLevelOne) {
    RecordingSettings store;
    const CompressionSettings settings = LoadCompressionSettings(store);
    EXPECT_FALSE(settings.compressed);
    EXPECT_EQ(settings.method, CompressionMethod::Gzip);
    EXPECT_EQ(settings.level, 1);
}

TEST(CompressionSettings, StoredValuesInRangeAreTaken) {
    RecordingSettings store;
    store.values[RecordingSettings::Key(L"CompressImage")] = 2;  // any non-zero is on
    store.values[RecordingSettings::Key(L"CompressionType")] = 2;
    store.values[RecordingSettings::Key(L"CompressionLevel")] = 9;
    const CompressionSettings settings = LoadCompressionSettings(store);
    EXPECT_TRUE(settings.compressed);
    EXPECT_EQ(settings.method, CompressionMethod::Zlib);
    EXPECT_EQ(settings.level, 9);
}

TEST(CompressionSettings, OutOfRangeValuesGiveTheDefaultsAndStayStored) {
    for (const auto& [type, level] : {std::pair{7, 0}, std::pair{-1, 10}, std::pair{3, -1}}) {
        RecordingSettings store;
        store.values[RecordingSettings::Key(L"CompressImage")] = -1;
        store.values[RecordingSettings::Key(L"CompressionType")] = type;
        store.values[RecordingSettings::Key(L"CompressionLevel")] = level;
        const CompressionSettings settings = LoadCompressionSettings(store);
        EXPECT_TRUE(settings.compressed);
        EXPECT_EQ(settings.method, CompressionMethod::Gzip);
        EXPECT_EQ(settings.level, 1);
        EXPECT_TRUE(store.writes.empty());
        EXPECT_EQ(store.Value(L"CompressionType"), type);
    }
}

TEST(CompressionSettings, SaveWritesTheThreeValuesInTheEmptySection) {
    RecordingSettings store;
    SaveCompressionSettings(store, true, CompressionMethod::Bzip2, 9);
    const std::vector<std::pair<std::wstring, int>> expected = {
        {L"\\CompressImage", 1}, {L"\\CompressionType", 1}, {L"\\CompressionLevel", 9}};
    EXPECT_EQ(store.writes, expected);
    SaveCompressionSettings(store, false, CompressionMethod::Gzip, 1);
    EXPECT_EQ(store.Value(L"CompressImage"), 0);
    EXPECT_EQ(store.Value(L"CompressionType"), 0);
}

}  // namespace
