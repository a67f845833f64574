// Start: every check in its order, the "Truncate" question, and the start.
#include <sys/stat.h>

#include <boost/filesystem.hpp>

#include "control/text_format.h"
#include "dialog_fixture.h"

namespace {

class Validation : public DialogTest {
protected:
    // Presses Start and returns the one error shown, if any.
    std::wstring StartError() {
        window.boxes.clear();
        dialog.OnStart();
        const std::vector<std::wstring> errors = Boxes(L"Error");
        EXPECT_LE(errors.size(), 1u);
        return errors.empty() ? L"" : errors.front();
    }
    void ExpectRefused(const std::wstring& message) {
        EXPECT_EQ(StartError(), message);
        EXPECT_EQ(dialog.task, nullptr);
        EXPECT_FALSE(window.timerRunning);
        EXPECT_EQ(disks.OpenHandles(), 0);
    }
    std::wstring RawImage(const std::string& name, std::size_t size) {
        WriteFile(dir / name, MakeDiskData(size));
        return InDir(name);
    }
};

TEST_F(Validation, PathsAreCheckedFirstSourceBeforeTarget) {
    ExpectRefused(L"Source path not specified");
    dialog.SetTarget(L"out.dsk");
    ExpectRefused(L"Source path not specified");
    dialog.SetTarget(L"");
    dialog.SetSource(L"in.dsk", L"");
    ExpectRefused(L"Target path not specified");
    dialog.SetTarget(L"in.dsk");
    ExpectRefused(L"Specified source and target are the same");
}

TEST_F(Validation, OneDiskUnderTwoNamesIsTheSame) {
    disks.Add(1, Bytes(4096, 0));
    dialog.SetSource(L"\\\\.\\PhysicalDrive1", L"");
    for (const wchar_t* name : {L"\\\\.\\physicaldrive01", L"disk:1", L"DISK:001"}) {
        dialog.SetTarget(name);
        ExpectRefused(L"Specified source and target are the same");
    }
    EXPECT_EQ(disks.Disk(1).opens, 0);
}

TEST_F(Validation, TwoNamesOfOneImageFileAreTheSame) {
    const std::wstring source = RawImage("x.dsk", 4096);
    boost::filesystem::create_directory(dir.Path().string() + "/sub");
    boost::filesystem::create_hard_link(dir.Path().string() + "/x.dsk",
                                        dir.Path().string() + "/hard.dsk");
    boost::filesystem::create_symlink(dir.Path().string() + "/x.dsk",
                                      dir.Path().string() + "/soft.dsk");
    dialog.SetSource(source, L"");
    for (const char* other : {"sub/../x.dsk", "./x.dsk", "hard.dsk", "soft.dsk"}) {
        dialog.SetTarget(InDir(other));
        ExpectRefused(L"Specified source and target are the same");
    }
    EXPECT_EQ(ReadFile(dir / "x.dsk"), MakeDiskData(4096));
}

TEST_F(Validation, SourceDiskMustOpenAndTellItsSize) {
    dialog.SetSource(Disk(0), L"");
    dialog.SetTarget(InDir("out.dsk"));
    ExpectRefused(L"Could not open source drive: there is no disk 0 (see the disk list)");
    disks.Add(0, Bytes(4096, 1)).openFails = true;
    dialog.SetSource(Disk(0), L"");
    ExpectRefused(L"Could not open source drive: Input/output error");
    disks.Disk(0).openFails = false;
    disks.Disk(0).sizeFails = true;
    ExpectRefused(L"Could not get source drive size");
    disks.Add(0, Bytes());
    dialog.SetSource(Disk(0), L"");
    ExpectRefused(L"Source is zero bytes");
    EXPECT_EQ(dialog.job.sourceSize, 0);
}

TEST_F(Validation, ADiskThatIsNoLongerWhereItWasChosenIsNeverOpened) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    disks.Add(1, Bytes(8192, 0));
    dialog.SetTarget(Disk(1));
    // A device attached before it: the chosen disk is now number 2, and
    // number 1 is another disk.
    disks.Renumber(1, 2);
    disks.Add(1, Bytes(8192, 0)).model = "Other Disk";
    ExpectRefused(L"The disk list has changed; choose the disk again.");
    EXPECT_FALSE(disks.Disk(1).written);
    EXPECT_FALSE(disks.Disk(2).written);
}

