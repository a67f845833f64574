// Message boxes for the style values the window logic uses: the buttons, icon
// and default a style asks for, and the real box answering with the ids.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "control/control_ids.h"
#include "modal.h"
#include "qt/message_box.h"

namespace {

using Buttons = std::vector<int>;
constexpr int kOk = BoxResult::Ok;
constexpr int kCancel = BoxResult::Cancel;
constexpr int kAbort = BoxResult::Abort;
constexpr int kRetry = BoxResult::Retry;
constexpr int kIgnore = BoxResult::Ignore;

struct StyleCase {
    unsigned style;
    Buttons buttons;
    QMessageBox::Icon icon;
    int defaultButton;
    int escapeButton;
};

// Every style the window logic shows, as the logic builds them.
const StyleCase kUsedStyles[] = {
    {BoxStyle::Ok | BoxStyle::IconError, {kOk}, QMessageBox::Critical, kOk, kOk},
    {BoxStyle::OkCancel | BoxStyle::IconWarning | BoxStyle::DefaultButton2,
     {kOk, kCancel},
     QMessageBox::Warning,
     kCancel,
     kCancel},
    {BoxStyle::AbortRetryIgnore | BoxStyle::IconInformation | BoxStyle::DefaultButton2,
     {kAbort, kRetry, kIgnore},
     QMessageBox::Information,
     kRetry,
     0},
    {BoxStyle::Ok | BoxStyle::IconInformation, {kOk}, QMessageBox::Information, kOk, kOk},
    {BoxStyle::OkCancel | BoxStyle::IconInformation,
     {kOk, kCancel},
     QMessageBox::Information,
     kOk,
     kCancel},
};

TEST(BoxLayout, TheStylesInUse) {
    EXPECT_EQ(kUsedStyles[0].style, 0x10u);
    EXPECT_EQ(kUsedStyles[1].style, 0x131u);
    EXPECT_EQ(kUsedStyles[2].style, 0x142u);
    EXPECT_EQ(kUsedStyles[3].style, 0x40u);
    EXPECT_EQ(kUsedStyles[4].style, 0x41u);
    for (const StyleCase& expected : kUsedStyles) {
        const BoxLayout layout = BoxLayoutOf(expected.style);
        EXPECT_EQ(layout.buttons, expected.buttons) << std::hex << expected.style;
        EXPECT_EQ(layout.icon, expected.icon) << std::hex << expected.style;
        EXPECT_EQ(layout.defaultButton, expected.defaultButton) << std::hex << expected.style;
        EXPECT_EQ(layout.escapeButton, expected.escapeButton) << std::hex << expected.style;
    }
}

TEST(BoxLayout, OtherStyleBits) {
    EXPECT_EQ(BoxLayoutOf(0x20).icon, QMessageBox::Question);
    EXPECT_EQ(BoxLayoutOf(0x0).icon, QMessageBox::NoIcon);
    EXPECT_EQ(BoxLayoutOf(0x5).buttons, (Buttons{kRetry, kCancel}));
    EXPECT_EQ(BoxLayoutOf(0x5).escapeButton, kCancel);
    EXPECT_EQ(BoxLayoutOf(0x4).buttons, (Buttons{BoxResult::Yes, BoxResult::No}));
    EXPECT_EQ(BoxLayoutOf(0x134).defaultButton, BoxResult::No);
    EXPECT_EQ(BoxLayoutOf(0x134).escapeButton, BoxResult::No);
    // Buttons we have no ids for fall back to OK alone.
    EXPECT_EQ(BoxLayoutOf(0x3).buttons, Buttons{kOk});
    // The third button as default; a default past the last button is the first.
    EXPECT_EQ(BoxLayoutOf(0x202).defaultButton, kIgnore);
    EXPECT_EQ(BoxLayoutOf(0x301).defaultButton, kOk);
    EXPECT_EQ(BoxLayoutOf(0x100).defaultButton, kOk);
}

TEST(MessageBox, BuiltAsTheStyleSays) {
    for (const StyleCase& expected : kUsedStyles) {
        const auto box = MakeMessageBox(nullptr, L"Some text", L"Caption", expected.style);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Caption"));
        EXPECT_EQ(box->text(), QStringLiteral("Some text"));
        EXPECT_EQ(box->icon(), expected.icon);
        Buttons shown;
        for (QAbstractButton* button : box->buttons()) {
            shown.push_back(BoxResultOf(button));
        }
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, expected.buttons) << std::hex << expected.style;
        EXPECT_EQ(BoxResultOf(box->defaultButton()), expected.defaultButton);
        EXPECT_EQ(BoxResultOf(box->escapeButton()), expected.escapeButton);
    }
    const auto box = MakeMessageBox(nullptr, L"", L"", 0x142);
    EXPECT_EQ(ButtonFor(box.get(), kAbort)->text(), QStringLiteral("&Abort"));
    EXPECT_EQ(ButtonFor(box.get(), kRetry)->text(), QStringLiteral("&Retry"));
    EXPECT_EQ(ButtonFor(box.get(), kIgnore)->text(), QStringLiteral("&Ignore"));
    const auto okCancel = MakeMessageBox(nullptr, L"", L"", 0x131);
    EXPECT_EQ(ButtonFor(okCancel.get(), kOk)->text(), QStringLiteral("OK"));
    EXPECT_EQ(ButtonFor(okCancel.get(), kCancel)->text(), QStringLiteral("Cancel"));
}

