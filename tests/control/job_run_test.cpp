// Whole jobs through the window with the real engine: the four modes from
// Start to the report, read errors answered by the user, cancel and close
// while the copy runs, and copies that leave the target incomplete.
#include <boost/format.hpp>
#include <chrono>
#include <thread>

#include "control/text_format.h"
#include "dialog_fixture.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

class JobRun : public DialogTest {
protected:
    // What the task held when the closing box came up.
    struct Ending {
        std::int64_t startTime = 0;
        std::int64_t finishTime = 0;
        std::int64_t elapsed = 0;
    };

    // Starts the job in the window and ticks until it is over.
    Ending Run() {
        window.Answer([this](const RecordingWindow::Box&) { return RecordEnd(); });
        dialog.OnStart();
        EXPECT_NE(dialog.task, nullptr) << "the job did not start";
        if (dialog.task) {
            ending_.startTime = dialog.task->startTime;
        }
        TickUntilIdle();
        return ending_;
    }
    const Ending& LastEnding() const { return ending_; }
    // For the closing box of a run that a test drives itself.
    void RecordEndAtTheClosingBox() {
        window.Answer([this](const RecordingWindow::Box&) { return RecordEnd(); });
    }

    // The log without the hash and verify lines, whose values the engine's
    // tests check; each copy has its SHA-256 line.
    std::vector<std::wstring> ReportLines() {
        std::vector<std::wstring> lines;
        bool hashed = false;
        for (const std::wstring& line : window.LogLines()) {
            if (line.rfind(L"SHA-256: ", 0) == 0) {
                hashed = line.size() == 9 + 64;
            } else if (line.rfind(L"Image SHA-256: ", 0) != 0 &&
                       line.rfind(L"Verified: ", 0) != 0) {
                lines.push_back(line);
            }
        }
        EXPECT_TRUE(hashed || dialog.lastOutcome.ending == JobEnding::None);
        return lines;
    }

    // The report as the window writes it for these numbers.
    static std::vector<std::wstring> Report(const Ending& end, const std::wstring& sourceBytes,
                                            std::int64_t copied) {
        std::vector<std::wstring> lines = {L"Finish Time: " + FormatTimestamp(end.finishTime)};
        if (end.elapsed > 0) {
            lines.push_back(L"Average Speed: " + FormatByteSize(copied / end.elapsed) + L"/s");
        }
        lines.push_back(L"Duration: " + FormatDuration(end.elapsed));
        lines.push_back(L"Source Bytes: " + sourceBytes);
        lines.push_back(L"Copied Bytes: " + std::to_wstring(copied));
        return lines;
    }
    static std::wstring CopiedLine(const Ending& end, std::int64_t copied) {
        return L"Copied " + FormatByteSize(copied) + L" in " + FormatDuration(end.elapsed);
    }

    // Saves a 3 MiB disk whose sector at failureOffset cannot be read, and
    // waits, without ticking, until the copy thread raises the read error.
    void StartAndAwaitReadError(std::int64_t failureOffset) {
        disks.Add(0, MakeDiskData(3 * kMiB, 9)).readFailures[failureOffset] = -1;
        dialog.SetSource(Disk(0), L"");
        dialog.SetTarget(InDir("out.dsk"));
        dialog.OnStart();
        ASSERT_NE(dialog.task, nullptr);
        ending_.startTime = dialog.task->startTime;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!dialog.task->readErrorPending) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    // A job that ran to its end: the whole log, the closing box, the window idle.
    void ExpectCompleteRun(const Ending& end, const std::wstring& sourceBytes, std::int64_t size,
                           const std::wstring& doneMessage, const std::wstring& compression = L"",
                           const std::vector<std::wstring>& compressionLines = {}) {
        EXPECT_EQ(
            ReportLines(),
            Join(Join(Join(Summary(compression), Report(end, sourceBytes, size)), compressionLines),
                 {CopiedLine(end, size)}));
        EXPECT_EQ(Boxes(L"Done"), std::vector<std::wstring>{doneMessage});
        EXPECT_EQ(window.boxes.back().style, BoxStyle::Ok | BoxStyle::IconInformation);
        EXPECT_EQ(dialog.lastOutcome.ending, JobEnding::Completed);
        EXPECT_EQ(dialog.lastOutcome.copiedBytes, size);
        ExpectIdleAfterTheJob();
    }

