#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <cstdlib>

#include "qt/dialog_units.h"
#include "qt/main_window_template.h"
#include "window_fixture.h"

namespace {

QRect ToQRect(const Rect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

// The control's pixel rectangle at the window's first size.
QRect InitialPixels(const MainWindowWidget& window, int index) {
    return ToQRect(DialogUnitsToPixels(MainWindowControls()[index].rect, window.BaseUnits()));
}

// Saves a picture of the window when BREVEL_SCREENSHOT_DIR names a folder.
void SaveScreenshot(QWidget& window, const char* name) {
    if (const char* folder = std::getenv("BREVEL_SCREENSHOT_DIR")) {
        window.grab().save(QString::fromUtf8(folder) + '/' + name);
    }
}

void ExpectStatusBarAlongTheBottom(const MainWindowWidget& window) {
    const QWidget* bar = window.Control(kStatusBarId);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->x(), 0);
    EXPECT_EQ(bar->width(), window.width());
    EXPECT_EQ(bar->geometry().bottom(), window.height() - 1);
    EXPECT_GT(bar->height(), 0);
}

}  // namespace

TEST_F(MainWindowTest, BuildsTheTemplatesControlsInOrderWithTheirTexts) {
    const auto templates = MainWindowControls();
    ASSERT_EQ(templates.size(), 27u);
    ASSERT_EQ(window.Controls().size(), 27u);
    for (std::size_t index = 0; index < templates.size(); ++index) {
        if (templates[index].id != kNoControlId) {
            EXPECT_EQ(Control(templates[index].id), window.Controls()[index]) << index;
        }
        EXPECT_TRUE(window.Controls()[index]->isVisible()) << index;
    }
    const auto& controls = window.Controls();
    EXPECT_EQ(qobject_cast<QGroupBox*>(controls[0])->title(), "Source");
    EXPECT_EQ(qobject_cast<QGroupBox*>(controls[4])->title(), "Target");
    EXPECT_EQ(qobject_cast<QGroupBox*>(controls[17])->title(), "");
    EXPECT_EQ(qobject_cast<QGroupBox*>(controls[19])->title(), "Copied");
    EXPECT_EQ(qobject_cast<QGroupBox*>(controls[21])->title(), "Speed");
    EXPECT_NE(qobject_cast<QLineEdit*>(Control(kSourceEditId)), nullptr);
    EXPECT_NE(qobject_cast<QLineEdit*>(Control(kTargetEditId)), nullptr);
    EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(Control(kLogEditId))->isReadOnly());
    EXPECT_EQ(qobject_cast<QCheckBox*>(Control(kCompressCheckId))->text(), "Compress Image");
    EXPECT_EQ(qobject_cast<QCheckBox*>(Control(kVerifyCheckId))->text(), "Verify");
    EXPECT_EQ(window.ControlText(kTypeLabelId), "Type:");
    EXPECT_EQ(window.ControlText(kLevelLabelId), "Level:");
    EXPECT_EQ(window.ControlText(kStartButtonId), "Start");
    EXPECT_EQ(window.ControlText(kCancelButtonId), "Cancel");
    EXPECT_EQ(window.ControlText(kMoreInfoButtonId), "More Info");
    EXPECT_EQ(window.ControlText(kCopiedTextId), "");
    EXPECT_EQ(window.ControlText(kSpeedTextId), "");
    EXPECT_NE(qobject_cast<QProgressBar*>(Control(kProgressBarId)), nullptr);
    EXPECT_FALSE(qobject_cast<QLabel*>(controls[24])->pixmap().isNull());
    EXPECT_EQ(window.Caption(), "Brevel Free 2312 - " BREVEL_SITE);
    EXPECT_TRUE(window.Caption().startsWith("Brevel Free 2312 - "));
}

