// The open and save dialogs: filters in Qt's form, and the real dialogs
// answering as a user drives them.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "control/control_ids.h"
#include "modal.h"
#include "qt/file_dialogs.h"
#include "test_files.h"

namespace {

const std::wstring kImageFilter =
    L"Disk Image (*.dsk;*.dsk.gz;*.dsk.bz2;*.dsk.zz)|*.dsk;*.dsk.gz;*.dsk.bz2;*.dsk.zz|All "
    L"files|*.*||";

TEST(QtNameFilters, TheImageFilter) {
    EXPECT_EQ(QtNameFilters(kImageFilter),
              (QStringList{QStringLiteral("Disk Image (*.dsk *.dsk.gz *.dsk.bz2 *.dsk.zz)"),
                           QStringLiteral("All files (*)")}));
}

TEST(QtNameFilters, OtherShapes) {
    // A name without its patterns, or with other parentheses, keeps its text.
    EXPECT_EQ(QtNameFilters(L"Text|*.txt; *.log||"), QStringList{"Text (*.txt *.log)"});
    EXPECT_EQ(QtNameFilters(L"Logs (old)|*.log||"), QStringList{"Logs (old) (*.log)"});
    // Without the closing "||", and with pairs that match nothing.
    EXPECT_EQ(QtNameFilters(L"Raw|*.dsk"), QStringList{"Raw (*.dsk)"});
    EXPECT_EQ(QtNameFilters(L"Nothing||Raw|*.dsk|Dangling"), QStringList{"Raw (*.dsk)"});
    EXPECT_TRUE(QtNameFilters(L"").isEmpty());
    EXPECT_TRUE(QtNameFilters(L"||").isEmpty());
}

TEST(FileDialogSetUp, OpenAndSave) {
    TempDir dir;
    const std::wstring initial = (dir / "disk.dsk.gz").wstring();
    QFileDialog open;
    ConfigureFileDialog(open, false, initial, kImageFilter, FileDialogFlag::FileMustExist);
    EXPECT_EQ(open.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open.nameFilters(), QtNameFilters(kImageFilter));
    EXPECT_EQ(open.directory().absolutePath(), QString::fromStdString(dir.Path().string()));
    EXPECT_EQ(open.defaultSuffix(), QString());

    QFileDialog save;
    ConfigureFileDialog(save, true, L"", kImageFilter, FileDialogFlag::OverwritePrompt);
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save.fileMode(), QFileDialog::AnyFile);
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));

    QFileDialog plain;
    ConfigureFileDialog(plain, true, L"", kImageFilter, 0);
    EXPECT_TRUE(plain.testOption(QFileDialog::DontConfirmOverwrite));
}

// Types name into the dialog's file name field, as a user would.
void Type(QFileDialog* dialog, const std::wstring& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromStdWString(name));
}

// Presses the dialog's Open or Save button.
void PressAccept(QFileDialog* dialog) {
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* accept =
        buttons->button(dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                        : QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    // The dialog learns about the typed name from its file system model, which
    // reads folders in the background.
    ASSERT_TRUE(QTest::qWaitFor([accept] { return accept->isEnabled(); }));
    accept->click();
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(dir_ / "old.dsk", Bytes(512, 7)); }

    std::wstring PathOf(const std::string& name) const { return (dir_ / name).wstring(); }

    // Picks name in the next file dialog and presses its accept button.
    static void Choose(const std::wstring& path) {
        WhenShown<QFileDialog>([path](QFileDialog* dialog) {
            Type(dialog, path);
            PressAccept(dialog);
        });
    }

    // Answers the next question box with button.
    static void AnswerBox(QMessageBox::StandardButton button, QString* text = nullptr) {
        WhenShown<QMessageBox>([button, text](QMessageBox* box) {
            if (text) {
                *text = box->text();
            }
            box->button(button)->click();
        });
    }

    TempDir dir_;
};

TEST_F(FileDialogs, OpenHandsBackTheChosenFile) {
    Choose(PathOf("old.dsk"));
    EXPECT_EQ(OpenFileDialog(nullptr, L"", kImageFilter, FileDialogFlag::FileMustExist),
              PathOf("old.dsk"));
}

TEST_F(FileDialogs, OpenStartsAtTheInitialName) {
    QString shown;
    WhenShown<QFileDialog>([&shown](QFileDialog* dialog) {
        shown = dialog->selectedFiles().value(0);
        PressAccept(dialog);
    });
    EXPECT_EQ(
        OpenFileDialog(nullptr, PathOf("old.dsk"), kImageFilter, FileDialogFlag::FileMustExist),
        PathOf("old.dsk"));
    EXPECT_EQ(shown.toStdWString(), PathOf("old.dsk"));
}

// The accept button of the next file dialog, once name is typed into it.
QPushButton* AcceptButtonWith(QFileDialog* dialog, const std::wstring& name) {
    Type(dialog, name);
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    return buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
}

TEST_F(FileDialogs, OpenRefusesAFileThatIsNotThere) {
    bool missingRefused = false;
    bool existingTaken = false;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        QPushButton* open = AcceptButtonWith(dialog, PathOf("old.dsk"));
        existingTaken = open && QTest::qWaitFor([open] { return open->isEnabled(); });
        open = AcceptButtonWith(dialog, PathOf("missing.dsk"));
        missingRefused = open && !open->isEnabled();
        dialog->reject();
    });
    EXPECT_EQ(OpenFileDialog(nullptr, L"", kImageFilter, FileDialogFlag::FileMustExist),
              std::nullopt);
    EXPECT_TRUE(missingRefused);
    EXPECT_TRUE(existingTaken);
}

TEST_F(FileDialogs, OpenWithoutMustExistTakesANewName) {
    Choose(PathOf("new.dsk"));
    EXPECT_EQ(OpenFileDialog(nullptr, L"", kImageFilter, 0), PathOf("new.dsk"));
}

TEST_F(FileDialogs, CancelHandsBackNothing) {
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(SaveFileDialog(nullptr, L"new.dsk", kImageFilter, FileDialogFlag::OverwritePrompt),
              std::nullopt);
}

TEST_F(FileDialogs, SaveAsksBeforeReplacingAFile) {
    bool stillOpen = false;
    QString question;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        Type(dialog, PathOf("old.dsk"));
        AnswerBox(QMessageBox::No, &question);
        PressAccept(dialog);
        stillOpen = dialog->isVisible();
        AnswerBox(QMessageBox::Yes);
        PressAccept(dialog);
    });
    EXPECT_EQ(SaveFileDialog(nullptr, L"", kImageFilter, FileDialogFlag::OverwritePrompt),
              PathOf("old.dsk"));
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(question.contains(QStringLiteral("old.dsk"))) << question.toStdString();
}

TEST_F(FileDialogs, SaveTakesANewNameAsIs) {
    Choose(PathOf("new.dsk.gz"));
    EXPECT_EQ(SaveFileDialog(nullptr, PathOf("proposal.dsk"), kImageFilter,
                             FileDialogFlag::OverwritePrompt),
              PathOf("new.dsk.gz"));
}

}  // namespace
