// The compression choice that brevel-cli remembers, in the window's own
// settings store.
#include <sys/stat.h>

#include "cli_fixture.h"

#include <functional>

namespace {

class Remembered : public CliTest {
protected:
    void SetUp() override { WriteFile(In("disk.dsk"), MakeDiskData(kMiB + 99, 5)); }

    std::string Settings() const {
        const Bytes text = ReadFile(SettingsFile());
        return std::string(text.begin(), text.end());
    }
};

// The levels of the five types, as stored after the type's own.
std::string Levels(const std::string& gzip, const std::string& bzip2 = "1",
                   const std::string& xz = "1", const std::string& zstd = "1") {
    return "CompressionLevelBzip2=" + bzip2 + "\nCompressionLevelGzip=" + gzip +
           "\nCompressionLevelXz=" + xz + "\nCompressionLevelZlib=1\nCompressionLevelZstd=" + zstd +
           "\n";
}

TEST_F(Remembered, LevelAndTypeAsTheWindowStoresThem) {
    ASSERT_EQ(Run({"--level", "9", "disk.dsk", "a.dsk.bz2"}).status, 0);
    EXPECT_EQ(Settings(), "[General]\nCompressImage=1\nCompressionLevel=9\n" + Levels("1", "9") +
                              "CompressionType=1\n");
    // Each type keeps its own level; a target's extension still sets the type.
    ASSERT_EQ(Run({"--level", "17", "disk.dsk", "z.dsk.zst"}).status, 0);
    const CliResult next = Run({"disk.dsk", "b.dsk.gz"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_NE(next.out.find("Compress: Gzip, Level=1\n"), std::string::npos) << next.out;
    EXPECT_EQ(Settings(), "[General]\nCompressImage=1\nCompressionLevel=1\n" +
                              Levels("1", "9", "1", "17") + "CompressionType=0\n");
    const CliResult again = Run({"disk.dsk", "c.dsk.bz2"});
    EXPECT_NE(again.out.find("Compress: Bzip2, Level=9\n"), std::string::npos) << again.out;
}

TEST_F(Remembered, AStoreWithOneLevelLendsItToEveryType) {
    std::filesystem::create_directories(SettingsFile().parent_path());
    const std::string before = "[General]\nCompressionType=0\nCompressionLevel=8\n";
    WriteFile(SettingsFile(), Bytes(before.begin(), before.end()));
    const CliResult run = Run({"disk.dsk", "a.dsk.xz"});
    EXPECT_NE(run.out.find("Compress: Xz, Level=8\n"), std::string::npos) << run.out;
    EXPECT_EQ(Shell("xz -t " + InShell("a.dsk.xz")), 0);
}

TEST_F(Remembered, CompressRewritesTheTargetNameAsTheCheckBoxDoes) {
    const CliResult packed = Run({"--compress", "bzip2", "disk.dsk", "plain"});
    EXPECT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(packed.out.rfind("Source: disk.dsk\nTarget: plain.dsk.bz2\nCompress: Bzip2, ", 0), 0u)
        << packed.out;
    EXPECT_EQ(Shell("bzip2 -t " + InShell("plain.dsk.bz2")), 0);
    EXPECT_FALSE(std::filesystem::exists(In("plain")));

    const CliResult unpacked = Run({"--compress=none", "disk.dsk", "again.dsk.gz"});
    EXPECT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out.rfind("Source: disk.dsk\nTarget: again.dsk\nStart Time: ", 0), 0u)
        << unpacked.out;
    EXPECT_EQ(ReadFile(In("again.dsk")), ReadFile(In("disk.dsk")));
    // The type that the target's extension chose stays while compression is off.
    EXPECT_EQ(Settings(), "[General]\nCompressImage=0\nCompressionLevel=1\n" + Levels("1") +
                              "CompressionType=0\n");
}

TEST_F(Remembered, XdgConfigHomeComesFirst) {
    env.configHome = dir / "config";
    ASSERT_EQ(Run({"disk.dsk", "a.dsk.zz"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "config" / "Brevel" / "Brevel.conf"));
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(Remembered, OtherEntriesStayAndUnfitValuesGiveTheDefaults) {
    std::filesystem::create_directories(SettingsFile().parent_path());
    const std::string before =
        "[General]\nCompressionType=7\nCompressionLevel=x4\nTheme=dark\n\n"
        "[MainWindow]\ngeometry=@ByteArray(\\x1\\xd9)\n";
    WriteFile(SettingsFile(), Bytes(before.begin(), before.end()));
    const CliResult run = Run({"disk.dsk", "a.dsk.gz"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Compress: Gzip, Level=1\n"), std::string::npos) << run.out;
    EXPECT_EQ(Settings(), "[General]\nCompressImage=1\nCompressionLevel=1\n" + Levels("1") +
                              "CompressionType=0\nTheme=dark\n\n"
                              "[MainWindow]\ngeometry=@ByteArray(\\x1\\xd9)\n");
}

TEST_F(Remembered, PlantedSettingsAreNeitherFollowedNorWrittenAndNeverStopTheJob) {
    const std::filesystem::path secret = In("secret");
    struct Case {
        const char* name;
        std::function<void()> plant;
    };
    const Case cases[] = {
        {"link", [&] { std::filesystem::create_symlink(secret, SettingsFile()); }},
        {"folder", [&] { std::filesystem::create_directory(SettingsFile()); }},
        {"fifo", [&] { ASSERT_EQ(mkfifo(SettingsFile().c_str(), 0600), 0); }},
        {"device", [&] { std::filesystem::create_symlink("/dev/zero", SettingsFile()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(SettingsFile().parent_path());
        std::filesystem::create_directories(SettingsFile().parent_path());
        WriteFile(secret, Bytes{'s'});
        c.plant();
        const CliResult run = Run({"--level", "9", "disk.dsk", "a.dsk.gz", "--yes"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find("brevel-cli: warning: settings are kept for this run only"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(ReadFile(secret), Bytes{'s'});
    }
}

}  // namespace
