// The progress monitor and the report, on tasks whose fields the tests set:
// read-outs, progress, the read-error question, the report lines and the
// closing boxes.
#include "control/text_format.h"
#include "dialog_fixture.h"

namespace {

CloneJob Job(EndpointKind source, EndpointKind target, std::int64_t sourceSize,
             bool compressedTarget = false) {
    CloneJob job;
    job.source = {source == EndpointKind::PhysicalDisk ? L"\\\\.\\PhysicalDrive0" : L"in.dsk",
                  source, false, CompressionMethod::None};
    job.target = {target == EndpointKind::PhysicalDisk ? L"\\\\.\\PhysicalDrive1" : L"out.dsk",
                  target, compressedTarget,
                  compressedTarget ? CompressionMethod::Gzip : CompressionMethod::None};
    job.level = 6;
    job.sourceSize = sourceSize;
    return job;
}

class Monitor : public DialogTest {
protected:
    void Tick(int times) {
        for (int i = 0; i < times; ++i) {
            dialog.OnTimer();
        }
    }
    // Ends the injected task at the given times and ticks once.
    void Finish(std::int64_t position, std::int64_t start, std::int64_t finish,
                CopyEnding ending = CopyEnding::Completed, std::int64_t failureAt = -1) {
        CCloneTask& task = *dialog.task;
        task.position = position;
        task.startTime = start;
        task.finishTime = finish;
        task.ending = ending;
        task.failurePosition = failureAt;
        task.finished = true;
        window.At(ControlId::LogEdit).text.clear();
        dialog.OnTimer();
    }
};

TEST_F(Monitor, ReadoutsChangeEveryTenthTick) {
    CCloneTask& task = InjectTask(Job(EndpointKind::ImageFile, EndpointKind::ImageFile, 1000));
    task.position = 999;
    Tick(9);
    EXPECT_TRUE(window.progressPositions.empty());
    EXPECT_EQ(window.At(ControlId::CopiedText).text, L"");
    Tick(1);
    EXPECT_EQ(window.progressPosition, 9990);
    EXPECT_EQ(window.statusText, L"Converting Image: 99%");
    EXPECT_EQ(window.At(ControlId::CopiedText).text, L"999 bytes");
    EXPECT_EQ(window.At(ControlId::SpeedText).text, L"999 bytes/s");
    task.position = 1000;
    Tick(10);
    EXPECT_EQ(window.progressPosition, 10000);
    EXPECT_EQ(window.statusText, L"Converting Image: 100%");
    // The speed is the average of the seconds seen so far, up to five.
    EXPECT_EQ(window.At(ControlId::SpeedText).text, L"500 bytes/s");
    EXPECT_EQ(window.progressPositions.size(), 2u);
    dialog.task.reset();
}

TEST_F(Monitor, SpeedIsAveragedAndTheTimeLeftToldAfterThreeSeconds) {
    CCloneTask& task = InjectTask(Job(EndpointKind::ImageFile, EndpointKind::PhysicalDisk, 10000));
    // A copy that moves in whole blocks: 1000 bytes in every other second.
    const std::int64_t positions[] = {1000, 1000, 2000, 2000, 3000, 3000, 4000};
    std::vector<std::wstring> speeds;
    for (const std::int64_t position : positions) {
        task.position = position;
        Tick(10);
        speeds.push_back(window.At(ControlId::SpeedText).text);
    }
    EXPECT_EQ(speeds, (std::vector<std::wstring>{L"1000 bytes/s", L"500 bytes/s", L"666 bytes/s",
                                                 L"500 bytes/s", L"600 bytes/s", L"400 bytes/s",
                                                 L"600 bytes/s"}));
    // 6000 bytes left at 3000 bytes in the last five seconds.
    EXPECT_EQ(window.statusText, L"Writing Image: 40% - 0:10 left");
    EXPECT_EQ(dialog.progress.percent, 40);
    EXPECT_EQ(dialog.progress.total, L"9.76 KB");
    EXPECT_EQ(window.statusTexts[1], L"Writing Image: 10%");  // too early to tell
    dialog.task.reset();
}

TEST_F(Monitor, TheVerifyPassHasItsOwnPercentageSpeedAndTimeLeft) {
    CCloneTask& task = InjectTask(Job(EndpointKind::ImageFile, EndpointKind::PhysicalDisk, 10000));
    task.position = 10000;
    Tick(10);
    task.verifyLength = 10000;
    task.verifying = true;
    for (const std::int64_t position : {1000, 2000, 3000, 4200}) {
        task.verifyPosition = position;
        Tick(10);
    }
    EXPECT_EQ(window.statusText, L"Verifying: 42% - 0:05 left");
    EXPECT_EQ(dialog.progress.phase, L"Verifying");
    EXPECT_EQ(dialog.progress.copied, L"4.10 KB");
    EXPECT_EQ(window.At(ControlId::SpeedText).text, L"1.02 KB/s");
    dialog.task.reset();
}

TEST_F(Monitor, ModeTitlesAndAClampedBar) {
    const std::pair<CloneJob, const wchar_t*> modes[] = {
        {Job(EndpointKind::PhysicalDisk, EndpointKind::PhysicalDisk, 4000), L"Disk Cloning: 150%"},
        {Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 4000), L"Saving Image: 150%"},
        {Job(EndpointKind::ImageFile, EndpointKind::PhysicalDisk, 4000), L"Writing Image: 150%"},
    };
    for (const auto& [job, status] : modes) {
        InjectTask(job).position = 6000;  // a disk larger than validated
        Tick(10);
        EXPECT_EQ(window.statusText, status);
        EXPECT_EQ(window.progressPosition, 10000);
    }
    dialog.task.reset();
}

