// The file dialogs, the disk buttons, leaving the path fields, the
// compression controls and More Info.
#include "dialog_fixture.h"

namespace {

using Commands = DialogTest;

// Opening takes the names downloads have; saving offers each target type.
const wchar_t* const kOpenFilter =
    L"Disk Image (*.dsk;*.img;*.iso;*.raw;*.gz;*.bz2;*.zz;*.xz;*.zst;*.zip)|"
    L"*.dsk;*.img;*.iso;*.raw;*.gz;*.bz2;*.zz;*.xz;*.zst;*.zip|All files|*.*||";
const wchar_t* const kSaveFilter =
    L"Raw Disk Image (*.dsk)|*.dsk|Gzip Disk Image (*.dsk.gz)|*.dsk.gz|"
    L"Bzip2 Disk Image (*.dsk.bz2)|*.dsk.bz2|Zlib Disk Image (*.dsk.zz)|*.dsk.zz|"
    L"Xz Disk Image (*.dsk.xz)|*.dsk.xz|Zstd Disk Image (*.dsk.zst)|*.dsk.zst|All files|*.*||";

TEST_F(Commands, OpenImageStartsFromTheSourceTextUnlessItIsADisk) {
    window.At(ControlId::SourceEdit).text = L"old.dsk";
    window.ChooseFile(L"/images/new.dsk.zz");
    dialog.OnOpenImage();
    ASSERT_EQ(window.fileDialogs.size(), 1u);
    EXPECT_TRUE(window.fileDialogs[0].open);
    EXPECT_EQ(window.fileDialogs[0].initialName, L"old.dsk");
    EXPECT_EQ(window.fileDialogs[0].filter, kOpenFilter);
    EXPECT_EQ(window.fileDialogs[0].flags, 0x1000u);
    EXPECT_EQ(dialog.job.source.path, L"/images/new.dsk.zz");
    EXPECT_EQ(dialog.job.source.method, CompressionMethod::Zlib);

    dialog.SetSource(Disk(2), L"Label");
    window.ChooseFile(std::nullopt);
    dialog.OnOpenImage();
    EXPECT_EQ(window.fileDialogs[1].initialName, L"");
    EXPECT_EQ(dialog.job.source.path, Disk(2));  // cancelled: unchanged
    EXPECT_EQ(dialog.job.sourceLabel, L"Label");
}

TEST_F(Commands, DiskButtonsTakeTheChosenDisk) {
    window.ChooseDisk({BoxResult::Ok, Disk(1), L"SSD 500"});
    dialog.OnSourceDisk();
    EXPECT_EQ(dialog.job.source.path, Disk(1));
    EXPECT_EQ(dialog.job.sourceLabel, L"SSD 500");
    window.ChooseDisk({BoxResult::Ok, Disk(2), L"ignored"});
    dialog.OnTargetDisk();
    EXPECT_EQ(dialog.job.target.path, Disk(2));
    EXPECT_EQ(dialog.job.target.kind, EndpointKind::PhysicalDisk);

    window.ChooseDisk({BoxResult::Cancel, Disk(3), L"x"});
    dialog.OnSourceDisk();
    EXPECT_EQ(dialog.job.source.path, Disk(1));
    window.ChooseDisk({BoxResult::Ok, L"", L""});  // OK with no row selected
    dialog.OnTargetDisk();
    EXPECT_EQ(dialog.job.target.path, L"");
    EXPECT_EQ(window.At(ControlId::TargetEdit).text, L"");
}

TEST_F(Commands, ADiskThatChangedWhileTheListWasOpenIsRefused) {
    disks.Add(1, Bytes(8192, 0));
    disks.Add(2, Bytes(4096, 0));
    // The row showed the disk's device and size; the number still names it.
    window.ChooseDisk({BoxResult::Ok, Disk(1), L"Simulated Disk", L"/dev/sim1", 8192});
    dialog.OnTargetDisk();
    EXPECT_EQ(dialog.job.target.refusal, L"");
    // A stick pulled while the list was open: number 1 is now the next disk.
    disks.Renumber(1, 5);
    disks.Renumber(2, 1);
    window.ChooseDisk({BoxResult::Ok, Disk(1), L"Simulated Disk", L"/dev/sim1", 8192});
    dialog.OnTargetDisk();
    EXPECT_EQ(dialog.job.target.refusal, L"The disk list has changed; choose the disk again.");
    window.ChooseDisk({BoxResult::Ok, Disk(1), L"Simulated Disk", L"/dev/sim9", 4096});
    dialog.OnSourceDisk();
    EXPECT_EQ(dialog.job.source.refusal, L"The disk list has changed; choose the disk again.");
}

TEST_F(Commands, SaveImageProposesTheDiskLabelAndSize) {
    disks.Add(0, Bytes(123456, 0));
    window.ChooseDisk({BoxResult::Ok, Disk(0), L"SSD 500"});
    dialog.OnSourceDisk();
    window.ChooseFile(std::nullopt);
    dialog.OnSaveImage();
    EXPECT_EQ(window.fileDialogs.back().initialName, L"SSD 500-123456");
    EXPECT_FALSE(window.fileDialogs.back().open);
    EXPECT_EQ(window.fileDialogs.back().flags, 0x2u);
    EXPECT_EQ(window.fileDialogs.back().filter, kSaveFilter);
    EXPECT_EQ(dialog.job.target.path, L"");  // cancelled
    EXPECT_EQ(disks.OpenHandles(), 0);

    window.ChooseDisk({BoxResult::Ok, Disk(0), L"USB/SATA Bridge"});
    dialog.OnSourceDisk();
    window.ChooseFile(std::nullopt);
    dialog.OnSaveImage();
    EXPECT_EQ(window.fileDialogs.back().initialName, L"USB_SATA Bridge-123456");

    // Leaving the Source field re-applies the path without the label.
    dialog.OnSourceKillFocus();
    window.ChooseFile(std::nullopt);
    dialog.OnSaveImage();
    EXPECT_EQ(window.fileDialogs.back().initialName, L"-123456");
}

TEST_F(Commands, SaveImageProposesNothingForAnUnreadableDisk) {
    dialog.SetSource(Disk(0), L"Gone");
    window.ChooseFile(std::nullopt);
    dialog.OnSaveImage();
    disks.Add(0, Bytes(512, 0)).sizeFails = true;
    window.ChooseFile(std::nullopt);
    dialog.OnSaveImage();
    EXPECT_EQ(window.fileDialogs[0].initialName, L"");
    EXPECT_EQ(window.fileDialogs[1].initialName, L"");
    EXPECT_EQ(disks.OpenHandles(), 0);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(Commands, SaveImageProposesTheSourceImagesStem) {
    WriteFile(dir / "backup.DSK.GZ", Bytes(10, 0));
    WriteFile(dir / "plain.iso", Bytes(10, 0));
    const std::pair<std::wstring, std::wstring> cases[] = {
        {InDir("backup.DSK.GZ"), L"backup"},
        {InDir("plain.iso"), L""},
        {InDir("missing.dsk"), L""},
    };
    for (const auto& [source, proposal] : cases) {
        dialog.SetSource(source, L"");
        window.ChooseFile(std::nullopt);
        dialog.OnSaveImage();
        EXPECT_EQ(window.fileDialogs.back().initialName, proposal);
    }
    dialog.SetTarget(L"kept.dsk");
    window.ChooseFile(std::nullopt);
    dialog.OnSaveImage();
    EXPECT_EQ(window.fileDialogs.back().initialName, L"kept.dsk");
}

TEST_F(Commands, SavedNameGetsTheChosenCompressionUnlessItHasAnImageExtension) {
    window.At(ControlId::CompressCheck).check = CheckState::Checked;
    dialog.OnCompressImage();
    window.At(ControlId::TypeCombo).selection = 1;
    dialog.OnTypeChange();
    window.ChooseFile(L"/img/image1");
    dialog.OnSaveImage();
    EXPECT_EQ(dialog.job.target.path, L"/img/image1.dsk.bz2");
    EXPECT_TRUE(dialog.job.target.compressed);

    window.At(ControlId::TargetEdit).text.clear();
    window.ChooseFile(L"/img/image1.dsk");
    dialog.OnSaveImage();
    EXPECT_EQ(dialog.job.target.path, L"/img/image1.dsk");
    EXPECT_FALSE(dialog.job.target.compressed);
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Unchecked);
}

TEST_F(Commands, LeavingAPathFieldTrimsBlanks) {
    window.At(ControlId::SourceEdit).text = L"  \t in.dsk.gz \r\n";
    dialog.OnSourceKillFocus();
    EXPECT_EQ(dialog.job.source.path, L"in.dsk.gz");
    EXPECT_EQ(window.At(ControlId::SourceEdit).text, L"in.dsk.gz");
    EXPECT_TRUE(dialog.job.source.compressed);
    window.At(ControlId::TargetEdit).text = L" \\\\.\\PhysicalDrive4 ";
    dialog.OnTargetKillFocus();
    EXPECT_EQ(dialog.job.target.kind, EndpointKind::PhysicalDisk);
    EXPECT_TRUE(Enabled(ControlId::StartButton));
}

TEST_F(Commands, CompressionControlsRewriteTheTargetName) {
    dialog.SetSource(L"in.dsk", L"");
    dialog.SetTarget(L"D:\\img\\b");
    window.At(ControlId::CompressCheck).check = CheckState::Checked;
    window.At(ControlId::TypeCombo).selection = 0;
    dialog.OnTypeChange();
    dialog.OnCompressImage();
    EXPECT_EQ(dialog.job.target.path, L"D:\\img\\b.dsk.gz");
    window.At(ControlId::LevelCombo).selection = 6;
    dialog.OnLevelChange();
    EXPECT_EQ(dialog.job.level, 7);
    EXPECT_EQ(window.LogLines().back(), L"Compress: Gzip, Level=7");
    EXPECT_EQ(settings.Value(L"CompressionLevel"), 7);
    window.At(ControlId::TypeCombo).selection = 2;
    dialog.OnTypeChange();
    EXPECT_EQ(dialog.job.target.path, L"D:\\img\\b.dsk.zz");
    EXPECT_EQ(settings.Value(L"CompressionType"), 2);
    window.At(ControlId::CompressCheck).check = CheckState::Unchecked;
    dialog.OnCompressImage();
    EXPECT_EQ(dialog.job.target.path, L"D:\\img\\b.dsk");
    EXPECT_EQ(settings.Value(L"CompressImage"), 0);

    window.At(ControlId::TypeCombo).selection = -1;  // nothing selected: kept
    dialog.OnTypeChange();
    EXPECT_EQ(dialog.job.target.method, CompressionMethod::Zlib);
}

TEST_F(Commands, LevelChangeWithAnEmptyTargetSavesNothing) {
    window.At(ControlId::LevelCombo).selection = 4;
    dialog.OnLevelChange();
    EXPECT_EQ(dialog.job.level, 5);
    EXPECT_EQ(dialog.job.target.path, L"");
    EXPECT_TRUE(settings.writes.empty());
}

TEST_F(Commands, MoreInfoOpensTheProductPage) {
    dialog.OnMoreInfo();
    ASSERT_EQ(window.openedUrls.size(), 1u);
    EXPECT_EQ(window.openedUrls[0].substr(0, 8), L"https://");
    EXPECT_EQ(window.openedUrls[0].substr(window.openedUrls[0].size() - 7), L"/brevel");
}

}  // namespace

