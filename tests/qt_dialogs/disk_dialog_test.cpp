// "Select Disk" on the real widgets: its make-up in dialog units, its
// resizing, the rows of a canned machine, and how each way of closing it
// answers.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "control/control_ids.h"
#include "disks/wmi_result_codes.h"
#include "disks/wmi_sysfs_provider.h"
#include "fake_wmi.h"
#include "modal.h"
#include "qt/disk_dialog.h"
#include "sysfs_tree.h"

namespace {

QTreeWidget* ListOf(CDiskDialog& dialog) {
    return dialog.findChild<QTreeWidget*>(QStringLiteral("1049"));
}
QPushButton* ButtonOf(CDiskDialog& dialog, int id) {
    return dialog.findChild<QPushButton*>(QString::number(id));
}
// The widget that Tab moves to from widget.
QWidget* NextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget &&
           !((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && !next->isWindow())) {
        next = next->nextInFocusChain();
    }
    return next;
}
// The centre of a row, in the list's viewport.
QPoint RowPoint(QTreeWidget* list, int row) {
    return list->visualItemRect(list->topLevelItem(row)).center();
}

class DiskDialog : public ::testing::Test {
protected:
    DiskDialog() {
        AddMixedMachine(tree_);
        provider_ = Wmi::MakeSysfsProvider(tree_.Root());
        expected_ = DiskList::FromQuery(*provider_, tree_.Root());
    }

    std::unique_ptr<CDiskDialog> Make(std::string advice = "") {
        return std::make_unique<CDiskDialog>(
            [this] { return DiskList::FromQuery(*provider_, tree_.Root()); },
            [advice] { return advice; }, nullptr);
    }

    SysfsTree tree_;
    std::unique_ptr<Wmi::Provider> provider_;
    DiskList expected_;
};

TEST_F(DiskDialog, MadeFromItsTemplate) {
    const auto dialog = Make();
    const DialogBaseUnits base = BaseUnitsOf(dialog->font());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select Disk"));
    EXPECT_EQ(dialog->size(), DialogSizeToPixels(QSize(272, 163), base));
    EXPECT_EQ(dialog->minimumSize(), dialog->size());

    QTreeWidget* list = ListOf(*dialog);
    QPushButton* ok = ButtonOf(*dialog, BoxResult::Ok);
    QPushButton* cancel = ButtonOf(*dialog, BoxResult::Cancel);
    ASSERT_TRUE(list && ok && cancel);
    EXPECT_EQ(list->geometry(), DialogRectToPixels(QRect(4, 4, 264, 136), base));
    EXPECT_EQ(ok->geometry(), DialogRectToPixels(QRect(168, 144, 48, 16), base));
    EXPECT_EQ(cancel->geometry(), DialogRectToPixels(QRect(220, 144, 48, 16), base));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    // Tab order: the list, OK, Cancel, and round again.
    EXPECT_EQ(NextTabStop(list), ok);
    EXPECT_EQ(NextTabStop(ok), cancel);
    EXPECT_EQ(NextTabStop(cancel), list);

    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_FALSE(list->header()->sectionsClickable());
    EXPECT_FALSE(list->rootIsDecorated());
    ASSERT_EQ(list->columnCount(), 4);
    const QTreeWidgetItem* header = list->headerItem();
    EXPECT_EQ(header->text(0), QStringLiteral("Disk"));
    EXPECT_EQ(header->text(1), QStringLiteral("Description"));
    EXPECT_EQ(header->text(2), QStringLiteral("Size"));
    EXPECT_EQ(header->text(3), QStringLiteral("Device"));
    EXPECT_TRUE(header->textAlignment(2) & Qt::AlignRight);
    const int unit = list->width() / 25;
    EXPECT_EQ(list->columnWidth(0), 4 * unit);
    EXPECT_EQ(list->columnWidth(1), 8 * unit);
    EXPECT_EQ(list->columnWidth(2), 6 * unit);
    EXPECT_EQ(list->columnWidth(3), 6 * unit);
}