TEST_F(MainWindowTest, StartAndCancelBeginDisabledAndNoButtonIsTheDefault) {
    for (QWidget* control : window.Controls()) {
        const bool startOrCancel =
            control == Control(kStartButtonId) || control == Control(kCancelButtonId);
        EXPECT_EQ(control->isEnabled(), !startOrCancel) << control->objectName().toStdString();
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
        }
    }
}

TEST_F(MainWindowTest, ImageButtonsHaveTheirImagesAndTooltipsAndMoreInfoAHand) {
    const struct {
        int id;
        const char* tooltip;
    } buttons[] = {{kOpenImageButtonId, "Open Image"},
                   {kSourceDiskButtonId, "Source Disk"},
                   {kSaveImageButtonId, "Save Image"},
                   {kTargetDiskButtonId, "Target Disk"}};
    for (const auto& expected : buttons) {
        auto* button = qobject_cast<QPushButton*>(Control(expected.id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), expected.tooltip);
        EXPECT_EQ(button->text(), "");
        EXPECT_FALSE(button->icon().pixmap(16, 16).isNull()) << expected.tooltip;
        EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);
    }
    auto* moreInfo = qobject_cast<QPushButton*>(Control(kMoreInfoButtonId));
    EXPECT_TRUE(moreInfo->icon().isNull());
    EXPECT_EQ(moreInfo->toolTip(), "");
    EXPECT_EQ(moreInfo->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindowTest, TheWindowIconComesInEverySize) {
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    for (const int size : {256, 48, 32, 24, 16}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
}

TEST_F(MainWindowTest, ListsHoldTheTypesInInsertionOrderAndTheLevels) {
    auto* types = qobject_cast<QComboBox*>(Control(kTypeComboId));
    auto* levels = qobject_cast<QComboBox*>(Control(kLevelComboId));
    ASSERT_EQ(types->count(), 5);
    EXPECT_EQ(types->itemText(0), "Gzip");
    EXPECT_EQ(types->itemText(1), "Bzip2");
    EXPECT_EQ(types->itemText(2), "Zlib");
    EXPECT_EQ(types->itemText(3), "Xz");
    EXPECT_EQ(types->itemText(4), "Zstd");
    ASSERT_EQ(levels->count(), 9);
    for (int index = 0; index < 9; ++index) {
        EXPECT_EQ(levels->itemText(index), QString::number(index + 1));
    }
    EXPECT_FALSE(types->isEditable());
    EXPECT_EQ(window.Selection(kTypeComboId), -1);
    EXPECT_EQ(window.Selection(kLevelComboId), -1);
}

TEST_F(MainWindowTest, PathAndReadoutFontsHaveTheirCellHeightsAtNormalWeight) {
    const QString face = QApplication::font().family();
    for (const auto& [id, height] : {std::pair{kSourceEditId, 15}, std::pair{kTargetEditId, 15},
                                     std::pair{kCopiedTextId, 20}, std::pair{kSpeedTextId, 20}}) {
        const QFont font = Control(id)->font();
        EXPECT_EQ(font.family(), face) << id;
        EXPECT_EQ(font.weight(), QFont::Normal) << id;
        EXPECT_LE(QFontMetrics(font).height(), height) << id;
        QFont larger(font);
        larger.setPixelSize(font.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(larger).height(), height) << id;
    }
    // The rest keep the window's font.
    EXPECT_EQ(Control(kLogEditId)->font(), window.font());
}

TEST_F(MainWindowTest, TabVisitsTheEnabledTabStopsInTemplateOrder) {
    const int order[] = {kSourceEditId,    kOpenImageButtonId, kSourceDiskButtonId,
                         kTargetEditId,    kSaveImageButtonId, kTargetDiskButtonId,
                         kCompressCheckId, kTypeComboId,       kLevelComboId,
                         kVerifyCheckId,   kLogEditId,         kMoreInfoButtonId,
                         kSourceEditId};
    window.FocusControl(kSourceEditId);
    ASSERT_EQ(window.FocusedControlId(), kSourceEditId);
    for (std::size_t step = 1; step < std::size(order); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(window.FocusedControlId(), order[step]) << step;
    }
    // Enabled, Start and Cancel take their places between Verify and the log.
    window.EnableControl(kStartButtonId, true);
    window.EnableControl(kCancelButtonId, true);
    window.FocusControl(kVerifyCheckId);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(window.FocusedControlId(), kStartButtonId);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(window.FocusedControlId(), kCancelButtonId);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(window.FocusedControlId(), kLogEditId);
}

TEST_F(MainWindowTest, FirstSizeIsTheTemplatesAndTheSmallestSize) {
    const Rect client = DialogUnitsToPixels({0, 0, 352, 247}, window.BaseUnits());
    const QSize first(client.width, client.height);
    EXPECT_EQ(window.size(), first);
    EXPECT_EQ(window.MinimumTrackSize(), first);
    EXPECT_EQ(window.minimumSize(), first);
    window.resize(first.width() - 100, first.height() - 50);
    EXPECT_EQ(window.size(), first);
    // Every control sits at its rectangle; the logo at its image's size and
    // the lists at the height of their closed field.
    for (std::size_t index = 0; index < window.Controls().size(); ++index) {
        const QRect expected = InitialPixels(window, static_cast<int>(index));
        const QRect actual = window.Controls()[index]->geometry();
        EXPECT_EQ(actual.topLeft(), expected.topLeft()) << index;
        const ControlKind kind = MainWindowControls()[index].kind;
        if (kind == ControlKind::Picture) {
            EXPECT_EQ(actual.size(), QSize(320, 32));
        } else if (kind == ControlKind::DropDownList) {
            EXPECT_EQ(actual.width(), expected.width()) << index;
            EXPECT_EQ(actual.height(), window.Controls()[index]->sizeHint().height()) << index;
        } else {
            EXPECT_EQ(actual.size(), expected.size()) << index;
        }
    }
    ExpectStatusBarAlongTheBottom(window);
    SaveScreenshot(window, "main_window_first_size.png");
}

TEST_F(MainWindowTest, GrowingMovesAndWidensTheControlsByTheirRules) {
    std::vector<QRect> before;
    for (QWidget* control : window.Controls()) {
        before.push_back(control->geometry());
    }
    const int growX = 301;
    const int growY = 157;
    window.resize(window.width() + growX, window.height() + growY);

    const auto delta = [&](int id) {
        const auto& controls = window.Controls();
        const auto index =
            std::find(controls.begin(), controls.end(), Control(id)) - controls.begin();
        const QRect was = before[index];
        const QRect now = controls[index]->geometry();
        return std::array<int, 4>{now.x() - was.x(), now.y() - was.y(), now.width() - was.width(),
                                  now.height() - was.height()};
    };
    using D = std::array<int, 4>;
    // Path edits widen; the picker buttons, read-outs and More Info keep to the right edge.
    EXPECT_EQ(delta(kSourceEditId), (D{0, 0, growX, 0}));
    EXPECT_EQ(delta(kTargetEditId), (D{0, 0, growX, 0}));
    for (const int id : {kOpenImageButtonId, kSourceDiskButtonId, kSaveImageButtonId,
                         kTargetDiskButtonId, kCopiedTextId, kSpeedTextId, kMoreInfoButtonId}) {
        EXPECT_EQ(delta(id), (D{growX, 0, 0, 0})) << id;
    }
    // Start and Cancel keep to the bottom right; the progress bar to the bottom, widening.
    EXPECT_EQ(delta(kStartButtonId), (D{growX, growY, 0, 0}));
    EXPECT_EQ(delta(kCancelButtonId), (D{growX, growY, 0, 0}));
    EXPECT_EQ(delta(kProgressBarId), (D{0, growY, growX, 0}));
    // The log pane grows both ways; the compression row stays.
    EXPECT_EQ(delta(kLogEditId), (D{0, 0, growX, growY}));
    for (const int id :
         {kCompressCheckId, kTypeLabelId, kTypeComboId, kLevelLabelId, kLevelComboId}) {
        EXPECT_EQ(delta(id), (D{0, 0, 0, 0})) << id;
    }
    // The controls without identifiers follow their rules too.
    for (std::size_t index = 0; index < before.size(); ++index) {
        const ResizeRule& rule = MainWindowControls()[index].resize;
        const QRect now = window.Controls()[index]->geometry();
        EXPECT_EQ(now, QRect(before[index].x() + growX * rule.moveX / 100,
                             before[index].y() + growY * rule.moveY / 100,
                             before[index].width() + growX * rule.sizeX / 100,
                             before[index].height() + growY * rule.sizeY / 100))
            << index;
    }
    ExpectStatusBarAlongTheBottom(window);
    SaveScreenshot(window, "main_window_enlarged.png");
}

TEST_F(MainWindowTest, TheStatusBarFollowsEveryResizeAndMaximising) {
    auto* bar = qobject_cast<QStatusBar*>(Control(kStatusBarId));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isSizeGripEnabled());
    for (const QSize grow : {QSize(40, 0), QSize(0, 77), QSize(250, 190)}) {
        window.resize(window.MinimumTrackSize() + grow);
        ExpectStatusBarAlongTheBottom(window);
    }
    window.showMaximized();
    QTest::qWait(50);
    EXPECT_TRUE(window.isMaximized());
    EXPECT_GT(window.width(), window.MinimumTrackSize().width());
    ExpectStatusBarAlongTheBottom(window);
    // The log pane still reaches down as far as its rule says.
    EXPECT_EQ(Control(kLogEditId)->height(), InitialPixels(window, 18).height() + window.height() -
                                                 window.MinimumTrackSize().height());
}

