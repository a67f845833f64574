// The window's first state: the remembered compression choice and the
// Source and Target from the command line.
#include "dialog_fixture.h"

namespace {

using StartUp = DialogTest;

TEST_F(StartUp, FirstStartForAUser) {
    EXPECT_TRUE(dialog.OnInitDialog({}));
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Unchecked);
    EXPECT_EQ(window.At(ControlId::TypeCombo).selection, 0);
    EXPECT_EQ(window.At(ControlId::LevelCombo).selection, 0);
    EXPECT_EQ(dialog.job.level, 1);
    EXPECT_EQ(dialog.job.target.method, CompressionMethod::Gzip);
    EXPECT_EQ(window.Log(), L"");
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    EXPECT_TRUE(settings.writes.empty());
    EXPECT_EQ(window.updateChecks, 1);
}

TEST_F(StartUp, RestoredChoiceReachesJobAndControls) {
    settings.values[RecordingSettings::Key(L"CompressImage")] = 1;
    settings.values[RecordingSettings::Key(L"CompressionType")] = 2;
    settings.values[RecordingSettings::Key(L"CompressionLevel")] = 8;
    dialog.OnInitDialog({});
    EXPECT_TRUE(dialog.job.target.compressed);
    EXPECT_EQ(dialog.job.target.method, CompressionMethod::Zlib);
    EXPECT_EQ(dialog.job.level, 8);
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Checked);
    EXPECT_EQ(window.At(ControlId::TypeCombo).selection, 2);
    EXPECT_EQ(window.At(ControlId::LevelCombo).selection, 7);
}

TEST_F(StartUp, TwoArgumentsFillBothFieldsAndSaveAtOnce) {
    settings.values[RecordingSettings::Key(L"CompressImage")] = 1;
    settings.values[RecordingSettings::Key(L"CompressionLevel")] = 4;
    WriteFile(dir / "in.dsk", Bytes(100, 1));
    dialog.OnInitDialog({InDir("in.dsk"), L"new.dsk.bz2", L"third", L"fourth"});
    EXPECT_EQ(window.At(ControlId::SourceEdit).text, InDir("in.dsk"));
    EXPECT_EQ(window.At(ControlId::TargetEdit).text, L"new.dsk.bz2");
    EXPECT_EQ(window.Log(), L"Source: " + InDir("in.dsk") +
                                L"\r\nTarget: new.dsk.bz2\r\nCompress: Bzip2, Level=4\r\n");
    EXPECT_TRUE(Enabled(ControlId::StartButton));
    EXPECT_EQ(window.At(ControlId::TypeCombo).selection, 1);
    EXPECT_EQ(settings.Value(L"CompressImage"), 1);
    EXPECT_EQ(settings.Value(L"CompressionType"), 1);
    EXPECT_EQ(settings.Value(L"CompressionLevel"), 4);
}

TEST_F(StartUp, RawTargetArgumentOverridesTheRestoredCheckBox) {
    settings.values[RecordingSettings::Key(L"CompressImage")] = 1;
    settings.values[RecordingSettings::Key(L"CompressionType")] = 1;
    dialog.OnInitDialog({L"in.dsk", L"out.dsk"});
    EXPECT_EQ(window.At(ControlId::CompressCheck).check, CheckState::Unchecked);
    EXPECT_EQ(settings.Value(L"CompressImage"), 0);
    EXPECT_EQ(settings.Value(L"CompressionType"), 1);  // the type is kept
}

TEST_F(StartUp, OneArgumentSetsOnlyTheSourceUntrimmed) {
    dialog.OnInitDialog({L"  in.dsk.gz"});
    EXPECT_EQ(dialog.job.source.path, L"  in.dsk.gz");
    EXPECT_TRUE(dialog.job.source.compressed);
    EXPECT_EQ(dialog.job.target.path, L"");
    EXPECT_FALSE(Enabled(ControlId::StartButton));
    EXPECT_EQ(window.Log(), L"");
    EXPECT_TRUE(settings.writes.empty());
}

TEST_F(StartUp, DiskArgumentsAreClassifiedLikeTypedPaths) {
    dialog.OnInitDialog({L"\\\\.\\PhysicalDrive0", L"\\\\.\\physicaldrive1"});
    EXPECT_EQ(dialog.job.source.kind, EndpointKind::PhysicalDisk);
    EXPECT_EQ(dialog.job.target.kind, EndpointKind::PhysicalDisk);
    EXPECT_FALSE(Shown(ControlId::CompressCheck));
}

}  // namespace
