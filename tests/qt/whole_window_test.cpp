// The whole window as a user drives it: the Qt widgets, the port, the router
// and the window's job logic together, with a real copy on real files.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <map>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "qt/brevel_app.h"
#include "qt/dialog_router.h"
#include "qt/main_window_widget.h"
#include "qt/qt_window_port.h"
#include "simulated_disks.h"
#include "test_files.h"

namespace {

// Settings kept in memory, so that the tests leave the user's alone.
class MemorySettings : public SettingsPort {
public:
    int ReadProfileInt(const std::wstring&, const std::wstring& entry, int value) override {
        auto found = values.find(entry);
        return found == values.end() ? value : found->second;
    }
    void WriteProfileInt(const std::wstring&, const std::wstring& entry, int value) override {
        values[entry] = value;
    }
    std::map<std::wstring, int> values;
};

class WholeWindow : public testing::Test {
protected:
    void SetUp() override {
        port.SetTimerHandler([this](int) { dialog.OnTimer(); });
        window.SetEvents(&router);
        dialog.OnInitDialog({});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        // Every box that opens is written down and answered with its default.
        QObject::connect(&boxWatcher, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back(box->windowTitle().toStdString() + ": " +
                                box->text().toStdString());
                Screenshot(box, "box-" + box->windowTitle().toLower().toStdString());
                if (box->defaultButton() != nullptr) {
                    box->defaultButton()->click();
                } else {
                    box->close();
                }
            }
        });
        boxWatcher.start(20);
    }

    void TearDown() override { window.SetEvents(nullptr); }

    // What the user sees: $BREVEL_SCREENSHOT_DIR/<name>.png when that is set.
    static void Screenshot(QWidget* widget, const std::string& name) {
        if (const char* folder = std::getenv("BREVEL_SCREENSHOT_DIR")) {
            widget->grab().save(QString::fromLocal8Bit(folder) + '/' +
                                QString::fromStdString(name) + QStringLiteral(".png"));
        }
    }

    void Type(int id, const std::filesystem::path& path) {
        auto* edit = qobject_cast<QLineEdit*>(window.Control(id));
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setText(QString::fromStdString(path.string()));
        window.Control(ControlId::LogEdit)->setFocus();  // leaving the field applies it
        QApplication::processEvents();
    }

    void WaitUntilIdle() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while ((dialog.task || boxes.empty()) && std::chrono::steady_clock::now() < deadline) {
            QTest::qWait(20);
        }
    }

    MainWindowWidget window;
    QtWindowPort port{window};
    MemorySettings settings;
    CBrevelDialog dialog{port, settings};
    DialogRouter router{dialog};
    QTimer boxWatcher;
    std::vector<std::string> boxes;
    TempDir dir;
};

TEST_F(WholeWindow, ConvertsAnImageFromTypedPathsAndReports) {
    const Bytes data = MakeDiskData(3 * 1048576 + 17, 9);
    WriteFile(dir / "in.dsk", data);
    Type(ControlId::SourceEdit, dir / "in.dsk");
    Type(ControlId::TargetEdit, dir / "out.dsk.gz");
    EXPECT_TRUE(window.IsChecked(ControlId::CompressCheck));  // the extension ticked it
    ASSERT_TRUE(window.IsControlEnabled(ControlId::StartButton));

    qobject_cast<QPushButton*>(window.Control(ControlId::StartButton))->click();
    WaitUntilIdle();

    ASSERT_EQ(boxes, std::vector<std::string>{"Done: Image conversion finished."});
    const QString log = window.ControlText(ControlId::LogEdit);
    EXPECT_TRUE(log.contains("Copied Bytes: " + QString::number(data.size()))) << log.toStdString();
    EXPECT_EQ(window.StatusText(), "Converting Image: 100%");
    EXPECT_EQ(
        Shell("gzip -dc " + Quoted(dir / "out.dsk.gz") + " | cmp -s - " + Quoted(dir / "in.dsk")),
        0);
    EXPECT_EQ(settings.values[L"CompressImage"], 1);
}

TEST_F(WholeWindow, TheLevelListHoldsTheChosenTypesLevelsAndEachTypeKeepsItsLevel) {
    auto* types = qobject_cast<QComboBox*>(window.Control(ControlId::TypeCombo));
    auto* levels = qobject_cast<QComboBox*>(window.Control(ControlId::LevelCombo));
    const auto choose = [](QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);  // as a click on the entry reports it
        QApplication::processEvents();
    };
    WriteFile(dir / "in.dsk", Bytes(4096, 1));
    Type(ControlId::SourceEdit, dir / "in.dsk");
    Type(ControlId::TargetEdit, dir / "out.dsk.zst");
    EXPECT_EQ(types->currentText(), "Zstd");
    ASSERT_EQ(levels->count(), 19);
    EXPECT_EQ(levels->itemText(18), "19");
    choose(levels, 16);
    EXPECT_EQ(dialog.job.level, 17);
    EXPECT_TRUE(window.ControlText(ControlId::LogEdit).contains("Compress: Zstd, Level=17"));

    choose(types, 0);
    EXPECT_EQ(levels->count(), 9);
    EXPECT_EQ(levels->currentText(), "1");  // gzip's own level
    EXPECT_TRUE(window.ControlText(ControlId::TargetEdit).endsWith("out.dsk.gz"));
    choose(types, 4);
    EXPECT_EQ(levels->count(), 19);
    EXPECT_EQ(levels->currentText(), "17");
    EXPECT_EQ(settings.values[L"CompressionLevelZstd"], 17);
    EXPECT_EQ(settings.values[L"CompressionType"], 4);
}