namespace {

// Pixels darker than mid grey inside a rectangle of the image.
int DarkPixels(const QImage& image, const QRect& area) {
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor color = image.pixelColor(x, y);
            dark += color.red() < 100 && color.green() < 100 && color.blue() < 100 ? 1 : 0;
        }
    }
    return dark;
}

}  // namespace

TEST_F(MainWindowTest, TheBannerIsWhiteWithTheDarkLogoOnIt) {
    const QImage image = window.grab().toImage();
    const QRect logo = window.Controls()[24]->geometry();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(logo.right() + 3, logo.top()), QColor(Qt::white));
    EXPECT_GT(DarkPixels(image, logo), 300);
}

TEST_F(MainWindowTest, ABusyWindowShowsItsTexts) {
    window.SetControlText(kSourceEditId, "/dev/sdb");
    window.SetControlText(kTargetEditId, "/home/user/backup.dsk.gz");
    window.SetCheck(kCompressCheckId, true);
    window.SetSelection(kTypeComboId, 0);
    window.SetSelection(kLevelComboId, 5);
    window.SetControlText(kLogEditId,
                          "Mode: Saving Image\r\nSource: \\\\.\\PhysicalDrive1\r\n"
                          "Target: /home/user/backup.dsk.gz\r\n");
    window.AppendText(kLogEditId, "Start Time: 2023-12-09 10:00:00\r\n");
    window.SetControlText(kCopiedTextId, "12.3 GB");
    window.SetControlText(kSpeedTextId, "105 MB/s");
    window.SetProgressRange(kProgressBarId, 0, 10000);
    window.SetProgressPosition(kProgressBarId, 4200);
    window.SetStatusText("Saving Image: 42%");
    const QImage image = window.grab().toImage();
    for (const int id : {kCopiedTextId, kSpeedTextId, kLogEditId}) {
        EXPECT_GT(DarkPixels(image, Control(id)->geometry()), 20) << id;
    }
    const QWidget* bar = Control(kStatusBarId);
    EXPECT_GT(DarkPixels(image, bar->geometry()), 20);
    SaveScreenshot(window, "main_window_busy.png");
}
