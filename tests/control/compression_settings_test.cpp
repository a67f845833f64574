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

TEST(CompressionSettings, EveryStoredTypeIsReadBackWithItsOwnLevelRange) {
    // 0 to 2 keep their meaning; 3 and 4 are the later types. A level above
    // 9 is in range for zstd alone.
    const struct {
        int type;
        CompressionMethod method;
        int level;
        int expectedLevel;
    } cases[] = {
        {0, CompressionMethod::Gzip, 9, 9},   {1, CompressionMethod::Bzip2, 4, 4},
        {2, CompressionMethod::Zlib, 12, 1},  {3, CompressionMethod::Xz, 6, 6},
        {4, CompressionMethod::Zstd, 19, 19}, {4, CompressionMethod::Zstd, 20, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        RecordingSettings store;
        store.values[RecordingSettings::Key(L"CompressionType")] = c.type;
        store.values[RecordingSettings::Key(L"CompressionLevel")] = c.level;
        const CompressionSettings settings = LoadCompressionSettings(store);
        EXPECT_EQ(settings.method, c.method);
        EXPECT_EQ(settings.level, c.expectedLevel);
        EXPECT_EQ(settings.levels[c.type], c.expectedLevel);
    }
}

TEST(CompressionSettings, EachTypeKeepsItsLevelAndOlderStoresLendTheirOneLevel) {
    RecordingSettings store;
    store.values[RecordingSettings::Key(L"CompressionType")] = 0;
    store.values[RecordingSettings::Key(L"CompressionLevel")] = 7;
    store.values[RecordingSettings::Key(L"CompressionLevelZstd")] = 15;
    store.values[RecordingSettings::Key(L"CompressionLevelXz")] = 30;  // out of range
    const CompressionSettings settings = LoadCompressionSettings(store);
    EXPECT_EQ(settings.levels, (std::array<std::int32_t, 5>{7, 7, 7, 7, 15}));
}

TEST(CompressionSettings, OutOfRangeValuesGiveTheDefaultsAndStayStored) {
    for (const auto& [type, level] : {std::pair{7, 0}, std::pair{-1, 10}, std::pair{5, -1}}) {
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

TEST(CompressionSettings, SaveWritesTheValuesInTheEmptySection) {
    RecordingSettings store;
    SaveCompressionSettings(store, {true, CompressionMethod::Bzip2, 9, {6, 9, 1, 2, 19}});
    const std::vector<std::pair<std::wstring, int>> expected = {
        {L"\\CompressImage", 1},         {L"\\CompressionType", 1},
        {L"\\CompressionLevel", 9},      {L"\\CompressionLevelGzip", 6},
        {L"\\CompressionLevelBzip2", 9}, {L"\\CompressionLevelZlib", 1},
        {L"\\CompressionLevelXz", 2},    {L"\\CompressionLevelZstd", 19}};
    EXPECT_EQ(store.writes, expected);
    SaveCompressionSettings(store, {false, CompressionMethod::Gzip, 1});
    EXPECT_EQ(store.Value(L"CompressImage"), 0);
    EXPECT_EQ(store.Value(L"CompressionType"), 0);
}

}  // namespace