TEST_F(WholeWindow, ReadErrorIsAskedInTheRealBoxAndRetried) {
    SimulatedDisks disks;
    const Bytes data = MakeDiskData(3 * 1048576, 12);
    SimulatedDisk& disk = disks.Add(0, data);
    disk.readFailures[1048576 + 99] = 1;  // unreadable once; the box's default is Retry
    Type(ControlId::SourceEdit, "\\\\.\\PhysicalDrive0");
    Type(ControlId::TargetEdit, dir / "saved.dsk");
    qobject_cast<QPushButton*>(window.Control(ControlId::StartButton))->click();
    WaitUntilIdle();

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Error: A read error occured.");
    EXPECT_EQ(boxes[1], "Done: Image creation finished.");
    EXPECT_TRUE(window.ControlText(ControlId::LogEdit).contains("Retry at position 1048576"));
    EXPECT_TRUE(ReadFile(dir / "saved.dsk") == data);
}

TEST_F(WholeWindow, NamesThatAreNotUtf8KeepTheirBytesFromTheCommandLineOn) {
    const Bytes data = MakeDiskData(1048576 + 5, 13);
    const std::string source = (dir / "caf\xe9.dsk").string();
    const std::string target = (dir / "bad\xff.dsk").string();
    WriteFile(source, data);
    char* argv[] = {const_cast<char*>("brevel"), const_cast<char*>(source.c_str()),
                    const_cast<char*>(target.c_str())};
    const std::vector<std::wstring> arguments = PositionalArguments(3, argv);
    ASSERT_EQ(arguments.size(), 2u);
    dialog.SetSource(arguments[0], L"");
    dialog.SetTarget(arguments[1]);
    // Through the line edits and back, byte for byte.
    EXPECT_EQ(port.GetControlText(ControlId::TargetEdit), arguments[1]);
    qobject_cast<QPushButton*>(window.Control(ControlId::StartButton))->click();
    WaitUntilIdle();

    ASSERT_EQ(boxes, std::vector<std::string>{"Done: Image conversion finished."});
    EXPECT_TRUE(ReadFile(target) == data);
}

TEST_F(WholeWindow, RefusesAMissingSourceInAnErrorBox) {
    Type(ControlId::SourceEdit, dir / "missing.dsk");
    Type(ControlId::TargetEdit, dir / "out.dsk");
    qobject_cast<QPushButton*>(window.Control(ControlId::StartButton))->click();
    QTest::qWait(100);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].substr(0, 7), "Error: ");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.dsk"));
}

TEST_F(WholeWindow, ACompressedSourceShowsItsProgressAndACancelSaysWhatTheTargetHolds) {
    WriteFile(dir / "in.dsk", MakeDiskData(48 * 1048576, 14));
    ASSERT_EQ(Shell("bzip2 -1 " + Quoted(dir / "in.dsk")), 0);
    Type(ControlId::SourceEdit, dir / "in.dsk.bz2");
    Type(ControlId::TargetEdit, dir / "out.dsk");
    dialog.ticksPerUpdate = 1;  // read-outs every tick, so that a short copy shows some
    qobject_cast<QPushButton*>(window.Control(ControlId::StartButton))->click();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (dialog.task && window.ProgressPosition(ControlId::ProgressBar) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        QTest::qWait(20);
    }
    ASSERT_NE(dialog.task, nullptr) << "the copy ended before it showed its progress";
    EXPECT_TRUE(window.IsControlShown(ControlId::ProgressBar));
    EXPECT_TRUE(window.StatusText().startsWith("Converting Image: "))
        << window.StatusText().toStdString();
    Screenshot(&window, "window-mid-copy");
    dialog.task->Cancel();  // as a confirmed Cancel does
    WaitUntilIdle();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Cancelled: Cancelled at ", 0), 0u) << boxes[0];
    EXPECT_EQ(dialog.lastOutcome.ending, JobEnding::Cancelled);
}

TEST_F(WholeWindow, EnterCommitsATypedPathAndEscapeClosesNothing) {
    auto* target = qobject_cast<QLineEdit*>(window.Control(ControlId::TargetEdit));
    auto* source = qobject_cast<QLineEdit*>(window.Control(ControlId::SourceEdit));
    source->setFocus();
    QTest::keyClicks(source, "in.dsk");
    QTest::keyClick(source, Qt::Key_Escape);
    target->setFocus();
    QTest::keyClicks(target, "out.dsk.gz");
    // Start follows the text, before the field is left.
    EXPECT_TRUE(window.IsControlEnabled(ControlId::StartButton));
    QTest::keyClick(target, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(dialog.job.target.path, L"out.dsk.gz");
    EXPECT_TRUE(window.IsChecked(ControlId::CompressCheck));
    EXPECT_EQ(source->text(), QStringLiteral("in.dsk"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WholeWindow, ClosingWhileIdleClosesTheWindow) {
    window.close();  // the close box
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
