// Sources whose names say nothing (or the wrong thing) about their
// compression, made by the real tools: found by content, read in full
// through the engine, or refused with what they really are.
#include <sys/stat.h>

#include "dialog_fixture.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

struct Packer {
    const char* name;
    const char* command;  // packs $IN into $OUT
    CompressionMethod method;
    const wchar_t* label;
};

const Packer kPackers[] = {
    {"gzip", "gzip -c \"$IN\" > \"$OUT\"", CompressionMethod::Gzip, L"Gzip"},
    {"bzip2", "bzip2 -c \"$IN\" > \"$OUT\"", CompressionMethod::Bzip2, L"Bzip2"},
    {"xz", "xz -c \"$IN\" > \"$OUT\"", CompressionMethod::Xz, L"Xz"},
    {"xzT2", "xz -T2 --block-size=1MiB -c \"$IN\" > \"$OUT\"", CompressionMethod::Xz, L"Xz"},
    {"zstd", "zstd -q -c \"$IN\" > \"$OUT\"", CompressionMethod::Zstd, L"Zstd"},
    {"zstdT2", "zstd -q -T2 -c \"$IN\" > \"$OUT\"", CompressionMethod::Zstd, L"Zstd"},
    {"pzstd", "pzstd -q -p 2 -c \"$IN\" > \"$OUT\"", CompressionMethod::Zstd, L"Zstd"},
    {"zipDeflated", "cd \"$(dirname \"$IN\")\" && zip -q \"$OUT\" disk.img", CompressionMethod::Zip,
     L"Zip"},
    {"zipStored", "cd \"$(dirname \"$IN\")\" && zip -q -0 \"$OUT\" disk.img",
     CompressionMethod::Zip, L"Zip"},
    {"zip64", "cd \"$(dirname \"$IN\")\" && zip -q -fz \"$OUT\" disk.img", CompressionMethod::Zip,
     L"Zip"},
};

class ContentDetection : public DialogTest {
protected:
    void SetUp() override {
        data_ = MakeDiskData(3 * kMiB + 99, 61);
        WriteFile(dir / "disk.img", data_);
    }

    // Packs disk.img into `name` with the packer's tool.
    void Pack(const Packer& packer, const std::string& name) {
        ASSERT_EQ(Shell("IN=" + Quoted(dir / "disk.img") + " OUT=" + Quoted(dir / name) + "; " +
                        packer.command),
                  0);
    }

    // Runs the job the window holds; the error boxes it showed.
    std::vector<std::wstring> Start() {
        dialog.OnStart();
        TickUntilIdle();
        return Boxes(L"Error");
    }

    Bytes data_;
};

TEST_F(ContentDetection, EveryToolsOutputIsFoundAndReadInFullWhateverItsName) {
    for (const Packer& packer : kPackers) {
        SCOPED_TRACE(packer.name);
        window.boxes.clear();
        const std::string name = std::string(packer.name) + ".img";  // says "raw"
        Pack(packer, name);
        dialog.SetSource(InDir(name), L"");
        dialog.SetTarget(InDir("out.dsk"));
        EXPECT_EQ(dialog.job.source.method, packer.method);
        EXPECT_TRUE(dialog.job.source.compressed);
        EXPECT_EQ(window.Log(), L"Source: " + InDir(name) + L"\r\nCompress: " + packer.label +
                                    L" (detected)\r\nTarget: " + InDir("out.dsk") + L"\r\n");
        EXPECT_EQ(Start(), std::vector<std::wstring>{});
        EXPECT_TRUE(ReadFile(dir / "out.dsk") == data_);
    }
}

TEST_F(ContentDetection, ACompressedDownloadIsNeverWrittenRawOntoADisk) {
    Pack(kPackers[2], "download.img.xz");
    disks.Add(1, Bytes(4 * kMiB, 0));
    dialog.SetSource(InDir("download.img.xz"), L"");
    dialog.SetTarget(Disk(1));
    EXPECT_EQ(Start(), std::vector<std::wstring>{});
    EXPECT_TRUE(std::equal(data_.begin(), data_.end(), disks.Disk(1).data.begin()));
}

TEST_F(ContentDetection, ANameThatSaysAnotherFormatIsRefusedWithWhatTheFileIs) {
    const struct {
        const char* name;
        const Packer& packer;
        const wchar_t* says;
    } cases[] = {
        {"x.dsk.gz", kPackers[4], L"a Gzip image, but it holds Zstd data."},
        {"x.dsk", kPackers[2], L"a raw image, but it holds Xz data."},
        {"x.dsk.zst", kPackers[7], L"a Zstd image, but it holds Zip data."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window.boxes.clear();
        Pack(c.packer, c.name);
        dialog.SetSource(InDir(c.name), L"");
        dialog.SetTarget(InDir("out.dsk"));
        EXPECT_EQ(Start(), std::vector<std::wstring>{InDir(c.name) + L" is named as " + c.says});
        EXPECT_FALSE(std::filesystem::exists(dir / "out.dsk"));
    }
}

TEST_F(ContentDetection, ASourceIsLookedAtAgainWhenTheJobStarts) {
    dialog.SetSource(InDir("later.img"), L"");  // not there yet: raw
    dialog.SetTarget(InDir("out.dsk"));
    EXPECT_FALSE(dialog.job.source.compressed);
    Pack(kPackers[5], "later.img");
    EXPECT_EQ(Start(), std::vector<std::wstring>{});
    EXPECT_EQ(dialog.job.source.method, CompressionMethod::Zstd);
    EXPECT_TRUE(ReadFile(dir / "out.dsk") == data_);
}

TEST_F(ContentDetection, AZipWithSeveralFilesIsRefusedListingThem) {
    WriteFile(dir / "readme.txt", Bytes(10, 'a'));
    ASSERT_EQ(Shell("cd " + Quoted(dir.Path()) + " && zip -q two.zip disk.img readme.txt"), 0);
    dialog.SetSource(InDir("two.zip"), L"");
    dialog.SetTarget(InDir("out.dsk"));
    EXPECT_EQ(Start(), std::vector<std::wstring>{InDir("two.zip") +
                                                 L" holds 2 files, but a zip image holds one "
                                                 L"disk image: disk.img, readme.txt"});
    EXPECT_FALSE(std::filesystem::exists(dir / "out.dsk"));
}

TEST_F(ContentDetection, RawDataAndFifosStayRawAndNothingWaits) {
    dialog.SetSource(InDir("disk.img"), L"");
    EXPECT_FALSE(dialog.job.source.compressed);
    EXPECT_FALSE(dialog.sourceFormat.detected);
    // Nobody writes into the FIFO: opening it to look would never return.
    ASSERT_EQ(mkfifo((dir / "pipe.img").c_str(), 0600), 0);
    dialog.SetSource(InDir("pipe.img"), L"");
    EXPECT_FALSE(dialog.job.source.compressed);
}

}  // namespace