TEST_F(Validation, AnotherCardOfTheSameSizeInTheSameReaderIsNeverOpened) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    disks.Add(1, Bytes(8192, 0));
    dialog.SetTarget(Disk(1));
    disks.Disk(1).sequence = 2;  // the same device, size and model: another medium
    ExpectRefused(L"The disk list has changed; choose the disk again.");
    EXPECT_FALSE(disks.Disk(1).written);
}

TEST_F(Validation, DisksThatChangeWhileTheQuestionWaitsAreNotWritten) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    disks.Add(1, Bytes(8192, 0));
    dialog.SetTarget(Disk(1));
    window.confirmAnswer.reset();
    window.Answer([this](const RecordingWindow::Box&) {
        disks.Renumber(1, 2);
        disks.Add(1, Bytes(8192, 0)).minor = 77;
        return BoxResult::Yes;
    });
    ExpectRefused(L"The disk list has changed; choose the disk again.");
    EXPECT_FALSE(disks.Disk(1).written);
    EXPECT_FALSE(disks.Disk(2).written);
}

TEST_F(Validation, ATargetInUseIsRefusedBeforeAnyQuestion) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    disks.Add(1, Bytes(8192, 0)).busy = true;
    dialog.SetTarget(Disk(1));
    ExpectRefused(
        L"/dev/sim1 is in use and cannot be written (by a mount, swap, a RAID or device-mapper "
        L"holder, or another program). Unmount it first.");
    EXPECT_EQ(Boxes(L"Confirm").size(), 0u);
}

TEST_F(Validation, WritingADiskAsksFirstWithNoAsTheDefault) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    disks.Add(1, Bytes(8192, 0));
    dialog.SetTarget(L"disk:1");
    window.confirmAnswer = BoxResult::No;
    ExpectRefused(L"");
    ASSERT_EQ(Boxes(L"Confirm").size(), 1u);
    EXPECT_EQ(Boxes(L"Confirm")[0],
              L"All data on Disk 1 (/dev/sim1, Simulated Disk, 8.00 KB) will be destroyed. "
              L"Continue?");
    EXPECT_EQ(window.boxes.back().style,
              BoxStyle::YesNo | BoxStyle::IconWarning | BoxStyle::DefaultButton2);
    EXPECT_FALSE(disks.Disk(1).written);
    window.confirmAnswer = BoxResult::Yes;
    EXPECT_EQ(StartError(), L"");
    EXPECT_NE(dialog.task, nullptr);
}

TEST_F(Validation, NamesOfThingsThatAreNeitherDiskNorImageAreRefused) {
    const std::string fifo = (dir / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    dialog.SetSource(Wide(fifo), L"");
    dialog.SetTarget(InDir("out.dsk"));
    ExpectRefused(Wide(fifo) + L" is a named pipe (FIFO), not a disk or an image file.");
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    dialog.SetTarget(L"/dev/null");
    ExpectRefused(L"/dev/null is a character device, not a disk or an image file.");
    dialog.SetTarget(L"disk:one");
    ExpectRefused(L"'disk:one' names no disk: disk: takes a disk number from the disk list");
}

TEST_F(Validation, ATargetRenamedByTheCompressionControlsMeetsTheChecksOfItsNewName) {
    // The typed name is a harmless new file; the name it gets when compression
    // is switched on is a pipe, which must be refused as if typed.
    const std::string fifo = (dir / "out.dsk.gz").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    dialog.SetTarget(InDir("out.dsk"));
    dialog.job.target.compressed = true;
    dialog.job.target.method = CompressionMethod::Gzip;
    dialog.UpdateTargetExtension();
    ExpectRefused(Wide(fifo) + L" is a named pipe (FIFO), not a disk or an image file.");
    // And a refusal of the old name does not stay with the new one.
    dialog.SetTarget(Wide(fifo));
    EXPECT_NE(dialog.job.target.refusal, L"");
    dialog.job.target.compressed = false;
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, InDir("out.dsk"));
    EXPECT_EQ(dialog.job.target.refusal, L"");
}