TEST(MessageBox, TextIsShownAsWritten) {
    const auto box = MakeMessageBox(nullptr, L"<b>C:\\x</b> \u00e9", L"Error", 0x10);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), QString::fromStdWString(L"<b>C:\\x</b> \u00e9"));
}

// Shows a box of style, lets act do to it what a user would, and returns its answer.
int Answer(unsigned style, std::function<void(QMessageBox*)> act) {
    WhenShown<QMessageBox>(std::move(act));
    return ShowMessageBox(nullptr, L"Question", L"Caption", style);
}

TEST(MessageBox, EachButtonAnswersWithItsId) {
    for (int button : {kAbort, kRetry, kIgnore}) {
        EXPECT_EQ(Answer(0x142, [button](QMessageBox* box) { ButtonFor(box, button)->click(); }),
                  button);
    }
    for (int button : {kOk, kCancel}) {
        EXPECT_EQ(Answer(0x131, [button](QMessageBox* box) { ButtonFor(box, button)->click(); }),
                  button);
        EXPECT_EQ(Answer(0x41, [button](QMessageBox* box) { ButtonFor(box, button)->click(); }),
                  button);
    }
    EXPECT_EQ(Answer(0x10, [](QMessageBox* box) { ButtonFor(box, kOk)->click(); }), kOk);
    EXPECT_EQ(Answer(0x40, [](QMessageBox* box) { ButtonFor(box, kOk)->click(); }), kOk);
}

// Enter goes to the button that has the focus when the box opens.
void PressEnter(QMessageBox*) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Return);
}

TEST(MessageBox, EnterTakesTheDefaultButton) {
    EXPECT_EQ(Answer(0x131, PressEnter), kCancel);
    EXPECT_EQ(Answer(0x142, PressEnter), kRetry);
    EXPECT_EQ(Answer(0x41, PressEnter), kOk);
    EXPECT_EQ(Answer(0x10, PressEnter), kOk);
}

TEST(MessageBox, EscapeAndTheCloseBoxCancel) {
    const auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    const auto close = [](QMessageBox* box) { box->close(); };
    EXPECT_EQ(Answer(0x131, escape), kCancel);
    EXPECT_EQ(Answer(0x41, close), kCancel);
    // A box with OK alone takes them as OK.
    EXPECT_EQ(Answer(0x10, escape), kOk);
    EXPECT_EQ(Answer(0x40, close), kOk);
}

TEST(MessageBox, AbortRetryIgnoreIgnoresEscapeAndTheCloseBox) {
    bool stayedOpen = false;
    const int answer = Answer(0x142, [&stayedOpen](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        stayedOpen = box->isVisible();
        ButtonFor(box, kIgnore)->click();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(answer, kIgnore);
}

}  // namespace

// What the user sees: the read-error question and the truncate warning, written
// to $BREVEL_SCREENSHOT_DIR when that is set.
TEST(MessageBox, Screenshots) {
    const char* folder = std::getenv("BREVEL_SCREENSHOT_DIR");
    for (unsigned style : {0x142u, 0x131u}) {
        QImage image;
        Answer(style, [&image](QMessageBox* box) {
            image = box->grab().toImage();
            box->defaultButton()->click();
        });
        EXPECT_FALSE(image.isNull());
        if (folder) {
            const QString name = QStringLiteral("/box-%1.png").arg(style, 0, 16);
            EXPECT_TRUE(image.save(QString::fromLocal8Bit(folder) + name));
        }
    }
}
