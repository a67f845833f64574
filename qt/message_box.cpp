#include "qt/message_box.h"

#include <QPushButton>
#include <QString>
#include <QVariant>

#include "control/control_ids.h"

namespace {

constexpr char kResultProperty[] = "boxResult";

std::vector<int> ButtonsOf(unsigned type) {
    switch (type) {
        case BoxStyle::OkCancel:
            return {BoxResult::Ok, BoxResult::Cancel};
        case BoxStyle::AbortRetryIgnore:
            return {BoxResult::Abort, BoxResult::Retry, BoxResult::Ignore};
        case BoxStyle::YesNo:
            return {BoxResult::Yes, BoxResult::No};
        case BoxStyle::RetryCancel:
            return {BoxResult::Retry, BoxResult::Cancel};
        default:
            return {BoxResult::Ok};
    }
}

QMessageBox::Icon IconOf(unsigned icon) {
    switch (icon) {
        case BoxStyle::IconError:
            return QMessageBox::Critical;
        case BoxStyle::IconQuestion:
            return QMessageBox::Question;
        case BoxStyle::IconWarning:
            return QMessageBox::Warning;
        case BoxStyle::IconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QString TextOf(int result) {
    switch (result) {
        case BoxResult::Cancel:
            return QStringLiteral("Cancel");
        case BoxResult::Abort:
            return QStringLiteral("&Abort");
        case BoxResult::Retry:
            return QStringLiteral("&Retry");
        case BoxResult::Ignore:
            return QStringLiteral("&Ignore");
        case BoxResult::Yes:
            return QStringLiteral("&Yes");
        case BoxResult::No:
            return QStringLiteral("&No");
        default:
            return QStringLiteral("OK");
    }
}

// Only OK, Cancel and No carry the roles Qt gives Escape to: Abort (or Yes to
// destroying a disk) must never be chosen by a stray Escape.
QMessageBox::ButtonRole RoleOf(int result) {
    switch (result) {
        case BoxResult::Ok:
            return QMessageBox::AcceptRole;
        case BoxResult::Cancel:
            return QMessageBox::RejectRole;
        case BoxResult::No:
            return QMessageBox::NoRole;
        default:
            return QMessageBox::ActionRole;
    }
}

}  // namespace

BoxLayout BoxLayoutOf(unsigned style) {
    BoxLayout layout;
    layout.buttons = ButtonsOf(style & BoxStyle::ButtonsMask);
    layout.icon = IconOf(style & BoxStyle::IconMask);
    const std::size_t defaultIndex =
        (style & BoxStyle::DefaultButtonMask) >> BoxStyle::DefaultButtonShift;
    layout.defaultButton = layout.buttons[defaultIndex < layout.buttons.size() ? defaultIndex : 0];
    for (int result : layout.buttons) {
        if (result == BoxResult::Cancel || result == BoxResult::No) {
            layout.escapeButton = result;
        }
    }
    if (layout.buttons == std::vector<int>{BoxResult::Ok}) {
        layout.escapeButton = BoxResult::Ok;
    }
    return layout;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::wstring& text,
                                            const std::wstring& caption, unsigned style) {
    const BoxLayout layout = BoxLayoutOf(style);
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromStdWString(caption));
    box->setText(QString::fromStdWString(text));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(layout.icon);
    for (int result : layout.buttons) {
        QPushButton* button = box->addButton(TextOf(result), RoleOf(result));
        button->setProperty(kResultProperty, result);
        if (result == layout.defaultButton) {
            box->setDefaultButton(button);
        }
        if (result == layout.escapeButton) {
            box->setEscapeButton(button);
        }
    }
    return box;
}

int BoxResultOf(const QAbstractButton* button) {
    return button ? button->property(kResultProperty).toInt() : 0;
}

int ShowMessageBox(QWidget* parent, const std::wstring& text, const std::wstring& caption,
                   unsigned style) {
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, text, caption, style);
    box->exec();
    return BoxResultOf(box->clickedButton());
}
