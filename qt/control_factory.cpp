#include "qt/control_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

namespace {

using namespace control_style;

bool Has(const ControlTemplate& control, std::uint32_t style) {
    return (control.styles & style) != 0;
}

// A group box whose frame runs through the middle of its title, as the
// template's rectangles expect (the frame's top line half a text line below
// the box's top, the first control inside a text line lower), whatever the
// style would draw. It holds no children; the controls lie over it.
class EtchedGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        // An etched frame: a dark line with a light one beside it.
        const QRect frame = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(frame);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(frame.translated(1, 1));
        if (title().isEmpty()) {
            return;
        }
        const int padding = 2;
        const QRect text(metrics.averageCharWidth(), 0,
                         metrics.horizontalAdvance(title()) + 2 * padding, metrics.height());
        painter.fillRect(text, palette().brush(QPalette::Window));
        style()->drawItemText(&painter, text, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), title(), QPalette::WindowText);
    }
};

QWidget* CreateEdit(const ControlTemplate& control, QWidget* parent) {
    if (!Has(control, kMultiline)) {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(Has(control, kBorder));
        return edit;
    }
    auto* pane = new QPlainTextEdit(parent);
    pane->setReadOnly(Has(control, kReadOnly));
    if (Has(control, kReadOnly)) {
        pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    // Long lines scroll sideways rather than wrap; there is no horizontal bar.
    pane->setLineWrapMode(Has(control, kAutoHScroll) ? QPlainTextEdit::NoWrap
                                                     : QPlainTextEdit::WidgetWidth);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setVerticalScrollBarPolicy(Has(control, kVScroll) ? Qt::ScrollBarAlwaysOn
                                                            : Qt::ScrollBarAlwaysOff);
    pane->setTabChangesFocus(true);
    pane->setUndoRedoEnabled(false);
    return pane;
}

QPushButton* CreateButton(const ControlTemplate& control, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(control.text), parent);
    // No button is the default one: Enter is the window's to handle.
    button->setAutoDefault(false);
    button->setDefault(false);
    if (control.image != nullptr) {
        button->setIcon(QIcon(QString::fromUtf8(control.image)));
        button->setIconSize(QSize(16, 16));
    }
    if (control.tooltip != nullptr) {
        button->setToolTip(QString::fromUtf8(control.tooltip));
    }
    if (control.handCursor) {
        button->setCursor(Qt::PointingHandCursor);
    }
    return button;
}

QWidget* CreateLabel(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(control.text), parent);
    label->setAlignment((Has(control, kCenter) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QWidget* CreatePicture(const ControlTemplate& control, QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setPixmap(QPixmap(QString::fromUtf8(control.image)));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

QWidget* CreateWhiteRect(QWidget* parent) {
    auto* rect = new QFrame(parent);
    QPalette palette = rect->palette();
    palette.setColor(QPalette::Window, Qt::white);
    rect->setPalette(palette);
    rect->setAutoFillBackground(true);
    return rect;
}

QWidget* CreateEtchedLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QWidget* CreateProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QWidget* CreateKind(const ControlTemplate& control, QWidget* parent) {
    switch (control.kind) {
        case ControlKind::GroupBox:
            return new EtchedGroupBox(QString::fromUtf8(control.text), parent);
        case ControlKind::Edit:
            return CreateEdit(control, parent);
        case ControlKind::ImageButton:
        case ControlKind::TextButton:
        case ControlKind::PushButton:
            return CreateButton(control, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(QString::fromUtf8(control.text), parent);
        case ControlKind::Label:
            return CreateLabel(control, parent);
        case ControlKind::DropDownList:
            return new QComboBox(parent);
        case ControlKind::ProgressBar:
            return CreateProgressBar(parent);
        case ControlKind::WhiteRect:
            return CreateWhiteRect(parent);
        case ControlKind::Picture:
            return CreatePicture(control, parent);
        case ControlKind::EtchedLine:
            return CreateEtchedLine(parent);
    }
    return new QWidget(parent);
}

}  // namespace

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) {
    QWidget* widget = CreateKind(control, parent);
    widget->setFocusPolicy(Has(control, kTabStop) ? Qt::StrongFocus : Qt::NoFocus);
    widget->setEnabled(!Has(control, kDisabled));
    if (control.id != kNoControlId) {
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
    }
    return widget;
}

QSize NaturalControlSize(const ControlTemplate& control, const QWidget& widget) {
    if (control.kind == ControlKind::Picture) {
        return static_cast<const QLabel&>(widget).pixmap().deviceIndependentSize().toSize();
    }
    if (control.kind == ControlKind::DropDownList) {
        return {0, widget.sizeHint().height()};
    }
    return {};
}