TEST_F(DiskDialog, RowsOfTheMachine) {
    const auto dialog = Make();
    QTreeWidget* list = ListOf(*dialog);
    ASSERT_EQ(static_cast<std::size_t>(list->topLevelItemCount()), expected_.Rows().size());
    ASSERT_EQ(list->topLevelItemCount(), 6);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        const DiskRow& disk = expected_.Rows()[row];
        EXPECT_EQ(item->text(0).toStdWString(), disk.diskText);
        EXPECT_EQ(item->text(1).toStdWString(), disk.label);
        EXPECT_EQ(item->text(2).toStdWString(), disk.sizeText);
        EXPECT_TRUE(item->textAlignment(2) & Qt::AlignRight);
    }
    // sda: the second whole disk by device number, its model unpadded.
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("Disk 1"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("ACME Fixed 1TB"));
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("1000204886016"));
    EXPECT_EQ(list->topLevelItem(1)->text(3), QStringLiteral("/dev/sda"));
    EXPECT_EQ(list->topLevelItem(1)->toolTip(2), QStringLiteral("931 GB"));
    // The first row is chosen, not only current: OK takes it.
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems()[0], list->topLevelItem(0));
    EXPECT_TRUE(ButtonOf(*dialog, BoxResult::Ok)->isEnabled());
}

TEST_F(DiskDialog, TellsWhatReachingDisksNeeds) {
    for (const std::string& advice :
         {std::string(), std::string("Reading or writing disks\nneeds root.")}) {
        const auto dialog = Make(advice);
        dialog->show();
        auto* note = dialog->findChild<QLabel*>(QStringLiteral("1050"));
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->isVisible(), !advice.empty());
        if (!advice.empty()) {
            EXPECT_EQ(note->text(), QStringLiteral("Reading or writing disks needs root."));
        }
    }
}

TEST_F(DiskDialog, ResizingMovesTheButtonsAndGrowsTheList) {
    const auto dialog = Make();
    dialog->show();
    QTreeWidget* list = ListOf(*dialog);
    QPushButton* ok = ButtonOf(*dialog, BoxResult::Ok);
    QPushButton* cancel = ButtonOf(*dialog, BoxResult::Cancel);
    const QRect listAt = list->geometry();
    const QRect okAt = ok->geometry();
    const QRect cancelAt = cancel->geometry();
    const QSize initial = dialog->size();
    const int widths[] = {list->columnWidth(0), list->columnWidth(1), list->columnWidth(2)};

    dialog->resize(initial + QSize(150, 90));
    QCoreApplication::processEvents();
    EXPECT_EQ(list->geometry(), listAt.adjusted(0, 0, 150, 90));
    EXPECT_EQ(ok->geometry(), okAt.translated(150, 90));
    EXPECT_EQ(cancel->geometry(), cancelAt.translated(150, 90));
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(list->columnWidth(column), widths[column]) << column;
    }
    // Right and bottom margins stay as they were.
    EXPECT_EQ(dialog->width() - cancel->geometry().right(), initial.width() - cancelAt.right());
    EXPECT_EQ(dialog->height() - ok->geometry().bottom(), initial.height() - okAt.bottom());

    // Never smaller than it opened.
    dialog->resize(100, 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->size(), initial);
    EXPECT_EQ(list->geometry(), listAt);
    EXPECT_EQ(cancel->geometry(), cancelAt);
}

TEST_F(DiskDialog, DoubleClickOnARowChoosesIt) {
    const auto dialog = Make();
    WhenShown<CDiskDialog>([](CDiskDialog* shown) {
        QTreeWidget* list = ListOf(*shown);
        DoubleClick(list->viewport(), RowPoint(list, 2));
    });
    const DiskChoice choice = RunDiskDialog(*dialog);
    EXPECT_EQ(choice.result, BoxResult::Ok);
    EXPECT_EQ(choice.selectedPath, L"\\\\.\\PhysicalDrive2");
    EXPECT_EQ(choice.selectedLabel, expected_.DiskLabels()[2]);
}

TEST_F(DiskDialog, DoubleClickBelowTheRowsDoesNothing) {
    const auto dialog = Make();
    bool stillOpen = false;
    WhenShown<CDiskDialog>([&stillOpen](CDiskDialog* shown) {
        QTreeWidget* list = ListOf(*shown);
        const QPoint below(10, list->viewport()->height() - 5);
        ASSERT_EQ(list->itemAt(below), nullptr);
        DoubleClick(list->viewport(), below);
        stillOpen = shown->isVisible();
        ButtonOf(*shown, BoxResult::Cancel)->click();
    });
    const DiskChoice choice = RunDiskDialog(*dialog);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(choice.result, BoxResult::Cancel);
    EXPECT_EQ(choice.selectedPath, L"");
}

