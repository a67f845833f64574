// brevel-cli on real block devices: loop devices over files, and a loop
// device over our FUSE file system for unreadable sectors. The questions are
// answered through a pseudo-terminal as a user would, or by the options
// without one. Needs root, loop devices and FUSE; skips without.
#include <memory>

#include "cli_fixture.h"
#include "disks/path_text.h"
#include "faulty_disk.h"
#include "loop_device.h"

namespace {

Bytes Prefix(const Bytes& data, std::int64_t size) {
    return Bytes(data.begin(), data.begin() + size);
}

using Disks = CliTest;

TEST_F(Disks, ListDisksShowsALoopDevice) {
    WriteFile(In("disk.img"), MakeDiskData(2 * kMiB + 512, 2));
    LoopDevice loop(In("disk.img"));
    SKIP_UNLESS_READY(loop);
    const CliResult run = Run({"--list-disks"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Disk ", 0), 0u) << run.out;  // the header
    const std::string path = WideToUtf8(loop.DiskPath());
    const std::size_t at = run.out.find(path);
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::size_t begin = run.out.rfind('\n', at) + 1;
    const std::string row = run.out.substr(begin, run.out.find('\n', at) - begin);
    EXPECT_EQ(row.rfind("Disk " + std::to_string(loop.Number()) + " ", 0), 0u) << row;
    EXPECT_NE(row.find(" 2097664  " + path + "  " + loop.Node()), std::string::npos) << row;
}

TEST_F(Disks, ADeviceNodeAndADiskNumberNameTheSameDisk) {
    const Bytes data = MakeDiskData(2 * kMiB + 512, 3);
    WriteFile(In("disk.img"), data);
    LoopDevice loop(In("disk.img"));
    SKIP_UNLESS_READY(loop);
    const std::string path = WideToUtf8(loop.DiskPath());

    const CliResult saved = Run({"--level", "6", loop.Node(), "saved.dsk.gz"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out.rfind("Source: " + loop.Node() + "\nTarget: saved.dsk.gz\n", 0), 0u)
        << saved.out;
    EXPECT_EQ(saved.out.substr(saved.out.size() - 26), "\nImage creation finished.\n");
    ASSERT_EQ(Shell("gzip -dc " + InShell("saved.dsk.gz") + " > " + InShell("unpacked")), 0);
    EXPECT_EQ(DescribeDifference(ReadFile(In("unpacked")), data), "");

    const CliResult raw = Run({"disk:" + std::to_string(loop.Number()), "saved.dsk"});
    EXPECT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(DescribeDifference(ReadFile(In("saved.dsk")), data), "");
    EXPECT_EQ(DescribeDifference(ReadFile(In("disk.img")), data), "") << "source changed";

    // The same disk under two names is one disk; a link to the node names it too.
    std::filesystem::create_symlink(loop.Node(), In("link"));
    const std::string zeroPadded = "\\\\.\\PhysicalDrive0" + std::to_string(loop.Number());
    for (const std::string& other : {zeroPadded, In("link").string()}) {
        const CliResult same = Run({"--yes", "disk:" + std::to_string(loop.Number()), other});
        EXPECT_EQ(same.status, 1);
        EXPECT_EQ(same.err, "Error: Specified source and target are the same\n");
    }
    EXPECT_EQ(DescribeDifference(ReadFile(In("disk.img")), data), "");
}

TEST_F(Disks, WritesAnImageOntoAnEmptyDiskOnly) {
    Bytes data = MakeDiskData(2 * kMiB + 512, 4);
    data[510] = 0x55;  // a first sector that is not empty
    WriteFile(In("image.dsk"), data);
    WriteFile(In("target.img"), Bytes(3 * kMiB, 0));
    LoopDevice target(In("target.img"));
    SKIP_UNLESS_READY(target);

    const std::string question = "Confirm: All data on Disk " + std::to_string(target.Number()) +
                                 " (" + target.Node() + ", 3.00 MB) will be destroyed. Continue? " +
                                 "[y/N] ";
    const CliResult refused = Run({"image.dsk", target.Node()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, question + "n (no terminal to ask; --yes answers y)\n");
    EXPECT_EQ(ReadFile(In("target.img")), Bytes(3 * kMiB, 0));

    const CliResult written = Run({"--yes", "image.dsk", target.Node()});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_NE(written.out.find("\nImage writing finished. The drive may now be removed.\n"),
              std::string::npos)
        << written.out;
    Bytes expected = data;
    expected.resize(3 * kMiB, 0);
    EXPECT_EQ(DescribeDifference(ReadFile(In("target.img")), expected), "");

    // Now its first sector holds data.
    const CliResult again = Run({"--yes", "image.dsk", target.Node()});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "Error: First sector of the target drive " + target.Node() +
                             " must be empty. To erase the disk, run 'wipefs --all " +
                             target.Node() + "' and then 'dd if=/dev/zero of=" + target.Node() +
                             " bs=1M count=1' (both destroy its data).\n");
}

TEST_F(Disks, AMountedDiskIsRefusedWithItsMountPointAndStaysIntact) {
    WriteFile(In("image.dsk"), MakeDiskData(kMiB, 4));
    WriteFile(In("target.img"), Bytes(16 * kMiB, 0));
    if (Shell("mkfs.ext4 -q -F " + InShell("target.img") + " >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "mkfs.ext4 is not installed";
    }
    LoopDevice target(In("target.img"));
    SKIP_UNLESS_READY(target);
    std::filesystem::create_directory(In("mnt"));
    ASSERT_EQ(Shell("mount " + Quoted(target.Node()) + " " + InShell("mnt")), 0);
    const CliResult refused = Run({"--yes", "image.dsk", target.Node()});
    EXPECT_EQ(Shell("umount " + InShell("mnt")), 0);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "Error: " + target.Node() +
                               " is in use and cannot be written: " + target.Node() +
                               " is mounted on " + In("mnt").string() + ". Unmount it first.\n");
    EXPECT_EQ(Shell("e2fsck -n -f " + InShell("target.img") + " >/dev/null 2>&1"), 0);
}

TEST_F(Disks, ADiskReplacedWhileTheQuestionWaitsIsNotWritten) {
    WriteFile(In("image.dsk"), MakeDiskData(kMiB, 4));
    WriteFile(In("chosen.img"), Bytes(2 * kMiB, 0));
    WriteFile(In("other.img"), Bytes(3 * kMiB, 0));
    auto chosen = std::make_unique<LoopDevice>(In("chosen.img"));
    SKIP_UNLESS_READY(*chosen);
    const std::string node = chosen->Node();
    PtySession session(env, {"image.dsk", node});
    ASSERT_TRUE(session.WaitFor("will be destroyed. Continue? [y/N] ")) << session.Output();
    // The device goes and another takes its place, and its number.
    chosen.reset();
    LoopDevice other(In("other.img"));
    SKIP_UNLESS_READY(other);
    session.Type("y");
    EXPECT_EQ(session.Finish(), 1);
    EXPECT_NE(session.Output().find("The disk list has changed; choose the disk again."),
              std::string::npos)
        << session.Output() << " (the new device is " << other.Node() << ", was " << node << ")";
    EXPECT_EQ(ReadFile(In("other.img")), Bytes(3 * kMiB, 0));
    EXPECT_EQ(ReadFile(In("chosen.img")), Bytes(2 * kMiB, 0));
}

// A source image a mebibyte larger than the empty target disk.
class Truncate : public CliTest {
protected:
    void SetUp() override {
        WriteFile(In("image.dsk"), data);
        WriteFile(In("target.img"), Bytes(2 * kMiB, 0));
        target = std::make_unique<LoopDevice>(In("target.img"));
        SKIP_UNLESS_READY(*target);
    }
    void TearDown() override { target.reset(); }

    bool TargetUntouched() { return ReadFile(In("target.img")) == Bytes(2 * kMiB, 0); }

    const Bytes data = MakeDiskData(3 * kMiB, 5);
    std::unique_ptr<LoopDevice> target;
    const std::string question =
        "Truncate: Source is 1.00 MB larger than the target drive. Do you want to continue "
        "anyway? [y/N] ";
    std::string Confirmation() const {
        return "Confirm: All data on Disk " + std::to_string(target->Number()) + " (" +
               target->Node() + ", 2.00 MB) will be destroyed. Continue? [y/N] ";
    }
    // Agreed to: the copy completes with what fits.
    const std::string done =
        "\nImage writing finished. The drive may now be removed. The last 1048576 bytes of the "
        "source did not fit on the target and were not copied.\n";
};

TEST_F(Truncate, NoOrEnterOnTheTerminalLeavesTheDiskAlone) {
    for (const std::string answer : {"n", ""}) {
        SCOPED_TRACE("answer '" + answer + "'");
        PtySession session(env, {"image.dsk", target->Node()});
        ASSERT_TRUE(session.WaitFor(question)) << session.Output();
        session.Type(answer);
        EXPECT_EQ(session.Finish(), 1);
        EXPECT_EQ(session.Output().find("Start Time"), std::string::npos) << session.Output();
        EXPECT_TRUE(TargetUntouched());
    }
}

TEST_F(Truncate, YesOnTheTerminalCopiesWhatFitsAndSaysWhatWasLeftOut) {
    PtySession session(env, {"image.dsk", target->Node()});
    ASSERT_TRUE(session.WaitFor(question)) << session.Output();
    session.Type("maybe");  // asked again
    ASSERT_TRUE(session.WaitFor(question)) << session.Output();
    session.Type("y");
    ASSERT_TRUE(session.WaitFor(Confirmation())) << session.Output();
    session.Type("y");
    EXPECT_EQ(session.Finish(), 0);
    EXPECT_NE(session.Output().find(done), std::string::npos) << session.Output();
    EXPECT_NE(session.Output().find("\nCopied Bytes: 2097152\n"), std::string::npos);
    EXPECT_EQ(DescribeDifference(ReadFile(In("target.img")), Prefix(data, 2 * kMiB)), "");
}

TEST_F(Truncate, WithoutATerminalOnlyYesContinues) {
    const CliResult refused = Run({"image.dsk", target->Node()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, question + "n (no terminal to ask; --yes answers y)\n");
    EXPECT_TRUE(TargetUntouched());

    const CliResult forced = Run({"--yes", "image.dsk", target->Node()});
    EXPECT_EQ(forced.status, 0);
    EXPECT_EQ(forced.err, question + "y (--yes)\n" + Confirmation() + "y (--yes)\n");
    EXPECT_NE(forced.out.find(done), std::string::npos) << forced.out;
    EXPECT_NE(forced.out.find("Start Time: "), std::string::npos) << forced.out;
    EXPECT_EQ(DescribeDifference(ReadFile(In("target.img")), Prefix(data, 2 * kMiB)), "");
}

// A disk whose second mebibyte starts with an unreadable page.
class ReadError : public CliTest {
protected:
    void SetUp() override {
        WriteFile(In("disk.img"), data);
        disk = std::make_unique<FaultyDisk>(In("disk.img"), kMiB, 4096);
        SKIP_UNLESS_READY(*disk);
        path = WideToUtf8(disk->DiskPath());
    }
    void TearDown() override { disk.reset(); }

    // Only the unreadable page becomes zeros.
    Bytes WithZeroedPage() const {
        Bytes expected = data;
        std::fill_n(expected.begin() + kMiB, 4096, 0);
        return expected;
    }

    const Bytes data = MakeDiskData(3 * kMiB + 512 * 7, 6);
    std::unique_ptr<FaultyDisk> disk;
    std::string path;
    const std::string question = "Error: A read error occured. Abort, retry or ignore? [a/R/i] ";
};

TEST_F(ReadError, EnterRetriesAndIgnoreWritesZerosInItsPlace) {
    PtySession session(env, {path, "saved.dsk"});
    ASSERT_TRUE(session.WaitFor(question)) << session.Output();
    session.Type("");
    ASSERT_TRUE(session.WaitFor(question)) << session.Output();
    session.Type("i");
    EXPECT_EQ(session.Finish(), 0);
    const std::string output = session.Output();
    EXPECT_NE(output.find("\nRetry at position 1048576\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Skipped 4096 bytes at position 1048576\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\nImage creation finished. But 4.00 KB (4096 bytes) of the source "
                          "could not be read and were written as zeros, the first at position "
                          "1048576.\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(DescribeDifference(ReadFile(In("saved.dsk")), WithZeroedPage()), "");
}

TEST_F(ReadError, AbortOnTheTerminalEndsWithStatusThree) {
    PtySession session(env, {path, "saved.dsk"});
    ASSERT_TRUE(session.WaitFor(question)) << session.Output();
    session.Type("abort");
    EXPECT_EQ(session.Finish(), 3);
    EXPECT_NE(session.Output().find("\nCancelled due to read error\n"), std::string::npos)
        << session.Output();
    EXPECT_EQ(DescribeDifference(ReadFile(In("saved.dsk")), Prefix(data, kMiB)), "");
}

TEST_F(ReadError, WithoutATerminalThePolicyAnswers) {
    const CliResult aborted = Run({path, "a.dsk"});
    EXPECT_EQ(aborted.status, 3);
    EXPECT_EQ(aborted.err, question + "abort (no terminal to ask; see --on-read-error)\n");
    EXPECT_NE(aborted.out.find("\nCancelled due to read error\n"), std::string::npos);

    const CliResult ignored = Run({"--on-read-error", "ignore", path, "b.dsk"});
    EXPECT_EQ(ignored.status, 0);
    EXPECT_EQ(ignored.err, question + "ignore (--on-read-error ignore)\n");
    EXPECT_EQ(DescribeDifference(ReadFile(In("b.dsk")), WithZeroedPage()), "");
}

TEST_F(ReadError, RetryWithoutATerminalGivesUpAfterThreeRetries) {
    const CliResult run = Run({"--on-read-error", "retry", path, "c.dsk"});
    EXPECT_EQ(run.status, 3);
    const std::string retry = question + "retry (--on-read-error retry)\n";
    EXPECT_EQ(run.err, retry + retry + retry + question +
                           "abort (--on-read-error retry: 3 retries of this block failed)\n");
    EXPECT_EQ(DescribeDifference(ReadFile(In("c.dsk")), Prefix(data, kMiB)), "");
}

}  // namespace