TEST_F(Monitor, LargeDisksDoNotOverflowTheProgress) {
    const std::int64_t size = std::int64_t{16} << 50;  // 16 PB
    InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, size)).position = size / 4;
    Tick(10);
    EXPECT_EQ(window.progressPosition, 2500);
    EXPECT_EQ(window.statusText, L"Saving Image: 25%");
    dialog.task.reset();
}

TEST_F(Monitor, UnknownSourceSizeLeavesBarAndStatusAlone) {
    InjectTask(Job(EndpointKind::ImageFile, EndpointKind::ImageFile, -1)).position = 5000;
    Tick(10);
    EXPECT_TRUE(window.progressPositions.empty());
    EXPECT_TRUE(window.statusTexts.empty());
    EXPECT_EQ(window.At(ControlId::CopiedText).text, L"4.88 KB");
    Finish(5000, 100, 100);
    EXPECT_EQ(window.LogLines()[2], L"Source Bytes: Unknown");
    EXPECT_TRUE(window.progressPositions.empty());
}

TEST_F(Monitor, ReportAfterACompleteCopy) {
    InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 10485760));
    window.At(ControlId::SpeedText).text = L"1.00 MB/s";
    Finish(10485760, 1000, 1010);
    const std::vector<std::wstring> expected = {L"Finish Time: " + FormatTimestamp(1010),
                                                L"Average Speed: 1.00 MB/s",
                                                L"Duration: 0:00:10s",
                                                L"Source Bytes: 10485760",
                                                L"Copied Bytes: 10485760",
                                                L"Copied 10.0 MB in 0:00:10s"};
    EXPECT_EQ(window.LogLines(), expected);
    EXPECT_EQ(window.At(ControlId::CopiedText).text, L"10.0 MB");  // the last read-out stays
    EXPECT_EQ(window.At(ControlId::SpeedText).text, L"");
    EXPECT_FALSE(window.timerRunning);
    EXPECT_EQ(window.executionStates, std::vector<std::uint32_t>{0x80000000u});
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].caption, L"Done");
    EXPECT_EQ(window.boxes[0].text, L"Image creation finished.");
    EXPECT_EQ(window.boxes[0].style, 0x40u);
    EXPECT_EQ(dialog.task, nullptr);
    EXPECT_EQ(dialog.tickCount, 0);
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    EXPECT_FALSE(Enabled(ControlId::CancelButton));
    EXPECT_TRUE(Enabled(ControlId::SourceEdit));
    EXPECT_EQ(window.focus, ControlId::MoreInfoButton);
    EXPECT_FALSE(window.endResult.has_value());
}

TEST_F(Monitor, SameSecondHasNoAverageSpeed) {
    InjectTask(Job(EndpointKind::ImageFile, EndpointKind::ImageFile, 2000));
    Finish(2000, 1000, 1000);
    const std::vector<std::wstring> expected = {
        L"Finish Time: " + FormatTimestamp(1000), L"Duration: 0:00:00s", L"Source Bytes: 2000",
        L"Copied Bytes: 2000", L"Copied 1.95 KB in 0:00:00s"};
    EXPECT_EQ(window.LogLines(), expected);
}

