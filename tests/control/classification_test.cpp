// What a typed or chosen path denotes, the target's extension following the
// compression controls, and the controls and summary following the job.
#include "dialog_fixture.h"

namespace {

using Classification = DialogTest;

TEST_F(Classification, PhysicalDrivePathsInAnyCaseWithDigitsOnly) {
    for (const wchar_t* disk : {L"\\\\.\\physicaldrive3", L"\\\\.\\PHYSICALDRIVE3",
                                L"\\\\.\\PhysicalDrive03", L"\\\\.\\PhysicalDrive0"}) {
        EXPECT_TRUE(dialog.IsPhysicalDrivePath(disk));
    }
    for (const wchar_t* file :
         {L"\\\\.\\PhysicalDrive", L"\\\\?\\PhysicalDrive3", L"\\\\.\\PhysicalDrive3\\",
          L" \\\\.\\PhysicalDrive3", L"x\\\\.\\PhysicalDrive3", L"\\\\.\\PhysicalDrive3\n", L""}) {
        EXPECT_FALSE(dialog.IsPhysicalDrivePath(file));
    }
}

TEST_F(Classification, SourceCompressionComesFromTheWholeExtension) {
    dialog.SetSource(L"D:\\img\\Backup.DSK.GZ", L"");
    EXPECT_EQ(dialog.job.source.kind, EndpointKind::ImageFile);
    EXPECT_TRUE(dialog.job.source.compressed);
    EXPECT_EQ(dialog.job.source.method, CompressionMethod::Gzip);
    EXPECT_EQ(window.At(ControlId::SourceEdit).text, L"D:\\img\\Backup.DSK.GZ");

    dialog.SetSource(L"img.dsk.bz2", L"");
    EXPECT_EQ(dialog.job.source.method, CompressionMethod::Bzip2);
    dialog.SetSource(L"img.dsk.zz", L"");
    EXPECT_EQ(dialog.job.source.method, CompressionMethod::Zlib);

    for (const wchar_t* raw : {L"D:\\img\\backup.gz", L"a.dsk", L"a.dsk.gz.bak", L"a.dskgz"}) {
        dialog.SetSource(raw, L"label");
        EXPECT_EQ(dialog.job.source.kind, EndpointKind::ImageFile);
        EXPECT_FALSE(dialog.job.source.compressed);
        EXPECT_EQ(dialog.job.source.method, CompressionMethod::None);
        EXPECT_EQ(dialog.job.sourceLabel, L"label");
    }
}

TEST_F(Classification, DiskSourceKeepsTheEarlierCompressionFields) {
    dialog.SetSource(L"a.dsk.zz", L"");
    dialog.SetSource(L"\\\\.\\PhysicalDrive2", L"SSD 500");
    EXPECT_EQ(dialog.job.source.kind, EndpointKind::PhysicalDisk);
    EXPECT_EQ(dialog.job.source.method, CompressionMethod::Zlib);
    EXPECT_TRUE(dialog.job.source.compressed);
    EXPECT_EQ(dialog.job.sourceLabel, L"SSD 500");
}

TEST_F(Classification, CompressedTargetSetsTheCheckBoxAndTypeList) {
    dialog.SetTarget(L"D:\\img\\b.dsk.zz");
    EXPECT_EQ(dialog.job.target.method, CompressionMethod::Zlib);
    EXPECT_TRUE(dialog.job.target.compressed);
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Checked);
    EXPECT_EQ(window.At(ControlId::TypeCombo).selection, 2);
    EXPECT_EQ(window.At(ControlId::TargetEdit).text, L"D:\\img\\b.dsk.zz");
}

TEST_F(Classification, RawTargetUnchecksButKeepsTheLastType) {
    dialog.SetTarget(L"b.dsk.bz2");
    dialog.SetTarget(L"D:\\img\\b.iso");
    EXPECT_FALSE(dialog.job.target.compressed);
    EXPECT_EQ(dialog.job.target.method, CompressionMethod::Bzip2);
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Unchecked);
    EXPECT_EQ(window.At(ControlId::TypeCombo).selection, 1);
}

