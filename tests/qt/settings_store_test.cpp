#include "qt/settings_store.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <limits>

#include "test_files.h"

namespace {

// Points the per-user settings at a fresh folder for each test.
class SettingsStoreTest : public testing::Test {
protected:
    SettingsStoreTest() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(folder.Path().string()));
    }

    std::filesystem::path File() const { return folder / "Brevel" / "Brevel.conf"; }

    void WriteConf(const std::string& text) {
        std::filesystem::create_directories(File().parent_path());
        std::ofstream(File()) << text;
    }

    TempDir folder;
    QtSettingsStore store;
};

}  // namespace

TEST_F(SettingsStoreTest, AbsentValuesGiveTheDefault) {
    EXPECT_EQ(store.GetProfileInt("", "CompressionLevel", 1), 1);
    EXPECT_EQ(store.GetProfileInt("", "CompressionType", -7), -7);
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(SettingsStoreTest, WrittenValuesReadBackInTheUsersFile) {
    EXPECT_TRUE(store.WriteProfileInt("", "CompressImage", 1));
    EXPECT_TRUE(store.WriteProfileInt("", "CompressionType", 1));
    EXPECT_TRUE(store.WriteProfileInt("", "CompressionLevel", 9));
    EXPECT_TRUE(store.WriteProfileInt("Other", "CompressionLevel", -3));
    EXPECT_TRUE(store.WriteProfileInt("", "Lowest", std::numeric_limits<std::int32_t>::min()));
    EXPECT_TRUE(store.WriteProfileInt("", "Highest", std::numeric_limits<std::int32_t>::max()));

    const QtSettingsStore again;
    EXPECT_EQ(again.GetProfileInt("", "CompressImage", 0), 1);
    EXPECT_EQ(again.GetProfileInt("", "CompressionType", 0), 1);
    EXPECT_EQ(again.GetProfileInt("", "CompressionLevel", 1), 9);
    EXPECT_EQ(again.GetProfileInt("Other", "CompressionLevel", 1), -3);
    EXPECT_EQ(again.GetProfileInt("", "Lowest", 0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(again.GetProfileInt("", "Highest", 0), std::numeric_limits<std::int32_t>::max());
    // The empty section's values stand at the top of the file.
    std::ifstream file(File());
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    EXPECT_NE(text.find("[General]\nCompressImage=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Other]\nCompressionLevel=-3\n"), std::string::npos) << text;
}

TEST_F(SettingsStoreTest, StoredValuesReadAsSigned32BitNumbers) {
    WriteConf(
        "[General]\nCompressionType=4294967295\nCompressionLevel=10\nCompressImage=2\n"
        "TooLarge=4294967296\nTooSmall=-2147483649\nText=abc\nEmpty=\n");
    EXPECT_EQ(store.GetProfileInt("", "CompressionType", 0), -1);
    EXPECT_EQ(store.GetProfileInt("", "CompressionLevel", 1), 10);
    EXPECT_EQ(store.GetProfileInt("", "CompressImage", 0), 2);
    EXPECT_EQ(store.GetProfileInt("", "TooLarge", 5), 5);
    EXPECT_EQ(store.GetProfileInt("", "TooSmall", 5), 5);
    EXPECT_EQ(store.GetProfileInt("", "Text", 5), 5);
    EXPECT_EQ(store.GetProfileInt("", "Empty", 5), 5);
}

TEST_F(SettingsStoreTest, AFailedWriteIsReported) {
    // A file where the settings folder should be.
    WriteFile(folder / "Brevel", Bytes{'x'});
    EXPECT_FALSE(store.WriteProfileInt("", "CompressImage", 1));
    EXPECT_EQ(store.GetProfileInt("", "CompressImage", 0), 0);
}
