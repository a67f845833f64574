#include <QComboBox>

#include "window_fixture.h"

using Calls = std::vector<std::string>;

TEST_F(MainWindowTest, ClickingAButtonOrTheCheckBoxReportsItsCommand) {
    for (const int id : {kOpenImageButtonId, kSourceDiskButtonId, kSaveImageButtonId,
                         kTargetDiskButtonId, kMoreInfoButtonId}) {
        QTest::mouseClick(Control(id), Qt::LeftButton);
    }
    EXPECT_EQ(events.Actions(), (Calls{"command 1071", "command 1072", "command 1073",
                                       "command 1005", "command 1070"}));
    events.calls.clear();

    QTest::mouseClick(Control(kCompressCheckId), Qt::LeftButton);
    EXPECT_TRUE(window.IsChecked(kCompressCheckId));
    EXPECT_EQ(events.Actions(), (Calls{"command 1062"}));
    events.calls.clear();

    // A disabled button reports nothing.
    QTest::mouseClick(Control(kStartButtonId), Qt::LeftButton);
    EXPECT_TRUE(events.Actions().empty());
    window.EnableControl(kStartButtonId, true);
    QTest::mouseClick(Control(kStartButtonId), Qt::LeftButton);
    EXPECT_EQ(events.Actions(), (Calls{"command 1004"}));
}

TEST_F(MainWindowTest, ChoosingAListEntryReportsASelectionChange) {
    window.SetSelection(kTypeComboId, 0);
    window.FocusControl(kTypeComboId);
    QTest::keyClick(Control(kTypeComboId), Qt::Key_Down);
    EXPECT_EQ(window.Selection(kTypeComboId), 1);
    window.SetSelection(kLevelComboId, 4);
    window.FocusControl(kLevelComboId);
    QTest::keyClick(Control(kLevelComboId), Qt::Key_Up);
    EXPECT_EQ(window.Selection(kLevelComboId), 3);
    EXPECT_EQ(events.Actions(), (Calls{"selchange 1036", "selchange 1016"}));
}

TEST_F(MainWindowTest, LeavingAPathEditReportsTheLostFocus) {
    // The Source edit, the first tab stop, has the focus when the window opens.
    EXPECT_EQ(window.FocusedControlId(), kSourceEditId);
    EXPECT_TRUE(events.calls.empty());
    QTest::keyClicks(Control(kSourceEditId), "/tmp/a.dsk");
    QTest::keyClick(Control(kSourceEditId), Qt::Key_Tab);
    // Every key typed is reported, so that Start can follow the text.
    Calls typed(10, "edit 1002");
    typed.push_back("killfocus 1002");
    EXPECT_EQ(events.calls, typed);
    events.calls.clear();
    window.FocusControl(kTargetEditId);
    QTest::mouseClick(Control(kCompressCheckId), Qt::LeftButton);
    EXPECT_EQ(events.calls, (Calls{"killfocus 1003", "command 1062"}));
    EXPECT_EQ(window.ControlText(kSourceEditId), "/tmp/a.dsk");
}

TEST_F(MainWindowTest, OnlyTheCloseBoxAsksToCloseEnterAndEscapeAreReported) {
    window.close();
    EXPECT_TRUE(window.isVisible());
    window.FocusControl(kSourceEditId);
    QTest::keyClicks(Control(kSourceEditId), "ab");
    QTest::keyClick(Control(kSourceEditId), Qt::Key_Return);
    QTest::keyClick(Control(kSourceEditId), Qt::Key_Escape);
    window.FocusControl(kCompressCheckId);
    QTest::keyClick(Control(kCompressCheckId), Qt::Key_Enter);
    window.FocusControl(kLevelComboId);
    QTest::keyClick(Control(kLevelComboId), Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.IsChecked(kCompressCheckId));
    EXPECT_EQ(events.Actions(), (Calls{"close", "edit 1002", "edit 1002", "enter 1002", "escape",
                                       "enter 1062", "escape"}));
}

TEST_F(MainWindowTest, EnterClicksAFocusedButtonAndTheLogPaneKeepsIt) {
    window.EnableControl(kStartButtonId, true);
    window.FocusControl(kStartButtonId);
    QTest::keyClick(Control(kStartButtonId), Qt::Key_Return);
    window.FocusControl(kLogEditId);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(events.Actions(), (Calls{"command 1004"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(events.Actions(), (Calls{"command 1004", "escape"}));
}

TEST_F(MainWindowTest, CloseWindowClosesWithoutAsking) {
    window.CloseWindow();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(events.Actions().empty());
    // Shown again, it is back to asking.
    window.show();
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(events.Actions(), (Calls{"close"}));
}

TEST(MainWindowWithoutEvents, ActionsWithNobodyListeningAreDropped) {
    MainWindowWidget window;
    window.show();
    QTest::mouseClick(window.Control(kMoreInfoButtonId), Qt::LeftButton);
    window.close();
    EXPECT_TRUE(window.isVisible());
}