TEST_F(Classification, DiskTargetChangesNothingButPathAndKind) {
    dialog.SetTarget(L"b.dsk.gz");
    dialog.SetTarget(L"\\\\.\\PhysicalDrive1");
    EXPECT_EQ(dialog.job.target.kind, EndpointKind::PhysicalDisk);
    EXPECT_TRUE(dialog.job.target.compressed);
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Checked);
}

TEST_F(Classification, ApplyImageExtensionReplacesOnlyTheLastImageExtension) {
    dialog.job.target.compressed = true;
    dialog.job.target.method = CompressionMethod::Gzip;
    EXPECT_EQ(dialog.ApplyImageExtension(L"a.dsk.gz"), L"a.dsk.gz");
    EXPECT_EQ(dialog.ApplyImageExtension(L"a.DSK.BZ2"), L"a.dsk.gz");
    EXPECT_EQ(dialog.ApplyImageExtension(L"a.dsk.dsk"), L"a.dsk.dsk.gz");
    EXPECT_EQ(dialog.ApplyImageExtension(L"dir.dsk/b.iso"), L"dir.dsk/b.iso.dsk.gz");
    EXPECT_EQ(dialog.ApplyImageExtension(L".dsk.gz"), L"");
    EXPECT_EQ(dialog.ApplyImageExtension(L""), L"");
    dialog.job.target.compressed = false;
    EXPECT_EQ(dialog.ApplyImageExtension(L"a.dsk.zz"), L"a.dsk");
    dialog.job.target.compressed = true;
    dialog.job.target.method = CompressionMethod::None;
    EXPECT_EQ(dialog.ApplyImageExtension(L"a.dsk.zz"), L"a");
}

TEST_F(Classification, TargetExtensionFollowsTheCompressionControls) {
    dialog.SetTarget(L"D:\\img\\b.iso");
    dialog.job.target.compressed = true;
    dialog.job.target.method = CompressionMethod::Gzip;
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, L"D:\\img\\b.iso.dsk.gz");
    EXPECT_EQ(window.At(ControlId::TargetEdit).text, L"D:\\img\\b.iso.dsk.gz");
    dialog.job.target.compressed = false;
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, L"D:\\img\\b.iso.dsk");

    dialog.SetTarget(L"D:\\img\\b.dsk.bz2");
    dialog.job.target.compressed = false;
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, L"D:\\img\\b.dsk");
}

TEST_F(Classification, TargetExtensionWorksOnTheFieldsTextNotTheStoredPath) {
    dialog.SetTarget(L"stored.dsk");
    window.At(ControlId::TargetEdit).text = L"typed";
    dialog.job.target.compressed = true;
    dialog.job.target.method = CompressionMethod::Zlib;
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, L"typed.dsk.zz");
}

TEST_F(Classification, EmptyTargetStaysEmpty) {
    dialog.job.target.compressed = true;
    dialog.job.target.method = CompressionMethod::Gzip;
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, L"");
    window.At(ControlId::TargetEdit).text = L".dsk.gz";
    dialog.UpdateTargetExtension();
    EXPECT_EQ(dialog.job.target.path, L"");
}

TEST_F(Classification, OnePathLeavesStartDisabledAndSavesNothing) {
    window.At(ControlId::LogEdit).text = L"old report\r\n";
    dialog.SetSource(L"in.dsk", L"");
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    EXPECT_FALSE(Enabled(ControlId::CancelButton));
    EXPECT_EQ(window.Log(), L"");
    EXPECT_TRUE(settings.writes.empty());
}