    void ExpectIdleAfterTheJob() {
        EXPECT_EQ(dialog.task, nullptr);
        EXPECT_FALSE(window.timerRunning);
        EXPECT_TRUE(Enabled(ControlId::StartButton));  // the same job can run again
        EXPECT_FALSE(Enabled(ControlId::CancelButton));
        EXPECT_TRUE(Enabled(ControlId::SourceEdit));
        EXPECT_EQ(window.focus, ControlId::MoreInfoButton);
        EXPECT_EQ(window.executionStates, (std::vector<std::uint32_t>{0x80000041u, 0x80000000u}));
        EXPECT_EQ(disks.OpenHandles(), 0);
    }

    std::vector<std::wstring> Summary(const std::wstring& compression = L"") {
        std::vector<std::wstring> lines = {L"Source: " + dialog.job.source.path,
                                           L"Target: " + dialog.job.target.path};
        if (!compression.empty()) {
            lines.push_back(compression);
        }
        lines.push_back(L"Start Time: " + FormatTimestamp(ending_.startTime));
        return lines;
    }

    static std::vector<std::wstring> Join(std::vector<std::wstring> a,
                                          const std::vector<std::wstring>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    Ending ending_;

private:
    int RecordEnd() {
        ending_.finishTime = dialog.task->finishTime;
        ending_.elapsed = dialog.task->ElapsedSeconds();
        return BoxResult::Ok;
    }
};

TEST_F(JobRun, DiskCloning) {
    const Bytes data = MakeDiskData(3 * kMiB + 4321, 3);
    disks.Add(0, data);
    disks.Add(1, Bytes(data.size() + 512, 0));
    dialog.SetSource(Disk(0), L"Model");
    dialog.SetTarget(Disk(1));
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    const Ending end = Run();
    ExpectCompleteRun(end, std::to_wstring(size), size,
                      L"Cloning finished. The drives may now be removed.");
    EXPECT_EQ(window.statusText, L"Disk Cloning: 100%");
    EXPECT_EQ(window.progressPosition, 10000);
    EXPECT_EQ(window.At(ControlId::CopiedText).text, FormatByteSize(size));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), disks.Disk(1).data.begin()));
}

TEST_F(JobRun, SavingACompressedImage) {
    const Bytes data = MakeDiskData(2 * kMiB + 99, 4);
    disks.Add(0, data);
    dialog.job.level = 6;
    dialog.SetSource(Disk(0), L"");
    dialog.SetTarget(InDir("saved/disk.dsk.gz"));
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    const Ending end = Run();
    const auto compressed =
        static_cast<std::int64_t>(std::filesystem::file_size(dir / "saved/disk.dsk.gz"));
    ExpectCompleteRun(end, std::to_wstring(size), size, L"Image creation finished.",
                      L"Compress: Gzip, Level=6",
                      {L"Compressed Size: " + FormatByteSize(compressed),
                       L"Compression Ratio: " + std::to_wstring(compressed * 100 / size) + L"%"});
    EXPECT_EQ(window.statusText, L"Saving Image: 100%");
    ASSERT_EQ(
        Shell("gzip -dc " + Quoted(dir / "saved/disk.dsk.gz") + " > " + Quoted(dir / "unpacked")),
        0);
    EXPECT_EQ(ReadFile(dir / "unpacked"), data);
}

