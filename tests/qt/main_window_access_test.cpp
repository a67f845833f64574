#include <QPlainTextEdit>
#include <QScrollBar>

#include "window_fixture.h"

namespace {

QPlainTextEdit* LogPane(MainWindowWidget& window) {
    return qobject_cast<QPlainTextEdit*>(window.Control(kLogEditId));
}

}  // namespace

TEST_F(MainWindowTest, TextsAreSetAndReadByControlId) {
    window.SetControlText(kSourceEditId, "/tmp/a.dsk");
    window.SetControlText(kCopiedTextId, "1.5 GB");
    window.SetControlText(kStartButtonId, "Go");
    EXPECT_EQ(window.ControlText(kSourceEditId), "/tmp/a.dsk");
    EXPECT_EQ(window.ControlText(kCopiedTextId), "1.5 GB");
    EXPECT_EQ(window.ControlText(kStartButtonId), "Go");
    window.SetSelection(kTypeComboId, 1);
    EXPECT_EQ(window.ControlText(kTypeComboId), "Bzip2");
    window.SetCaption("Other");
    EXPECT_EQ(window.Caption(), "Other");
    EXPECT_EQ(window.windowTitle(), "Other");
    // Unknown identifiers are ignored.
    window.SetControlText(4242, "x");
    EXPECT_EQ(window.ControlText(4242), "");
    EXPECT_EQ(window.ControlText(kNoControlId), "");
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(MainWindowTest, TheLogPaneShowsCrLfLinesAsLinesAndHandsThemBack) {
    window.SetControlText(kLogEditId, "Mode: Saving Image\r\nSource: disk\r\n");
    EXPECT_EQ(LogPane(window)->toPlainText(), "Mode: Saving Image\nSource: disk\n");
    EXPECT_EQ(LogPane(window)->document()->blockCount(), 3);
    window.AppendText(kLogEditId, "Start Time: now\r\n");
    EXPECT_EQ(window.ControlText(kLogEditId),
              "Mode: Saving Image\r\nSource: disk\r\nStart Time: now\r\n");
    window.SetControlText(kLogEditId, "");
    EXPECT_EQ(window.ControlText(kLogEditId), "");
}

TEST_F(MainWindowTest, AppendingToTheLogScrollsToItsEnd) {
    // The caret may be anywhere; appended text still goes at the end.
    window.SetControlText(kLogEditId, "first\r\n");
    QTextCursor cursor = LogPane(window)->textCursor();
    cursor.movePosition(QTextCursor::Start);
    LogPane(window)->setTextCursor(cursor);
    for (int line = 0; line < 200; ++line) {
        window.AppendText(kLogEditId, QString("line %1\r\n").arg(line));
    }
    EXPECT_TRUE(window.ControlText(kLogEditId).startsWith("first\r\nline 0\r\n"));
    EXPECT_TRUE(window.ControlText(kLogEditId).endsWith("line 199\r\n"));
    QScrollBar* bar = LogPane(window)->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(MainWindowTest, EnableShowAndCheckChangeTheControlsWithoutReportingActions) {
    window.EnableControl(kStartButtonId, true);
    EXPECT_TRUE(window.IsControlEnabled(kStartButtonId));
    window.EnableControl(kSourceEditId, false);
    EXPECT_FALSE(window.IsControlEnabled(kSourceEditId));
    window.ShowControl(kTypeComboId, false);
    window.ShowControl(kTypeLabelId, false);
    EXPECT_FALSE(window.IsControlShown(kTypeComboId));
    EXPECT_FALSE(Control(kTypeLabelId)->isVisible());
    window.ShowControl(kTypeComboId, true);
    EXPECT_TRUE(window.IsControlShown(kTypeComboId));
    EXPECT_TRUE(Control(kTypeComboId)->isVisible());
    window.SetCheck(kCompressCheckId, true);
    EXPECT_TRUE(window.IsChecked(kCompressCheckId));
    window.SetCheck(kCompressCheckId, false);
    EXPECT_FALSE(window.IsChecked(kCompressCheckId));
    EXPECT_TRUE(events.Actions().empty());
}

TEST_F(MainWindowTest, SelectionsOutsideAListSelectNothing) {
    window.SetSelection(kLevelComboId, 8);
    EXPECT_EQ(window.Selection(kLevelComboId), 8);
    EXPECT_EQ(window.ControlText(kLevelComboId), "9");
    window.SetSelection(kLevelComboId, 9);
    EXPECT_EQ(window.Selection(kLevelComboId), -1);
    window.SetSelection(kTypeComboId, 2);
    window.SetSelection(kTypeComboId, -1);
    EXPECT_EQ(window.Selection(kTypeComboId), -1);
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(MainWindowTest, ProgressPositionsAreClampedToTheRange) {
    window.SetProgressRange(kProgressBarId, 0, 10000);
    window.SetProgressPosition(kProgressBarId, 9990);
    EXPECT_EQ(window.ProgressPosition(kProgressBarId), 9990);
    window.SetProgressPosition(kProgressBarId, 20000);
    EXPECT_EQ(window.ProgressPosition(kProgressBarId), 10000);
    window.SetProgressPosition(kProgressBarId, -5);
    EXPECT_EQ(window.ProgressPosition(kProgressBarId), 0);
}

TEST_F(MainWindowTest, TheStatusBarShowsOneText) {
    EXPECT_EQ(window.StatusText(), "");
    window.SetStatusText("Saving Image: 42%");
    EXPECT_EQ(window.StatusText(), "Saving Image: 42%");
    EXPECT_EQ(window.ControlText(kStatusBarId), "Saving Image: 42%");
    window.SetControlText(kStatusBarId, "");
    EXPECT_EQ(window.StatusText(), "");
}

TEST_F(MainWindowTest, FocusIsMovedAndReadByControlId) {
    window.FocusControl(kMoreInfoButtonId);
    EXPECT_EQ(window.FocusedControlId(), kMoreInfoButtonId);
    window.FocusControl(kLogEditId);
    EXPECT_EQ(window.FocusedControlId(), kLogEditId);
}
