// Image-to-image jobs through brevel-cli: the exact log on standard output,
// and images that the standard tools test and unpack to the same bytes.
#include "cli_fixture.h"

namespace {

struct Format {
    const char* extension;
    const char* compress;     // the --compress name
    const char* summaryLine;  // the summary's compression line, level 6
    const char* testCommand;  // the real tool's integrity test, "" for none
    const char* unpack;       // the real tool, file to stdout
    const char* pack;         // the real tool, stdin to stdout
};

const Format kFormats[] = {
    {".dsk", "none", "", "", "cat", "cat"},
    {".dsk.gz", "gzip", "Compress: Gzip, Level=6\n", "gzip -t", "gzip -dc", "gzip -6 -c"},
    {".dsk.bz2", "bzip2", "Compress: Bzip2, Level=6\n", "bzip2 -t", "bzip2 -dc", "bzip2 -6 -c"},
    {".dsk.zz", "zlib", "Compress: Zlib, Level=6\n", "pigz -dzc >/dev/null", "pigz -dzc",
     "pigz -z -6 -c"},
    {".dsk.xz", "xz", "Compress: Xz, Level=6\n", "xz -t", "xz -dc", "xz -T2 -6 -c"},
    {".dsk.zst", "zstd", "Compress: Zstd, Level=6\n", "zstd -q -t", "zstd -q -dc",
     "zstd -q -T2 -6 -c"},
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.extension;
}

bool Compressed(const Format& format) {
    return std::string(format.compress) != "none";
}

class FormatJobs : public CliTest, public ::testing::WithParamInterface<Format> {
protected:
    void SetUp() override { WriteFile(In("disk.dsk"), data); }

    std::vector<std::string> LevelOption() const {
        return Compressed(GetParam()) ? std::vector<std::string>{"--level", "6"}
                                      : std::vector<std::string>{};
    }

    // A disk-like source of five and a bit blocks.
    const Bytes data = MakeDiskData(5 * kMiB + 4321, 7);
};

TEST_P(FormatJobs, SavesTheImageWithTheWholeLogOnStandardOutput) {
    const std::string target = std::string("out") + GetParam().extension;
    std::vector<std::string> arguments = LevelOption();
    arguments.insert(arguments.end(), {"disk.dsk", target});
    const CliResult run = Run(arguments);

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");  // no terminal: no progress line
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    const std::int64_t packed =
        Compressed(GetParam()) ? static_cast<std::int64_t>(std::filesystem::file_size(In(target)))
                               : -1;
    EXPECT_EQ(Masked(run.out), "Source: disk.dsk\nTarget: " + target + "\n" +
                                   GetParam().summaryLine + "Start Time: <time>\n" +
                                   ReportLines(std::to_string(size), size, packed, target) +
                                   "Image conversion finished.\n");
    // The hashes are sha256sum's: of the data, and of the file in NAME.sha256.
    std::string sum;
    ASSERT_EQ(Capture("sha256sum < " + InShell("disk.dsk"), sum), 0);
    EXPECT_NE(run.out.find("\nSHA-256: " + sum.substr(0, 64) + "\n"), std::string::npos);
    EXPECT_EQ(Shell("cd " + Quoted(In("")) + " && sha256sum --quiet -c " + target + ".sha256"), 0);
}

TEST_P(FormatJobs, ImagesPassTheStandardToolsBothWays) {
    const Format& format = GetParam();
    const std::string saved = std::string("saved") + format.extension;
    std::vector<std::string> arguments = LevelOption();
    arguments.insert(arguments.end(), {"disk.dsk", saved});
    ASSERT_EQ(Run(arguments).status, 0);
    if (*format.testCommand != '\0') {
        EXPECT_EQ(Shell(std::string(format.testCommand) + " " + InShell(saved)), 0);
    }
    ASSERT_EQ(
        Shell(std::string(format.unpack) + " " + InShell(saved) + " > " + InShell("unpacked.img")),
        0);
    EXPECT_EQ(DescribeDifference(ReadFile(In("unpacked.img")), data), "");

    // An image the standard tool wrote, back to a raw image.
    const std::string packed = std::string("tool") + format.extension;
    ASSERT_EQ(
        Shell(std::string(format.pack) + " < " + InShell("disk.dsk") + " > " + InShell(packed)), 0);
    const CliResult back = Run({packed, "back.dsk"});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(DescribeDifference(ReadFile(In("back.dsk")), data), "");
    // A compressed source has no size before the copy.
    const std::string sourceBytes = Compressed(format) ? "Unknown" : std::to_string(data.size());
    EXPECT_NE(Masked(back.out).find(ReportLines(sourceBytes, data.size(), -1, "back.dsk")),
              std::string::npos)
        << back.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, FormatJobs, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& info) {
                             return std::string(info.param.compress);
                         });

using Jobs = CliTest;