TEST_F(JobRun, WritingACompressedImageOntoADisk) {
    const Bytes data = MakeDiskData(3 * kMiB + 17, 5);
    WriteFile(dir / "in.dsk", data);
    ASSERT_EQ(Shell("bzip2 -c " + Quoted(dir / "in.dsk") + " > " + Quoted(dir / "in.dsk.bz2")), 0);
    disks.Add(1, Bytes(kMiB, 0));  // smaller, but a compressed source raises no question
    disks.Disk(1).data.resize(4 * kMiB);
    dialog.SetSource(InDir("in.dsk.bz2"), L"");
    dialog.SetTarget(Disk(1));
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    const Ending end = Run();
    ExpectCompleteRun(end, L"Unknown", size,
                      L"Image writing finished. The drive may now be removed.");
    // Its progress is the part of the compressed file read.
    EXPECT_TRUE(Shown(ControlId::ProgressBar));
    EXPECT_EQ(window.progressPosition, 10000);
    EXPECT_EQ(window.statusText, L"Writing Image: 100%");
    EXPECT_TRUE(std::equal(data.begin(), data.end(), disks.Disk(1).data.begin()));
}

TEST_F(JobRun, ConvertingARawImageWithANonAsciiName) {
    const Bytes data = MakeDiskData(kMiB + 1, 6);
    WriteFile(dir / "quelle-\xc3\xa9.dsk", data);
    dialog.SetSource(InDir("quelle-\xc3\xa9.dsk"), L"");
    dialog.SetTarget(InDir("ziel-\xc3\xa9.dsk"));
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    const Ending end = Run();
    ExpectCompleteRun(end, std::to_wstring(size), size, L"Image conversion finished.");
    EXPECT_EQ(window.statusText, L"Converting Image: 100%");
    EXPECT_EQ(ReadFile(dir / "ziel-\xc3\xa9.dsk"), data);
}

TEST_F(JobRun, RetryThenIgnoreZerosOnlyWhatStaysUnreadable) {
    Bytes data = MakeDiskData(3 * kMiB + 1000, 7);
    SimulatedDisk& source = disks.Add(0, data);
    source.readFailures[kMiB + 10] = -1;
    source.readFailures[3 * kMiB + 10] = -1;
    disks.Add(1, Bytes(data.size(), 0));
    dialog.SetSource(Disk(0), L"");
    dialog.SetTarget(Disk(1));
    window.Answer(BoxResult::Retry);
    window.Answer(BoxResult::Ignore);
    window.Answer(BoxResult::Ignore);
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    const Ending end = Run();
    const std::vector<std::wstring> lines = ReportLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], L"Retry at position 1048576");
    EXPECT_EQ(lines[4], L"Skipped 4096 bytes at position 1048576");
    EXPECT_EQ(lines[5], L"Skipped 1000 bytes at position 3145728");
    const std::wstring lost =
        L"Cloning finished. The drives may now be removed. But 4.97 KB (5096 bytes) of the "
        L"source could not be read and were written as zeros, the first at position 1048576.";
    std::vector<std::wstring> report = Report(end, std::to_wstring(size), size);
    report.push_back(L"Zero-Filled Bytes: 5096");
    EXPECT_EQ(std::vector<std::wstring>(lines.begin() + 6, lines.end()),
              Join(report, {CopiedLine(end, size), lost}));
    std::fill_n(data.begin() + kMiB, 4096, 0);
    std::fill(data.begin() + 3 * kMiB, data.end(), 0);
    EXPECT_EQ(disks.Disk(1).data, data);
    EXPECT_EQ(Boxes(L"Error").size(), 3u);
    EXPECT_EQ(Boxes(L"Done"), std::vector<std::wstring>{lost});
    EXPECT_EQ(window.boxes.back().style, BoxStyle::Ok | BoxStyle::IconWarning);
    EXPECT_EQ(ReportLines().back(), lost);
    EXPECT_EQ(dialog.lastOutcome.ending, JobEnding::Completed);
    EXPECT_EQ(dialog.lastOutcome.zeroFilledBytes, 5096);
    EXPECT_EQ(dialog.lastOutcome.firstZeroFilledPosition, kMiB);
    ExpectIdleAfterTheJob();
}