TEST_F(Monitor, CompressedTargetReportsItsSizeAndRatio) {
    CloneJob job = Job(EndpointKind::ImageFile, EndpointKind::ImageFile, 10000, true);
    job.target.path = InDir("out.dsk.gz");
    WriteFile(dir / "out.dsk.gz", Bytes(3500, 1));
    InjectTask(job);
    Finish(10000, 1000, 1002);
    std::vector<std::wstring> lines = window.LogLines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5], L"Compressed Size: 3.41 KB");
    EXPECT_EQ(lines[6], L"Compression Ratio: 35%");

    InjectTask(job);  // nothing copied: no ratio
    Finish(0, 1000, 1000);
    lines = window.LogLines();
    EXPECT_EQ(lines[4], L"Compressed Size: 3.41 KB");
    EXPECT_EQ(lines[5], L"Copied 0 bytes in 0:00:00s");

    job.target.path = InDir("gone.dsk.gz");
    InjectTask(job);
    Finish(10000, 1000, 1000);
    lines = window.LogLines();
    EXPECT_EQ(lines[4], L"Compressed Size: Unknown");
    EXPECT_EQ(lines[5], L"Copied 9.76 KB in 0:00:00s");
}

TEST_F(Monitor, IncompleteTargetsEndWithAnErrorInsteadOfDone) {
    const struct {
        CloneJob job;
        CopyEnding ending;
        const wchar_t* reason;
    } cases[] = {
        {Job(EndpointKind::ImageFile, EndpointKind::PhysicalDisk, 4000), CopyEnding::WriteFailed,
         L"Writing to the target failed at position 2097152. The target is incomplete."},
        {Job(EndpointKind::ImageFile, EndpointKind::ImageFile, -1), CopyEnding::SourceUnreadable,
         L"Reading the source image failed at position 2097152. The target is incomplete."},
        {Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 4000),
         CopyEnding::SourceUnreadable,
         L"Reading the source disk failed at position 2097152. The target is incomplete."},
        {Job(EndpointKind::ImageFile, EndpointKind::PhysicalDisk, 4000), CopyEnding::VerifyFailed,
         L"Verification failed at position 2097152: the target differs from what was written."},
        {Job(EndpointKind::ImageFile, EndpointKind::ImageFile, 4000), CopyEnding::VerifyUnreadable,
         L"Verification failed at position 2097152: the target could not be read back."},
    };
    for (const auto& c : cases) {
        window.boxes.clear();
        InjectTask(c.job);
        Finish(3145728, 1000, 1001, c.ending, 2097152);
        const std::vector<std::wstring> lines = window.LogLines();
        EXPECT_EQ(lines[lines.size() - 2].substr(0, 7), L"Copied ");
        EXPECT_EQ(lines.back(), std::wstring(L"Error: ") + c.reason);
        ASSERT_EQ(window.boxes.size(), 1u);
        EXPECT_EQ(window.boxes[0].caption, L"Error");
        EXPECT_EQ(window.boxes[0].text, c.reason);
        EXPECT_EQ(window.boxes[0].style, 0x10u);
        EXPECT_EQ(dialog.task, nullptr);
    }
}

TEST_F(Monitor, CancelAndAbortAreWarningsThatSayWhatTheTargetHolds) {
    const struct {
        CopyEnding ending;
        std::int64_t sourceSize;
        const wchar_t* caption;
        const wchar_t* text;
        JobEnding outcome;
    } cases[] = {
        {CopyEnding::Cancelled, 4000, L"Cancelled",
         L"Cancelled at 1.00 KB of 3.90 KB: the target holds only the first 1.00 KB, without its "
         L"first MiB, which is written last and is as it was.",
         JobEnding::Cancelled},
        {CopyEnding::Cancelled, -1, L"Cancelled",
         L"Cancelled at 1.00 KB: the target holds only the first 1.00 KB, without its first MiB, "
         L"which is written last and is as it was.",
         JobEnding::Cancelled},
        {CopyEnding::ReadErrorAborted, 4000, L"Aborted",
         L"Aborted after a read error at position 1024: the target holds only the first 1.00 KB, "
         L"without its first MiB, which is written last and is as it was.",
         JobEnding::ReadErrorAborted},
    };
    for (const auto& c : cases) {
        window.boxes.clear();
        InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::PhysicalDisk, c.sourceSize));
        Finish(1024, 1000, 1001, c.ending, c.ending == CopyEnding::Cancelled ? -1 : 1024);
        EXPECT_TRUE(Boxes(L"Done").empty());
        EXPECT_EQ(Boxes(c.caption), std::vector<std::wstring>{c.text});
        EXPECT_EQ(window.boxes.back().style, BoxStyle::Ok | BoxStyle::IconWarning);
        EXPECT_EQ(window.LogLines().back(), c.text);
        EXPECT_EQ(dialog.lastOutcome.ending, c.outcome);
        EXPECT_EQ(dialog.lastOutcome.copiedBytes, 1024);
    }
}