namespace {

using Typing = DialogTest;

TEST_F(Typing, StartEnablesWhileTypingAndStartsWhatTheFieldsShow) {
    WriteFile(dir / "in.dsk", MakeDiskData(4096));
    dialog.UpdateControls(false);
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    window.At(ControlId::SourceEdit).text = InDir("in.dsk");
    dialog.OnPathEdit();
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    window.At(ControlId::TargetEdit).text = L"  " + InDir("out.dsk");
    dialog.OnPathEdit();
    EXPECT_TRUE(Enabled(ControlId::StartButton));
    window.At(ControlId::TargetEdit).text = L"   ";
    dialog.OnPathEdit();
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    // Typed but never left: Start takes the fields as they stand.
    window.At(ControlId::TargetEdit).text = InDir("out.dsk");
    dialog.OnStart();
    ASSERT_NE(dialog.task, nullptr);
    EXPECT_EQ(dialog.task->job.target.path, InDir("out.dsk"));
    TickUntilIdle();
    EXPECT_EQ(ReadFile(dir / "out.dsk"), MakeDiskData(4096));
    EXPECT_EQ(dialog.lastOutcome.ending, JobEnding::Completed);
}

TEST_F(Typing, EnterCommitsAPathAndNeitherKeyClosesTheIdleWindow) {
    window.At(ControlId::SourceEdit).text = L" in.dsk ";
    dialog.OnEnterKey(ControlId::SourceEdit);
    EXPECT_EQ(dialog.job.source.path, L"in.dsk");
    window.At(ControlId::TargetEdit).text = L"out.dsk.gz";
    dialog.OnEnterKey(ControlId::TargetEdit);
    EXPECT_EQ(dialog.job.target.method, CompressionMethod::Gzip);
    dialog.OnEnterKey(ControlId::StartButton);
    dialog.OnEscapeKey();
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(window.At(ControlId::SourceEdit).text, L"in.dsk");
}

TEST_F(Typing, ARefusedStartIsTheOutcome) {
    dialog.SetSource(InDir("missing.dsk"), L"");
    dialog.SetTarget(InDir("out.dsk"));
    dialog.OnStart();
    EXPECT_TRUE(dialog.lastOutcome.RefusedBeforeStart());
}

}  // namespace

