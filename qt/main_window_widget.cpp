#include "qt/main_window_widget.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>

#include "qt/control_factory.h"
#include "qt/dialog_font.h"
#include "qt/qt_text.h"
#include "qt/window_events.h"

namespace {

constexpr int kPathFontHeight = 15;
constexpr int kReadoutFontHeight = 20;

// The log pane keeps line ends as LF; its users see CR LF.
QString FromWindowsLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), "\n");
}
QString ToWindowsLines(QString text) {
    return text.replace('\n', QStringLiteral("\r\n"));
}

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::ImageButton ||
           kind == ControlKind::TextButton;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : kApplicationIconSizes) {
        icon.addFile(QString::fromUtf8(ApplicationIconPath(size)), QSize(size, size));
    }
    return icon;
}

}  // namespace

MainWindowWidget::MainWindowWidget(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QString::fromUtf8(kMainWindowCaption));
    setWindowIcon(ApplicationIcon());
    baseUnits_ = MeasureBaseUnits(font());
    const Rect client =
        DialogUnitsToPixels({0, 0, kMainWindowWidthDlu, kMainWindowHeightDlu}, baseUnits_);
    initialSize_ = QSize(client.width, client.height);

    CreateControls();
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("control%1").arg(kStatusBarId));
    statusBar_->setSizeGripEnabled(true);
    statusText_ = new QLabel(statusBar_);
    statusText_->setTextFormat(Qt::PlainText);
    statusBar_->addWidget(statusText_, 1);
    ApplyFonts();
    FillLists();
    ConnectEvents();

    setMinimumSize(initialSize_);
    resize(initialSize_);
    LayOut();
}

MainWindowWidget::~MainWindowWidget() {
    // The widgets still send focus changes while they go; nobody hears them.
    events_ = nullptr;
}

void MainWindowWidget::CreateControls() {
    for (const ControlTemplate& control : MainWindowControls()) {
        QWidget* widget = CreateControl(control, this);
        Rect rect = DialogUnitsToPixels(control.rect, baseUnits_);
        const QSize natural = NaturalControlSize(control, *widget);
        if (natural.width() > 0) {
            rect.width = natural.width();
        }
        if (natural.height() > 0) {
            rect.height = natural.height();
        }
        templates_.push_back(&control);
        widgets_.push_back(widget);
        initialRects_.push_back(rect);
    }
    // Tab order is template order.
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets_) {
        if (widget->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

void MainWindowWidget::ApplyFonts() {
    const QFont pathFont = FontWithCellHeight(font(), kPathFontHeight);
    const QFont readoutFont = FontWithCellHeight(font(), kReadoutFontHeight);
    for (const int id : {kSourceEditId, kTargetEditId}) {
        Control(id)->setFont(pathFont);
    }
    for (const int id : {kCopiedTextId, kSpeedTextId}) {
        Control(id)->setFont(readoutFont);
    }
}

void MainWindowWidget::FillLists() {
    SetListItems(kTypeComboId, CompressionTypeNames());
    SetListItems(kLevelComboId, CompressionLevelNames());
}

void MainWindowWidget::ConnectEvents() {
    for (std::size_t index = 0; index < widgets_.size(); ++index) {
        const ControlTemplate& control = *templates_[index];
        QWidget* widget = widgets_[index];
        const int id = control.id;
        if (widget->focusPolicy() != Qt::NoFocus) {
            widget->installEventFilter(this);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            connect(button, &QAbstractButton::clicked, this, [this, id] {
                if (events_ != nullptr) {
                    events_->OnCommand(id);
                }
            });
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            connect(edit, &QLineEdit::textEdited, this, [this, id] {
                if (events_ != nullptr) {
                    events_->OnEditChange(id);
                }
            });
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            connect(list, &QComboBox::activated, this, [this, id] {
                if (events_ != nullptr) {
                    events_->OnSelChange(id);
                }
            });
        }
    }
}

void MainWindowWidget::LayOut() {
    const int growX = width() - initialSize_.width();
    const int growY = height() - initialSize_.height();
    for (std::size_t index = 0; index < widgets_.size(); ++index) {
        const Rect rect =
            ApplyResizeRule(initialRects_[index], templates_[index]->resize, growX, growY);
        widgets_[index]->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
    // The status bar runs along the bottom edge, full width, over the rest.
    const int barHeight = statusBar_->sizeHint().height();
    statusBar_->setGeometry(0, height() - barHeight, width(), barHeight);
    statusBar_->raise();
}

void MainWindowWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
    if (closeAllowed_) {
        QWidget::closeEvent(event);
        return;
    }
    // The close box only asks; whoever answers may close the window at once,
    // from inside this event, which then goes ahead.
    closingInEvent_ = true;
    RequestClose();
    closingInEvent_ = false;
    if (closeAllowed_) {
        closeAllowed_ = false;
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
}

void MainWindowWidget::CloseWindow() {
    if (closingInEvent_) {
        closeAllowed_ = true;  // the close event under way completes it
        return;
    }
    closeAllowed_ = true;
    close();
    closeAllowed_ = false;
}

void MainWindowWidget::RequestClose() {
    if (events_ != nullptr) {
        events_->OnCloseRequest();
    }
}

void MainWindowWidget::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(-1, event->key())) {
        QWidget::keyPressEvent(event);
    }
}

bool MainWindowWidget::HandleKey(int index, int key) {
    if (key == Qt::Key_Escape) {
        if (events_ != nullptr) {
            events_->OnEscapeKey();
        }
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    if (index >= 0 && IsPushButton(templates_[index]->kind)) {
        static_cast<QAbstractButton*>(widgets_[index])->click();
    } else if (index >= 0 && (templates_[index]->styles & control_style::kWantReturn) != 0) {
        // A multi-line edit keeps Enter for itself.
    } else if (events_ != nullptr) {
        events_->OnEnterKey(index >= 0 ? templates_[index]->id : kNoControlId);
    }
    return true;
}

bool MainWindowWidget::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        return HandleKey(index, static_cast<QKeyEvent*>(event)->key());
    }
    if (event->type() == QEvent::FocusOut && templates_[index]->kind == ControlKind::Edit &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && events_ != nullptr) {
        events_->OnKillFocus(templates_[index]->id);
    }
    return false;
}