TEST_F(Validation, SourceImageMustBeAnExistingRegularFile) {
    dialog.SetTarget(InDir("out.dsk"));
    dialog.SetSource(InDir("missing.dsk"), L"");
    ExpectRefused(L"Source file not found");
    dialog.SetSource(InDir("no/such/folder.dsk"), L"");
    ExpectRefused(L"Source file not found");
    dialog.SetSource(Wide(dir.Path()), L"");
    ExpectRefused(Wide(dir.Path()) + L" is a folder, not an image file.");
    dialog.SetSource(RawImage("empty.dsk", 0), L"");
    ExpectRefused(L"Source is zero bytes");
}

TEST_F(Validation, SourceThatCannotBeExaminedIsNotStarted) {
    boost::filesystem::create_symlink("loop", dir.Path().string() + "/loop");
    dialog.SetSource(InDir("loop/in.dsk"), L"");
    dialog.SetTarget(InDir("out.dsk"));
    ExpectRefused(L"Could not examine the source file");
}

TEST_F(Validation, EmptyCompressedImageHasAnUnknownSize) {
    WriteFile(dir / "empty.dsk.gz", Bytes());
    dialog.SetSource(InDir("empty.dsk.gz"), L"");
    dialog.SetTarget(InDir("out.dsk"));
    EXPECT_NE(StartError(), L"Source is zero bytes");
    EXPECT_EQ(dialog.job.sourceSize, -1);
}

TEST_F(Validation, TargetDiskMustOpenSizeAndHaveAnEmptyFirstSector) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    dialog.SetTarget(Disk(1));
    ExpectRefused(L"Could not open target drive: there is no disk 1 (see the disk list)");
    SimulatedDisk& target = disks.Add(1, Bytes(8192, 0));
    dialog.SetTarget(Disk(1));
    target.sizeFails = true;
    ExpectRefused(L"Could not get target drive size");
    target.sizeFails = false;
    target.firstSectorLength = 511;
    ExpectRefused(L"Could not read first sector of target drive");
    target.firstSectorLength = 0;
    ExpectRefused(L"Could not read first sector of target drive");
    target.firstSectorLength = -1;
    for (std::size_t offset : {0, 300, 511}) {
        target.data.assign(8192, 0);
        target.data[offset] = 1;
        ExpectRefused(
            L"First sector of the target drive /dev/sim1 must be empty. To erase the disk, run "
            L"'wipefs --all /dev/sim1' and then 'dd if=/dev/zero of=/dev/sim1 bs=1M count=1' "
            L"(both destroy its data).");
    }
    EXPECT_FALSE(target.written);
    EXPECT_EQ(dialog.job.targetSize, 8192);
}

TEST_F(Validation, SmallerTargetDiskAsksBeforeTruncating) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    disks.Add(1, Bytes(4095, 0));
    dialog.SetTarget(Disk(1));
    window.Answer(BoxResult::Cancel);
    ExpectRefused(L"");
    EXPECT_FALSE(dialog.job.truncateTarget);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].caption, L"Truncate");
    EXPECT_EQ(window.boxes[0].text,
              L"Source is 1 bytes larger than the target drive. Do you want to continue anyway?");
    EXPECT_EQ(window.boxes[0].style, 0x131u);
    EXPECT_EQ(window.Log(), L"Source: " + InDir("in.dsk") + L"\r\nTarget: " + Disk(1) + L"\r\n");

    disks.Disk(1).data.assign(1024, 0);
    dialog.SetTarget(Disk(1));  // a disk of another size is chosen anew
    window.Answer(BoxResult::Ok);
    EXPECT_EQ(StartError(), L"");
    EXPECT_EQ(window.boxes[0].text,
              L"Source is 3.00 KB larger than the target drive. Do you want to continue anyway?");
    EXPECT_NE(dialog.task, nullptr);
    EXPECT_TRUE(dialog.task->job.truncateTarget);  // agreed: the copy ends at the disk's end
}