TEST_F(Monitor, ReadErrorAnswersAreLoggedAndHandedToTheCopy) {
    const struct {
        int answer;
        ReadErrorAnswer stored;
        const wchar_t* line;
    } cases[] = {
        {BoxResult::Abort, ReadErrorAnswer::Abort, L"Cancelled due to read error"},
        {BoxResult::Retry, ReadErrorAnswer::Retry, L"Retry at position 3145728"},
        // What stays unreadable is logged run by run when the job ends.
        {BoxResult::Ignore, ReadErrorAnswer::Ignore, nullptr},
        {BoxResult::Cancel, static_cast<ReadErrorAnswer>(2), nullptr},  // stops as Abort
        {0, ReadErrorAnswer::Abort, nullptr},  // a box that failed must not leave it waiting
    };
    for (const auto& c : cases) {
        CCloneTask& task = InjectTask(
            Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, std::int64_t{8} << 20));
        task.position = 3145728;
        task.readErrorPending = true;
        window.At(ControlId::LogEdit).text.clear();
        window.boxes.clear();
        window.Answer([&](const RecordingWindow::Box&) {
            dialog.OnTimer();  // ticks in the box's message loop ask nothing
            dialog.OnTimer();
            return c.answer;
        });
        dialog.OnTimer();
        ASSERT_EQ(window.boxes.size(), 1u);
        EXPECT_EQ(window.boxes[0].text, L"A read error occured.");
        EXPECT_EQ(window.boxes[0].caption, L"Error");
        EXPECT_EQ(window.boxes[0].style, 0x142u);
        EXPECT_FALSE(task.readErrorPending);
        EXPECT_EQ(task.readErrorAnswer, c.stored);
        EXPECT_EQ(window.Log(), c.line ? std::wstring(c.line) + L"\r\n" : L"");
    }
    dialog.task.reset();
}

TEST_F(Monitor, NoQuestionForAFinishedCopy) {
    CCloneTask& task = InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 4000));
    task.readErrorPending = true;  // raised just before a cancel ended the wait
    Finish(0, 1000, 1001, CopyEnding::Cancelled);
    EXPECT_TRUE(Boxes(L"Error").empty());
    EXPECT_EQ(Boxes(L"Cancelled").size(), 1u);
}

TEST_F(Monitor, CancelAndCloseWhileIdle) {
    window.At(ControlId::LogEdit).text = L"Source: a\r\nTarget: b\r\n";
    dialog.OnCancelTask();
    EXPECT_EQ(window.Log(), L"Source: a\r\nTarget: b\r\nError: no task to cancel\r\n");
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_FALSE(window.endResult.has_value());
    dialog.OnCloseRequest();
    EXPECT_EQ(window.endResult, 0);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(Monitor, CancelQuestionAnsweredCancelLeavesTheRunGoing) {
    CCloneTask& task = InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 4000));
    window.Answer(BoxResult::Cancel);
    dialog.OnCancelTask();
    window.Answer(BoxResult::Cancel);
    dialog.OnCloseRequest();
    ASSERT_EQ(window.boxes.size(), 2u);
    for (const RecordingWindow::Box& box : window.boxes) {
        EXPECT_EQ(box.text, L"Cancel the running task?");
        EXPECT_EQ(box.caption, L"Cancel");
        EXPECT_EQ(box.style, 0x131u);
    }
    EXPECT_FALSE(task.cancelRequested);
    EXPECT_FALSE(dialog.closeWhenDone);
    EXPECT_FALSE(window.endResult.has_value());
    dialog.task.reset();
}

TEST_F(Monitor, JobEndingDuringTheCancelQuestionIsNotTouchedAgain) {
    InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 4000)).finished = true;
    window.Answer([&](const RecordingWindow::Box&) {
        dialog.OnTimer();  // a tick in the question's message loop ends the job
        return BoxResult::Ok;
    });
    dialog.OnCancelTask();
    EXPECT_EQ(dialog.task, nullptr);
    EXPECT_EQ(Boxes(L"Done").size(), 1u);

    InjectTask(Job(EndpointKind::PhysicalDisk, EndpointKind::ImageFile, 4000)).finished = true;
    window.Answer([&](const RecordingWindow::Box&) {
        dialog.OnTimer();
        return BoxResult::Ok;
    });
    dialog.OnCloseRequest();
    EXPECT_EQ(window.endResult, 0);  // closes at once
    EXPECT_FALSE(dialog.closeWhenDone);
}

}  // namespace
