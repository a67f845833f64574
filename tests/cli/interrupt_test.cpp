// Ctrl-C and SIGTERM in the middle of a long gzip job: the copy ends through
// its finishing sequence, so the image is a complete gzip file of what was
// copied, and brevel-cli ends with status 130.
#include <signal.h>

#include <regex>

#include "cli_fixture.h"

namespace {

// A disk of 64 GiB: disk-like data in its first 8 MiB, so that the gzip
// image starts to grow at once, and zeros after it in a sparse file that
// takes no room.
class Interrupt : public CliTest {
protected:
    void SetUp() override {
        WriteFile(In("huge.dsk"), MakeDiskData(8 * kMiB, 11));
        std::filesystem::resize_file(In("huge.dsk"), kSize);
    }

    bool ImageStarted() const {
        std::error_code error;
        return std::filesystem::file_size(In("huge.dsk.gz"), error) > 0 && !error;
    }

    // The image passes gzip -t and holds exactly the bytes copied.
    void ExpectCompleteImageOfCopiedBytes(const std::string& out) {
        EXPECT_EQ(Shell("gzip -t " + InShell("huge.dsk.gz")), 0);
        std::smatch match;
        static const std::regex copied(R"(\nCopied Bytes: (\d+)\n)");
        ASSERT_TRUE(std::regex_search(out, match, copied)) << out;
        const std::int64_t bytes = std::stoll(match[1].str());
        EXPECT_GT(bytes, 0);
        EXPECT_LT(bytes, kSize);
        const std::string unpack = "gzip -dc " + InShell("huge.dsk.gz");
        std::string count;
        ASSERT_EQ(Capture(unpack + " | wc -c", count), 0);
        EXPECT_EQ(std::stoll(count), bytes);
        EXPECT_EQ(
            Shell(unpack + " | cmp -s -n " + std::to_string(bytes) + " - " + InShell("huge.dsk")),
            0)
            << "the image differs from the disk's first bytes";
    }

    static constexpr std::int64_t kSize = 64LL * 1024 * kMiB;
};

TEST_F(Interrupt, SigintAndSigtermCancelAndCloseTheImage) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal));
        std::filesystem::remove(In("huge.dsk.gz"));
        CliProcess cli(env, {"--level", "9", "huge.dsk", "huge.dsk.gz"});
        ASSERT_TRUE(cli.WaitUntil([&](const std::string& out) {
            return out.find("Start Time: ") != std::string::npos && ImageStarted();
        }));
        cli.Signal(signal);
        const CliResult run = cli.Finish();
        EXPECT_EQ(run.status, 130) << run.err;
        EXPECT_EQ(run.err, "Cancel: Cancel the running task? [y/N] y (interrupted)\n");
        EXPECT_NE(run.out.find("\nCopied Bytes: "), std::string::npos) << run.out;
        ExpectCompleteImageOfCopiedBytes(run.out);
    }
}

TEST_F(Interrupt, CtrlCOnTheTerminalAfterTheProgressLine) {
    PtySession session(env, {"huge.dsk", "huge.dsk.gz"});
    // As pv shows it: "3%  2.02 GB of 64.0 GB  284 MB/s  3:43 left".
    ASSERT_TRUE(session.WaitFor(" of 64.0 GB  ")) << session.Output();
    ASSERT_TRUE(session.WaitFor(" left\x1b[K")) << session.Output();
    session.Type("\x03");
    EXPECT_EQ(session.Finish(), 130);
    const std::string output = session.Output();
    // The progress line is erased before the question's answer is shown.
    EXPECT_NE(output.find("\x1b[KCancel: Cancel the running task? [y/N] y (interrupted)\n"),
              std::string::npos)
        << output;
    ExpectCompleteImageOfCopiedBytes(output);
}

// Ctrl-C while the target is read back: the copy stays complete, the ending
// says it was not verified.
TEST_F(Interrupt, CtrlCWhileVerifyingLeavesACompleteCopy) {
    std::filesystem::resize_file(In("huge.dsk"), 2LL * 1024 * kMiB);
    PtySession session(env, {"--verify", "--level", "1", "huge.dsk", "huge.dsk.gz"});
    ASSERT_TRUE(session.WaitFor("Verifying: ")) << session.Output();
    session.Type("\x03");
    EXPECT_EQ(session.Finish(), 130);
    const std::string output = session.Output();
    EXPECT_NE(output.find("\nVerification cancelled: the target was not verified.\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(Shell("gzip -t " + InShell("huge.dsk.gz")), 0);
    EXPECT_EQ(Shell("cd " + Quoted(In("")) + " && sha256sum --quiet -c huge.dsk.gz.sha256"), 0);
}

}  // namespace
