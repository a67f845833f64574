#pragma once

#include <QMessageBox>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QWidget;

// Message boxes for the style values of control_ids.h (BoxStyle), answering
// with the BoxResult of the button pressed.

// What a style value asks for.
struct BoxLayout {
    std::vector<int> buttons;  // BoxResult values, in the order shown
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int defaultButton = 0;  // the BoxResult that Enter gives
    // The BoxResult that Escape and the close box give; 0 when the box can be
    // left only through one of its buttons.
    int escapeButton = 0;
};

// Buttons: the low four bits (OK; OK, Cancel; Abort, Retry, Ignore; Retry,
// Cancel; anything else is OK alone). Icon: the next four (error, question,
// warning, information). Default: the next four count from the first button,
// falling back to it.
BoxLayout BoxLayoutOf(unsigned style);

// An unshown box over parent as layout says, each button carrying its
// BoxResult (see BoxResultOf).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::wstring& text,
                                            const std::wstring& caption, unsigned style);

// The BoxResult a button of such a box stands for; 0 for any other.
int BoxResultOf(const QAbstractButton* button);

// Runs the box modally; the BoxResult of the button pressed, 0 when the box
// went away without one.
int ShowMessageBox(QWidget* parent, const std::wstring& text, const std::wstring& caption,
                   unsigned style);
