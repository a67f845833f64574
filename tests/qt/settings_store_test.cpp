#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QSettings>
#include <filesystem>
#include <fstream>
#include <limits>

#include "test_files.h"

namespace {

// The per-user settings in a fresh configuration folder for each test.
class SettingsStoreTest : public testing::Test {
protected:
    QString Folder() const { return QString::fromStdString(folder.Path().string()); }

    std::filesystem::path File() const { return folder / "Brevel" / "Brevel.conf"; }

    void WriteConf(const std::string& text) {
        std::filesystem::create_directories(File().parent_path());
        std::ofstream(File()) << text;
    }

    TempDir folder;
    QtSettingsStore store{Folder()};
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

    const QtSettingsStore again(Folder());
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

namespace {

// What may stand where the settings file or its folder belongs.
struct Planted {
    const char* name;
    void (*plant)(const std::filesystem::path& folder, const std::filesystem::path& file,
                  const std::filesystem::path& secret);
};

const Planted kPlanted[] = {
    {"a link to another file",
     [](const auto&, const auto& file, const auto& secret) {
         std::filesystem::create_symlink(secret, file);
     }},
    {"a link as the folder",
     [](const auto& folder, const auto&, const auto& secret) {
         std::filesystem::remove(folder);
         std::filesystem::create_directory_symlink(secret.parent_path(), folder);
     }},
    {"a file as the folder",
     [](const auto& folder, const auto&, const auto&) {
         std::filesystem::remove(folder);
         std::ofstream(folder) << "x";
     }},
    {"a folder as the file",
     [](const auto&, const auto& file, const auto&) { std::filesystem::create_directory(file); }},
    {"a FIFO", [](const auto&, const auto& file, const auto&) { mkfifo(file.c_str(), 0600); }},
    {"a link to /dev/zero",
     [](const auto&, const auto& file, const auto&) {
         std::filesystem::create_symlink("/dev/zero", file);
     }},
    {"a huge file",
     [](const auto&, const auto& file, const auto&) {
         std::ofstream(file) << "[General]\nCompressionLevel=9\n" << std::string(2 << 20, ';');
     }},
    {"a second name of another file",
     [](const auto&, const auto& file, const auto& secret) {
         std::filesystem::create_hard_link(secret, file);
     }},
    {"another user's file",
     [](const auto&, const auto& file, const auto&) {
         std::ofstream(file) << "[General]\nCompressionLevel=9\n";
         if (chown(file.c_str(), 65534, 65534) != 0) {
             std::filesystem::remove(file);
             std::filesystem::create_symlink("/dev/null", file);  // not root: still refused
         }
     }},
    {"a folder others may write to",
     [](const auto& folder, const auto&, const auto&) {
         std::filesystem::permissions(folder, std::filesystem::perms::all);
     }},
};

TEST(SettingsPlace, AnythingButOwnPlainFilesIsKeptInMemoryAndNeverWritten) {
    for (const Planted& planted : kPlanted) {
        SCOPED_TRACE(planted.name);
        TempDir config;
        const std::filesystem::path folder = config / "Brevel";
        const std::filesystem::path file = folder / "Brevel.conf";
        const std::filesystem::path secret = config / "secret" / "shadow";
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(secret.parent_path());
        WriteFile(secret, Bytes{'s'});
        planted.plant(folder, file, secret);

        QtSettingsStore store(QString::fromStdString(config.Path().string()));
        EXPECT_FALSE(store.Problem().isEmpty());
        EXPECT_EQ(store.GetProfileInt("", "CompressionLevel", 1), 1);
        EXPECT_TRUE(store.WriteProfileInt("", "CompressionLevel", 7));
        EXPECT_EQ(store.GetProfileInt("", "CompressionLevel", 1), 7);
        EXPECT_EQ(ReadFile(secret), Bytes{'s'});
        EXPECT_EQ(std::filesystem::exists(config / "secret" / "Brevel.conf"), false);
    }
}

void GiveToNobody(const std::filesystem::path& path) {
    ASSERT_EQ(lchown(path.c_str(), 65534, 65534), 0);
}

// The folders above the settings folder: only the user's own (or root's), or
// a sticky one such as /tmp, may lead there.
TEST(SettingsPlace, FoldersOnTheWayMustBeTheUsersOwn) {
    struct Case {
        const char* name;
        bool usable;
        // Makes `config` (home/.config) from `home`, inside `outside`.
        void (*make)(const std::filesystem::path& home, const std::filesystem::path& outside);
    };
    const Case cases[] = {
        {"plain folders", true,
         [](const auto& home, const auto&) {
             std::filesystem::create_directory(home / ".config");
         }},
        {"the user's own link", true,
         [](const auto& home, const auto& outside) {
             std::filesystem::create_directory_symlink(outside, home / ".config");
         }},
        {"a sticky folder open to all", true,
         [](const auto& home, const auto&) {
             std::filesystem::permissions(
                 home, std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
         }},
        {"another user's link", false,
         [](const auto& home, const auto& outside) {
             std::filesystem::create_directory_symlink(outside, home / ".config");
             GiveToNobody(home / ".config");
         }},
        {"another user's folder", false,
         [](const auto& home, const auto&) {
             std::filesystem::create_directory(home / ".config");
             GiveToNobody(home / ".config");
         }},
        {"a link to another user's folder", false,
         [](const auto& home, const auto& outside) {
             std::filesystem::create_directory_symlink(outside, home / ".config");
             GiveToNobody(outside);
         }},
        {"a folder others may write to", false,
         [](const auto& home, const auto&) {
             std::filesystem::permissions(home, std::filesystem::perms::all);
         }},
    };
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root, to give files to another user";
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        const std::filesystem::path home = root / "home";
        const std::filesystem::path outside = root / "outside";
        std::filesystem::create_directories(home);
        std::filesystem::create_directories(outside);
        c.make(home, outside);
        QtSettingsStore store(QString::fromStdString((home / ".config").string()));
        EXPECT_EQ(store.Problem().isEmpty(), c.usable) << store.Problem().toStdString();
        EXPECT_TRUE(store.WriteProfileInt("", "CompressionLevel", 7));
        EXPECT_EQ(std::filesystem::exists(outside / "Brevel" / "Brevel.conf"),
                  c.usable && std::filesystem::is_symlink(home / ".config"));
    }
}

}  // namespace