TEST_F(DiskDialog, OkNeedsASelectedRowAndNeverHandsBackNothing) {
    const auto dialog = Make();
    bool enabledWithout = true;
    WhenShown<CDiskDialog>([&enabledWithout](CDiskDialog* shown) {
        QTreeWidget* list = ListOf(*shown);
        list->clearSelection();
        enabledWithout = ButtonOf(*shown, BoxResult::Ok)->isEnabled();
        ButtonOf(*shown, BoxResult::Ok)->click();  // does nothing
        list->topLevelItem(0)->setSelected(true);
        ButtonOf(*shown, BoxResult::Ok)->click();
    });
    const DiskChoice choice = RunDiskDialog(*dialog);
    EXPECT_FALSE(enabledWithout);
    EXPECT_EQ(choice.result, BoxResult::Ok);
    EXPECT_EQ(choice.selectedPath, L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(choice.selectedLabel, expected_.DiskLabels()[0]);
}

TEST_F(DiskDialog, EnterOnASelectedRowIsOk) {
    const auto dialog = Make();
    WhenShown<CDiskDialog>([](CDiskDialog* shown) {
        QTreeWidget* list = ListOf(*shown);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowPoint(list, 4));
        ASSERT_EQ(QApplication::focusWidget(), list);
        QTest::keyClick(list, Qt::Key_Return);
    });
    const DiskChoice choice = RunDiskDialog(*dialog);
    EXPECT_EQ(choice.result, BoxResult::Ok);
    EXPECT_EQ(choice.selectedPath, L"\\\\.\\PhysicalDrive4");
}

TEST_F(DiskDialog, EveryWayOutOtherThanOkIsCancel) {
    const std::function<void(CDiskDialog*)> ways[] = {
        [](CDiskDialog* shown) { ButtonOf(*shown, BoxResult::Cancel)->click(); },
        [](CDiskDialog* shown) { QTest::keyClick(shown, Qt::Key_Escape); },
        [](CDiskDialog* shown) { shown->close(); },
    };
    for (const auto& leave : ways) {
        const auto dialog = Make();
        WhenShown<CDiskDialog>([leave](CDiskDialog* shown) {
            ListOf(*shown)->setCurrentItem(ListOf(*shown)->topLevelItem(1));
            leave(shown);
        });
        const DiskChoice choice = RunDiskDialog(*dialog);
        EXPECT_EQ(choice.result, BoxResult::Cancel);
        // The selection is taken whatever the way out; the caller ignores it on Cancel.
        EXPECT_EQ(choice.selectedPath, L"\\\\.\\PhysicalDrive1");
        EXPECT_EQ(choice.selectedLabel, L"ACME Fixed 1TB");
    }
}

TEST(DiskDialogQueryFailure, TheMessageOverAnEmptyList) {
    FakeScript script;
    script.createLocator = Wmi::kEOutOfMemory;
    FakeProvider provider(script);
    const std::string message = DiskList::FromQuery(provider).ErrorMessage();
    ASSERT_FALSE(message.empty());

    CDiskDialog dialog([&provider] { return DiskList::FromQuery(provider); }, nullptr);
    QString shownText;
    QString shownCaption;
    bool dialogStayed = false;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        shownText = box->text();
        shownCaption = box->windowTitle();
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->parentWidget(), &dialog);
        WhenShown<CDiskDialog>([&](CDiskDialog* shown) {
            dialogStayed = true;
            EXPECT_EQ(ListOf(*shown)->topLevelItemCount(), 0);
            EXPECT_FALSE(ButtonOf(*shown, BoxResult::Ok)->isEnabled());
            ButtonOf(*shown, BoxResult::Cancel)->click();
        });
        ButtonFor(box, BoxResult::Ok)->click();
    });
    const DiskChoice choice = RunDiskDialog(dialog);
    EXPECT_EQ(shownText.toStdString(), message);
    EXPECT_EQ(shownCaption, QStringLiteral("Error"));
    EXPECT_TRUE(dialogStayed);
    EXPECT_EQ(choice.result, BoxResult::Cancel);
    EXPECT_EQ(choice.selectedPath, L"");
}

// What the user sees: written to $BREVEL_SCREENSHOT_DIR/select-disk.png
// when that is set.
TEST_F(DiskDialog, Screenshot) {
    const auto dialog = Make();
    dialog->show();
    ListOf(*dialog)->setCurrentItem(ListOf(*dialog)->topLevelItem(1));
    const QImage image = dialog->grab().toImage();
    EXPECT_EQ(image.size() / image.devicePixelRatio(), dialog->size());
    if (const char* folder = std::getenv("BREVEL_SCREENSHOT_DIR")) {
        EXPECT_TRUE(
            image.save(QString::fromLocal8Bit(folder) + QStringLiteral("/select-disk.png")));
    }
}

}  // namespace