TEST_F(JobRun, AbortStopsAtTheUnreadableBlock) {
    disks.Add(0, MakeDiskData(3 * kMiB, 8)).readFailures[kMiB + 5] = -1;
    dialog.SetSource(Disk(0), L"");
    dialog.SetTarget(InDir("out.dsk"));
    window.Answer(BoxResult::Abort);
    const Ending end = Run();
    const std::vector<std::wstring> lines = ReportLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], L"Cancelled due to read error");
    const std::wstring aborted =
        L"Aborted after a read error at position 1048576: the target holds only the first 1.00 "
        L"MB.";
    EXPECT_EQ(std::vector<std::wstring>(lines.begin() + 4, lines.end()),
              Join(Report(end, std::to_wstring(3 * kMiB), kMiB), {CopiedLine(end, kMiB), aborted}));
    EXPECT_EQ(Boxes(L"Aborted"), std::vector<std::wstring>{aborted});
    EXPECT_EQ(dialog.lastOutcome.ending, JobEnding::ReadErrorAborted);
    EXPECT_EQ(dialog.lastOutcome.failurePosition, kMiB);
    EXPECT_EQ(std::filesystem::file_size(dir / "out.dsk"), static_cast<std::uintmax_t>(kMiB));
    ExpectIdleAfterTheJob();
}

TEST_F(JobRun, CancelWhileTheCopyWaitsForAnAnswer) {
    StartAndAwaitReadError(2 * kMiB);
    ASSERT_NE(dialog.task, nullptr);
    dialog.OnStart();
    EXPECT_EQ(Boxes(L"Error"), std::vector<std::wstring>{L"Task already started"});
    window.Answer(BoxResult::Ok);
    dialog.OnCancelTask();  // returns once the copy has ended
    ASSERT_TRUE(dialog.task->finished);
    EXPECT_EQ(dialog.task->ending, CopyEnding::Cancelled);
    RecordEndAtTheClosingBox();
    TickUntilIdle();
    const Ending end = LastEnding();
    const std::wstring cancelled =
        L"Cancelled at 2.00 MB of 3.00 MB: the target holds only the first 2.00 MB.";
    EXPECT_EQ(ReportLines(), Join(Join(Summary(), Report(end, std::to_wstring(3 * kMiB), 2 * kMiB)),
                                  {CopiedLine(end, 2 * kMiB), cancelled}));
    EXPECT_EQ(Boxes(L"Error"), std::vector<std::wstring>{L"Task already started"});  // no question
    EXPECT_EQ(Boxes(L"Cancelled"), std::vector<std::wstring>{cancelled});
    EXPECT_EQ(dialog.lastOutcome.ending, JobEnding::Cancelled);
    EXPECT_FALSE(window.endResult.has_value());
    ExpectIdleAfterTheJob();
}

TEST_F(JobRun, CloseWhileRunningClosesAfterTheReport) {
    StartAndAwaitReadError(kMiB);
    ASSERT_NE(dialog.task, nullptr);
    window.Answer(BoxResult::Cancel);
    dialog.OnCloseRequest();
    EXPECT_FALSE(dialog.task->cancelRequested);
    EXPECT_FALSE(window.endResult.has_value());
    window.Answer(BoxResult::Ok);
    dialog.OnCloseRequest();
    EXPECT_TRUE(dialog.closeWhenDone);
    EXPECT_FALSE(window.endResult.has_value());
    RecordEndAtTheClosingBox();
    TickUntilIdle();
    const Ending end = LastEnding();
    EXPECT_EQ(Boxes(L"Cancelled").size(), 1u);
    EXPECT_EQ(ReportLines()[ReportLines().size() - 2], CopiedLine(end, kMiB));
    EXPECT_EQ(window.endResult, 0);
}

TEST_F(JobRun, FailedWriteIsReportedAsAnIncompleteTarget) {
    disks.Add(0, MakeDiskData(3 * kMiB, 11));
    disks.Add(1, Bytes(3 * kMiB, 0)).writeLimit = kMiB + kMiB / 2;
    dialog.SetSource(Disk(0), L"");
    dialog.SetTarget(Disk(1));
    const Ending end = Run();
    const std::wstring reason =
        L"Writing to the target failed at position 1572864. The target is incomplete.";
    const std::vector<std::wstring> lines = ReportLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].substr(0, 7), L"Copied ");
    EXPECT_EQ(lines.back(), L"Error: " + reason);
    EXPECT_TRUE(Boxes(L"Done").empty());
    EXPECT_EQ(Boxes(L"Error"), std::vector<std::wstring>{reason});
    EXPECT_EQ(window.boxes.back().style, 0x10u);
    (void)end;
    ExpectIdleAfterTheJob();
}