TEST_F(Jobs, OneCompressedImageBecomesAnother) {
    const Bytes data = MakeDiskData(3 * kMiB + 17, 9);
    WriteFile(In("disk.dsk"), data);
    ASSERT_EQ(Shell("gzip -c " + InShell("disk.dsk") + " > " + InShell("a.dsk.gz")), 0);
    const CliResult run = Run({"--level", "9", "a.dsk.gz", "b.dsk.bz2"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Shell("bzip2 -t " + InShell("b.dsk.bz2")), 0);
    ASSERT_EQ(Shell("bzip2 -dc " + InShell("b.dsk.bz2") + " > " + InShell("b.img")), 0);
    EXPECT_EQ(DescribeDifference(ReadFile(In("b.img")), data), "");
    EXPECT_NE(run.out.find("Compress: Bzip2, Level=9\n"), std::string::npos) << run.out;
}

TEST_F(Jobs, ADamagedSourceImageIsAFailureNotASuccess) {
    WriteFile(In("disk.dsk"), MakeDiskData(3 * kMiB, 3));
    ASSERT_EQ(
        Shell("gzip -c " + InShell("disk.dsk") + " | head -c 400000 > " + InShell("cut.dsk.gz")),
        0);
    const CliResult run = Run({"cut.dsk.gz", "out.dsk"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\nError: Reading the source image failed at position "),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.err.rfind("Error: Reading the source image failed at position ", 0), 0u)
        << run.err;
    EXPECT_EQ(run.out.find("Image conversion finished."), std::string::npos)
        << "a failure reads as a success";
}

TEST_F(Jobs, PaddingIsLoggedAndTrailingBytesArePlacedAfterTheData) {
    const Bytes data = MakeDiskData(2 * kMiB + 5, 4);
    WriteFile(In("disk.dsk"), data);
    ASSERT_EQ(Shell("gzip -c " + InShell("disk.dsk") + " > " + InShell("p.dsk.gz") +
                    " && head -c 4096 /dev/zero >> " + InShell("p.dsk.gz")),
              0);
    const CliResult padded = Run({"p.dsk.gz", "p.dsk"});
    EXPECT_EQ(padded.status, 0) << padded.err;
    EXPECT_NE(padded.out.find("\nIgnored 4096 zero bytes after the end of the compressed data\n"),
              std::string::npos)
        << padded.out;
    EXPECT_EQ(DescribeDifference(ReadFile(In("p.dsk")), data), "");

    ASSERT_EQ(Shell("gzip -c " + InShell("disk.dsk") + " > " + InShell("g.dsk.gz") +
                    " && printf junk >> " + InShell("g.dsk.gz")),
              0);
    const CliResult junk = Run({"g.dsk.gz", "g.dsk"});
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(junk.err,
              "Error: Reading the source image failed at position 2097157. The target "
              "is incomplete.\n");
    EXPECT_EQ(DescribeDifference(ReadFile(In("g.dsk")), data), "");
}

TEST_F(Jobs, NamesThatAreNotUtf8ReachTheFileSystemAsTheyAre) {
    const Bytes data = MakeDiskData(kMiB + 3, 5);
    WriteFile(In("caf\xe9.dsk"), data);  // Latin-1
    const CliResult run = Run({"caf\xe9.dsk", "bad\xff.dsk"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(DescribeDifference(ReadFile(In("bad\xff.dsk")), data), "");
    EXPECT_NE(run.out.find("Target: bad\xff.dsk\n"), std::string::npos) << run.out;
}

TEST_F(Jobs, AFileSizeLimitIsAFailedWriteWhereTheFileEnds) {
    const Bytes data = MakeDiskData(3 * kMiB, 6);
    WriteFile(In("disk.dsk"), data);
    std::string out;
    // The shell counts the limit in its own units; the file's size is the truth.
    const int status =
        Capture("cd " + Quoted(dir.Path()) + " && HOME=" + Quoted(env.home) +
                    " && ulimit -f 1536 && " BREVEL_CLI_PATH " disk.dsk lim.dsk 2>&1",
                out);
    EXPECT_EQ(status, 1) << out;
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(In("lim.dsk")));
    ASSERT_GT(size, 0);
    ASSERT_LT(size, 3 * kMiB);  // the limit falls inside the data
    const std::string at = std::to_string(size);
    EXPECT_NE(out.find("\nCopied Bytes: " + at + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Error: Writing to the target failed at position " + at +
                       ". The target is incomplete.\n"),
              std::string::npos)
        << out;
    EXPECT_TRUE(ReadFile(In("lim.dsk")) == Bytes(data.begin(), data.begin() + size));
}

}  // namespace

TEST_F(Jobs, VerifyReadsAnImageBackAndIsRemembered) {
    WriteFile(In("disk.dsk"), MakeDiskData(2 * kMiB + 5, 4));
    CliResult run = Run({"--verify", "disk.dsk", "v.dsk.gz"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\nVerified: the target reads back as written.\n"), std::string::npos)
        << run.out;
    run = Run({"disk.dsk", "w.dsk"});  // the choice for image targets stays
    EXPECT_NE(run.out.find("\nVerified: "), std::string::npos) << run.out;
    run = Run({"--no-verify", "disk.dsk", "x.dsk"});
    EXPECT_EQ(run.out.find("Verif"), std::string::npos) << run.out;
}