namespace {

TEST_F(Commands, VerifyFollowsTheTargetKindAndRemembersTheChoiceForEach) {
    const std::wstring disk = Disk(1);
    const struct {
        std::wstring target;
        int click;  // -1: none, else the state the user sets
        bool verify;
        int stored;  // the setting afterwards, -1 while unwritten
    } steps[] = {
        {disk, -1, true, -1},       // disks verify at first
        {L"a.dsk", -1, false, -1},  // images do not
        {L"a.dsk", CheckState::Checked, true, 3},
        {disk, CheckState::Unchecked, false, 2},
        {L"b.dsk", -1, true, 2},  // each kind keeps its own choice
        {disk, -1, false, 2},
    };
    disks.Add(1, Bytes(1 << 20, 0));
    for (const auto& step : steps) {
        dialog.SetTarget(step.target);
        if (step.click >= 0) {
            window.At(ControlId::VerifyCheck).check = step.click;
            dialog.OnVerify();
        }
        EXPECT_EQ(dialog.job.verify, step.verify) << step.target.size();
        EXPECT_EQ(window.At(ControlId::VerifyCheck).check != CheckState::Unchecked, step.verify);
        const auto stored = settings.values.find(RecordingSettings::Key(L"Verify"));
        EXPECT_EQ(stored == settings.values.end() ? -1 : stored->second, step.stored);
    }
}

}  // namespace