int MainWindowWidget::IndexOf(int id) const {
    if (id == kNoControlId) {
        return -1;
    }
    for (std::size_t index = 0; index < templates_.size(); ++index) {
        if (templates_[index]->id == id) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

int MainWindowWidget::IndexOf(const QObject* widget) const {
    for (; widget != nullptr && widget != this; widget = widget->parent()) {
        const auto found = std::find(widgets_.begin(), widgets_.end(), widget);
        if (found != widgets_.end()) {
            return static_cast<int>(found - widgets_.begin());
        }
    }
    return -1;
}

QWidget* MainWindowWidget::Control(int id) const {
    if (id == kStatusBarId) {
        return statusBar_;
    }
    const int index = IndexOf(id);
    return index < 0 ? nullptr : widgets_[index];
}

QString MainWindowWidget::ControlText(int id) const {
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* pane = qobject_cast<QPlainTextEdit*>(widget)) {
        return ToWindowsLines(pane->toPlainText());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        return list->currentText();
    }
    if (widget == statusBar_) {
        return StatusText();
    }
    return {};
}

void MainWindowWidget::SetControlText(int id, const QString& text) {
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* pane = qobject_cast<QPlainTextEdit*>(widget)) {
        pane->setPlainText(FromWindowsLines(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (widget == statusBar_) {
        SetStatusText(text);
    }
}

void MainWindowWidget::AppendText(int id, const QString& text) {
    if (auto* pane = qobject_cast<QPlainTextEdit*>(Control(id))) {
        pane->moveCursor(QTextCursor::End);
        pane->insertPlainText(FromWindowsLines(text));
        pane->moveCursor(QTextCursor::End);
        pane->ensureCursorVisible();
    } else if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) {
        edit->setText(edit->text() + text);
    }
}

void MainWindowWidget::EnableControl(int id, bool enabled) {
    if (QWidget* widget = Control(id)) {
        widget->setEnabled(enabled);
    }
}

bool MainWindowWidget::IsControlEnabled(int id) const {
    const QWidget* widget = Control(id);
    return widget != nullptr && widget->isEnabled();
}

void MainWindowWidget::ShowControl(int id, bool shown) {
    if (QWidget* widget = Control(id)) {
        widget->setVisible(shown);
    }
}

bool MainWindowWidget::IsControlShown(int id) const {
    const QWidget* widget = Control(id);
    return widget != nullptr && !widget->isHidden();
}

void MainWindowWidget::SetCheck(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id));
        button && button->isCheckable()) {
        button->setChecked(checked);
    }
}

bool MainWindowWidget::IsChecked(int id) const {
    const auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button != nullptr && button->isChecked();
}

void MainWindowWidget::SetSelection(int id, int index) {
    if (auto* list = qobject_cast<QComboBox*>(Control(id))) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    }
}

void MainWindowWidget::SetListItems(int id, const std::vector<std::wstring>& items) {
    // Entries keep the places they are put in, whatever the list's style.
    if (auto* list = qobject_cast<QComboBox*>(Control(id))) {
        list->clear();
        for (const std::wstring& item : items) {
            list->addItem(ToQString(item));
        }
        list->setCurrentIndex(-1);
    }
}

int MainWindowWidget::Selection(int id) const {
    const auto* list = qobject_cast<QComboBox*>(Control(id));
    return list == nullptr ? -1 : list->currentIndex();
}

void MainWindowWidget::SetProgressRange(int id, int low, int high) {
    if (auto* bar = qobject_cast<QProgressBar*>(Control(id)); bar && low <= high) {
        bar->setRange(low, high);
    }
}

void MainWindowWidget::SetProgressPosition(int id, int position) {
    if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) {
        bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    }
}

int MainWindowWidget::ProgressPosition(int id) const {
    const auto* bar = qobject_cast<QProgressBar*>(Control(id));
    return bar == nullptr ? 0 : bar->value();
}

void MainWindowWidget::SetStatusText(const QString& text) {
    statusText_->setText(text);
}

QString MainWindowWidget::StatusText() const {
    return statusText_->text();
}

void MainWindowWidget::FocusControl(int id) {
    if (QWidget* widget = Control(id)) {
        widget->setFocus(Qt::OtherFocusReason);
    }
}

int MainWindowWidget::FocusedControlId() const {
    const int index = IndexOf(focusWidget());
    return index < 0 ? kNoControlId : templates_[index]->id;
}
