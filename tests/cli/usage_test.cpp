// What brevel-cli says and returns for usage errors, help, refused jobs and
// arguments that name no disk.
#include <tuple>

#include "cli_fixture.h"

namespace {

struct Misuse {
    const char* name;
    std::vector<std::string> arguments;
    bool syntax = true;  // the command line does not parse: the synopsis follows
};

void PrintTo(const Misuse& misuse, std::ostream* out) {
    *out << misuse.name;
}

class UsageErrors : public CliTest, public ::testing::WithParamInterface<Misuse> {};

TEST_P(UsageErrors, SayWhatIsWrongAndTouchNothing) {
    WriteFile(In("disk.dsk"), Bytes(4096, 1));
    const CliResult run = Run(GetParam().arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("brevel-cli: ", 0), 0u) << run.err;
    const std::string hint = "\nTry 'brevel-cli --help' for more.\n";
    EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), hint.size())), hint);
    EXPECT_EQ(run.err.find("\nUsage: brevel-cli ") != std::string::npos, GetParam().syntax)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(In("out.dsk")));
    EXPECT_FALSE(std::filesystem::exists(In("out.dsk.gz")));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, UsageErrors,
    ::testing::Values(
        Misuse{"NoPaths", {}}, Misuse{"OnePath", {"disk.dsk"}},
        Misuse{"ThreePaths", {"disk.dsk", "out.dsk", "third.dsk"}},
        Misuse{"UnknownOption", {"--fast", "disk.dsk", "out.dsk"}},
        Misuse{"LevelZero", {"--level", "0", "disk.dsk", "out.dsk.gz"}},
        Misuse{"LevelTwenty", {"--level=20", "disk.dsk", "out.dsk.zst"}},
        Misuse{"LevelNotANumber", {"--level", "6x", "disk.dsk", "out.dsk.gz"}},
        Misuse{"LevelWithoutValue", {"disk.dsk", "out.dsk.gz", "--level"}},
        Misuse{"UnknownCompression", {"--compress", "lz4", "disk.dsk", "out.dsk"}},
        Misuse{"UnknownPolicy", {"--on-read-error=skip", "disk.dsk", "out.dsk"}},
        Misuse{"ValueForAFlag", {"--yes=no", "disk.dsk", "out.dsk"}},
        Misuse{"ListDisksWithPaths", {"--list-disks", "disk.dsk"}},
        // Controls that the window disables for these jobs.
        Misuse{"LevelForARawImage", {"--level", "5", "disk.dsk", "out.dsk"}, false},
        Misuse{"LevelTenForGzip", {"--level=10", "disk.dsk", "out.dsk.gz"}, false},
        Misuse{"CompressForADisk", {"--compress", "gzip", "disk.dsk", "disk:999"}, false}),
    [](const ::testing::TestParamInfo<Misuse>& info) { return std::string(info.param.name); });

using Cli = CliTest;

TEST_F(Cli, HelpAndVersion) {
    const CliResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: brevel-cli ", 0), 0u);
    EXPECT_NE(help.out.find("Exit status: 0 completed"), std::string::npos);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(Run({"disk.dsk", "--help", "x"}).status, 0);  // help wins over the rest

    const CliResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "brevel-cli 2312\n");
    EXPECT_FALSE(std::filesystem::exists(env.home / ".config"));
}

TEST_F(Cli, AMissingSourceIsRefusedWithTheWindowsMessage) {
    const CliResult run = Run({"missing.dsk", "out.dsk"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Source: missing.dsk\nTarget: out.dsk\n");
    EXPECT_EQ(run.err, "Error: Source file not found\n");
    EXPECT_FALSE(std::filesystem::exists(In("out.dsk")));
}

TEST_F(Cli, RefusedJobsEndWithStatusOneAndLeaveTheSourceAlone) {
    const Bytes data = MakeDiskData(kMiB, 4);
    WriteFile(In("disk.dsk"), data);
    WriteFile(In("empty.dsk"), Bytes());
    std::filesystem::create_directory(In("folder.dsk"));
    for (const auto& [source, target, message] : {
             std::tuple{"disk.dsk", "disk.dsk", "Specified source and target are the same"},
             std::tuple{"disk.dsk", "./disk.dsk", "Specified source and target are the same"},
             std::tuple{"empty.dsk", "out.dsk", "Source is zero bytes"},
             std::tuple{"folder.dsk", "out.dsk", "folder.dsk is a folder, not an image file."},
             std::tuple{"disk.dsk", "disk.dsk/out.dsk",
                        "Could not create target directory: Not a directory"},
             std::tuple{"", "out.dsk", "Source path not specified"},
             // Names that look like disks but are none.
             std::tuple{"disk.dsk", "disk:",
                        "'disk:' names no disk: disk: takes a disk number from the disk list"},
             std::tuple{"disk.dsk", "/dev/null",
                        "/dev/null is a character device, not a disk or an image file."},
         }) {
        SCOPED_TRACE(std::string(source) + " to " + target);
        const CliResult run = Run({source, target});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("Error: ") + message + "\n");
        EXPECT_EQ(run.out.find("Start Time"), std::string::npos) << run.out;
    }
    EXPECT_EQ(DescribeDifference(ReadFile(In("disk.dsk")), data), "");
    EXPECT_FALSE(std::filesystem::exists(In("out.dsk")));
}

TEST_F(Cli, ImagesUnderDevAreImagesAndExistingTargetsAreAskedAbout) {
    WriteFile(In("disk.dsk"), MakeDiskData(kMiB, 4));
    TempDir shm("/dev/shm");
    const std::string target = (shm / "x.dsk").string();
    const CliResult made = Run({"disk.dsk", target});
    EXPECT_EQ(made.status, 0) << made.err;
    const std::string question =
        "Confirm: " + target + " already exists. Do you want to replace it? [y/N] ";
    const CliResult refused = Run({"disk.dsk", target});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, question + "n (no terminal to ask; --yes answers y)\n");
    const CliResult replaced = Run({"--yes", "disk.dsk", target});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.err, question + "y (--yes)\n");
    EXPECT_EQ(ReadFile(target), ReadFile(In("disk.dsk")));
}

TEST_F(Cli, DoubleDashEndsTheOptions) {
    WriteFile(In("-odd.dsk"), Bytes(1000, 3));
    const CliResult run = Run({"--", "-odd.dsk", "out.dsk"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(In("out.dsk")), Bytes(1000, 3));
}

}  // namespace