TEST_F(Validation, EqualSizedDiskOrCompressedSourceRaisesNoQuestion) {
    disks.Add(1, Bytes(4096, 0));
    dialog.SetTarget(Disk(1));
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    EXPECT_TRUE(dialog.ValidateJob());
    WriteFile(dir / "in.dsk.gz", Bytes(100000, 7));  // garbage, but never read here
    dialog.SetSource(InDir("in.dsk.gz"), L"");
    EXPECT_TRUE(dialog.ValidateJob());
    EXPECT_EQ(Boxes(L"Truncate").size(), 0u);
    EXPECT_EQ(Boxes(L"Confirm").size(), 2u);
}

TEST_F(Validation, AnExistingTypedImageTargetIsAskedAboutOnce) {
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    dialog.SetTarget(RawImage("out.dsk", 10));
    window.confirmAnswer = BoxResult::No;
    EXPECT_FALSE(dialog.ValidateJob());
    EXPECT_EQ(Boxes(L"Confirm"),
              std::vector<std::wstring>{InDir("out.dsk") +
                                        L" already exists. Do you want to replace it?"});
    EXPECT_EQ(ReadFile(dir / "out.dsk"), MakeDiskData(10));
    window.confirmAnswer = BoxResult::Yes;
    EXPECT_TRUE(dialog.ValidateJob());
    EXPECT_EQ(dialog.job.sourceSize, 4096);
    EXPECT_EQ(dialog.job.targetSize, -1);
    // The save dialog asks by itself; a new file needs no question.
    window.boxes.clear();
    window.ChooseFile(InDir("out.dsk"));
    dialog.OnSaveImage();
    EXPECT_TRUE(dialog.ValidateJob());
    dialog.SetTarget(InDir("new.dsk"));
    EXPECT_TRUE(dialog.ValidateJob());
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(Validation, FailedStartShowsTheEnginesMessageAndStaysIdle) {
    WriteFile(dir / "file", Bytes(1, 0));
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    dialog.SetTarget(InDir("file/out.dsk"));
    const std::wstring summary = window.Log();
    ExpectRefused(L"Could not create target directory: Not a directory");
    EXPECT_EQ(window.Log(), summary);
    EXPECT_TRUE(window.executionStates.empty());
    EXPECT_TRUE(Enabled(ControlId::StartButton));
    ExpectRefused(
        L"Could not create target directory: Not a directory");  // validated again from the start
}

TEST_F(Validation, StartLocksTheWindowAndStartsTheTimer) {
    dialog.job.level = 6;
    dialog.SetSource(RawImage("in.dsk", 4096), L"");
    dialog.SetTarget(InDir("out.dsk.gz"));
    EXPECT_EQ(StartError(), L"");
    ASSERT_NE(dialog.task, nullptr);
    EXPECT_EQ(dialog.task->job.level, 6);
    EXPECT_EQ(dialog.task->job.sourceSize, 4096);
    const std::vector<std::wstring> expected = {
        L"Source: " + InDir("in.dsk"), L"Target: " + InDir("out.dsk.gz"),
        L"Compress: Gzip, Level=6", L"Start Time: " + FormatTimestamp(dialog.task->startTime)};
    EXPECT_EQ(window.LogLines(), expected);
    EXPECT_EQ(window.executionStates, std::vector<std::uint32_t>{0x80000041u});
    EXPECT_EQ(window.focus, ControlId::CancelButton);
    EXPECT_TRUE(window.timerRunning);
    EXPECT_EQ(window.timerId, 0);
    EXPECT_EQ(window.timerPeriod, 100);
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    EXPECT_TRUE(Enabled(ControlId::CancelButton));
    EXPECT_TRUE(Shown(ControlId::CompressCheck));
    EXPECT_FALSE(Enabled(ControlId::CompressCheck));

    EXPECT_EQ(StartError(), L"Task already started");
}

}  // namespace