TEST_F(Classification, BothPathsWriteTheSummaryAndSaveTheChoice) {
    window.statusText = L"Saving Image: 100%";
    dialog.job.level = 6;
    dialog.SetSource(L"\\\\.\\PhysicalDrive0", L"");
    dialog.SetTarget(L"out.dsk.gz");
    EXPECT_TRUE(Enabled(ControlId::StartButton));
    EXPECT_EQ(
        window.Log(),
        L"Source: \\\\.\\PhysicalDrive0\r\nTarget: out.dsk.gz\r\nCompress: Gzip, Level=6\r\n");
    EXPECT_EQ(window.statusText, L"");
    EXPECT_EQ(settings.Value(L"CompressImage"), 1);
    EXPECT_EQ(settings.Value(L"CompressionType"), 0);
    EXPECT_EQ(settings.Value(L"CompressionLevel"), 6);

    dialog.SetTarget(L"out.dsk");
    EXPECT_EQ(window.Log(), L"Source: \\\\.\\PhysicalDrive0\r\nTarget: out.dsk\r\n");
    EXPECT_EQ(settings.Value(L"CompressImage"), 0);
    dialog.SetTarget(L"\\\\.\\PhysicalDrive1");
    dialog.job.target.compressed = true;
    dialog.UpdateControls(true);
    EXPECT_EQ(window.Log(), L"Source: \\\\.\\PhysicalDrive0\r\nTarget: \\\\.\\PhysicalDrive1\r\n");
}

TEST_F(Classification, ProgressBarForEverySource) {
    dialog.SetTarget(L"out.dsk");
    dialog.SetSource(L"in.dsk.gz", L"");
    EXPECT_TRUE(Shown(ControlId::ProgressBar));
    window.progressPosition = 77;
    dialog.SetSource(L"\\\\.\\PhysicalDrive0", L"");
    EXPECT_TRUE(Shown(ControlId::ProgressBar));
    EXPECT_EQ(window.progressPosition, 0);
    EXPECT_EQ(window.progressHigh, 10000);
    dialog.SetSource(L"in.dsk.gz", L"");
    dialog.SetSource(L"in.dsk", L"");
    EXPECT_TRUE(Shown(ControlId::ProgressBar));
}

TEST_F(Classification, CompressionRowFollowsTheTargetWhileIdle) {
    const int row[] = {ControlId::CompressCheck, ControlId::TypeLabel, ControlId::TypeCombo,
                       ControlId::LevelLabel, ControlId::LevelCombo};
    dialog.SetTarget(L"\\\\.\\PhysicalDrive1");
    for (int id : row) {
        EXPECT_FALSE(Shown(id)) << id;
    }
    EXPECT_FALSE(Enabled(ControlId::CompressCheck));
    dialog.SetTarget(L"out.dsk");
    for (int id : row) {
        EXPECT_TRUE(Shown(id)) << id;
    }
    EXPECT_TRUE(Enabled(ControlId::CompressCheck));
    EXPECT_FALSE(Enabled(ControlId::TypeCombo));
    EXPECT_FALSE(Enabled(ControlId::LevelCombo));
    dialog.SetTarget(L"out.dsk.bz2");
    EXPECT_TRUE(Enabled(ControlId::TypeCombo));
    EXPECT_TRUE(Enabled(ControlId::LevelCombo));
}

TEST_F(Classification, RunningLocksTheControlsAndShowsTheRowOnlyForCompressedImages) {
    dialog.SetSource(L"in.dsk", L"");
    dialog.SetTarget(L"out.dsk");
    dialog.task = std::make_unique<CCloneTask>();  // never started
    dialog.UpdateControls(false);
    for (int id : {ControlId::SourceEdit, ControlId::OpenImageButton, ControlId::SourceDiskButton,
                   ControlId::TargetEdit, ControlId::SaveImageButton, ControlId::TargetDiskButton,
                   ControlId::CompressCheck, ControlId::TypeCombo, ControlId::LevelCombo,
                   ControlId::StartButton}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_TRUE(Enabled(ControlId::CancelButton));
    EXPECT_FALSE(Shown(ControlId::CompressCheck));
    dialog.job.target.compressed = true;
    dialog.UpdateControls(false);
    EXPECT_TRUE(Shown(ControlId::LevelCombo));
    EXPECT_EQ(window.Log(), L"Source: in.dsk\r\nTarget: out.dsk\r\n");  // kept
    dialog.task.reset();
}

}  // namespace