TEST_F(JobRun, ALinkToACharacterDeviceIsNoImageTarget) {
    WriteFile(dir / "in.dsk", MakeDiskData(2 * kMiB, 14));
    std::filesystem::create_symlink("/dev/full", dir / "full.dsk.gz");
    dialog.SetSource(InDir("in.dsk"), L"");
    dialog.SetTarget(InDir("full.dsk.gz"));
    dialog.OnStart();
    EXPECT_EQ(dialog.task, nullptr);
    EXPECT_EQ(Boxes(L"Error"),
              std::vector<std::wstring>{InDir("full.dsk.gz") +
                                        L" is a character device, not a disk or an image file."});
}

TEST_F(JobRun, AnAgreedTruncationCompletesAndSaysWhatWasLeftOut) {
    const Bytes data = MakeDiskData(3 * kMiB, 15);
    WriteFile(dir / "in.dsk", data);
    disks.Add(1, Bytes(2 * kMiB + 512, 0));
    dialog.SetSource(InDir("in.dsk"), L"");
    dialog.SetTarget(Disk(1));
    window.Answer(BoxResult::Ok);  // "Truncate"
    const Ending end = Run();
    EXPECT_EQ(Boxes(L"Done"),
              std::vector<std::wstring>{
                  L"Image writing finished. The drive may now be removed. The last 1048064 "
                  L"bytes of the source did not fit on the target and were not copied."});
    EXPECT_EQ(ReportLines().back(), CopiedLine(end, 2 * kMiB + 512));
    EXPECT_TRUE(disks.Disk(1).data == Bytes(data.begin(), data.begin() + 2 * kMiB + 512));
    ExpectIdleAfterTheJob();
}

TEST_F(JobRun, CorruptSourceImageIsReportedAsAnIncompleteTarget) {
    WriteFile(dir / "in.dsk", MakeDiskData(4 * kMiB, 12));
    ASSERT_EQ(Shell("gzip -1 -c " + Quoted(dir / "in.dsk") + " > " + Quoted(dir / "in.dsk.gz")), 0);
    Bytes packed = ReadFile(dir / "in.dsk.gz");
    for (std::size_t i = packed.size() / 2; i < packed.size() / 2 + 64; ++i) {
        packed[i] ^= 0x5a;
    }
    WriteFile(dir / "in.dsk.gz", packed);
    dialog.SetSource(InDir("in.dsk.gz"), L"");
    dialog.SetTarget(InDir("out.dsk"));
    Run();
    const std::vector<std::wstring> lines = ReportLines();
    ASSERT_GE(lines.size(), 3u);
    const std::wstring copied =
        lines[lines.size() - 3].substr(std::wstring(L"Copied Bytes: ").size());
    const std::wstring reason =
        L"Reading the source image failed at position " + copied + L". The target is incomplete.";
    EXPECT_EQ(lines.back(), L"Error: " + reason);
    EXPECT_EQ(Boxes(L"Error"), std::vector<std::wstring>{reason});
    EXPECT_TRUE(Boxes(L"Done").empty());
}

TEST_F(JobRun, SourceDiskEndingEarlyIsReportedAsAnIncompleteTarget) {
    disks.Add(0, MakeDiskData(kMiB, 13)).firstSectorLength = 0;  // the disk gives nothing
    dialog.SetSource(Disk(0), L"");
    dialog.SetTarget(InDir("out.dsk"));
    Run();
    const std::wstring reason =
        L"Reading the source disk failed at position 0. The target is incomplete.";
    EXPECT_EQ(ReportLines().back(), L"Error: " + reason);
    EXPECT_EQ(Boxes(L"Error"), std::vector<std::wstring>{reason});
}

}  // namespace
