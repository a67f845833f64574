#include "qt/qt_window_port.h"

#include <QDesktopServices>
#include <QUrl>

#include "control/control_ids.h"
#include "qt/disk_dialog.h"
#include "qt/file_dialogs.h"
#include "qt/main_window_widget.h"
#include "qt/message_box.h"
#include "qt/qt_text.h"

QtWindowPort::QtWindowPort(MainWindowWidget& window)
    : window_(window), keepAwake_(MakePlatformKeepAwake()) {}

QtWindowPort::~QtWindowPort() = default;

std::wstring QtWindowPort::GetControlText(int id) {
    return FromQString(window_.ControlText(id));
}

void QtWindowPort::SetControlText(int id, const std::wstring& text) {
    window_.SetControlText(id, ToQString(text));
}

std::wstring QtWindowPort::GetCaption() {
    return FromQString(window_.Caption());
}

void QtWindowPort::EnableControl(int id, bool enable) {
    window_.EnableControl(id, enable);
}

void QtWindowPort::ShowControl(int id, int showCommand) {
    window_.ShowControl(id, showCommand != ShowCommand::Hide);
}

int QtWindowPort::GetCheck(int id) {
    return window_.IsChecked(id) ? CheckState::Checked : CheckState::Unchecked;
}

void QtWindowPort::SetCheck(int id, int state) {
    window_.SetCheck(id, state == CheckState::Checked);
}

int QtWindowPort::GetSelection(int id) {
    return window_.Selection(id);
}

void QtWindowPort::SetSelection(int id, int index) {
    window_.SetSelection(id, index);
}

void QtWindowPort::SetListItems(int id, const std::vector<std::wstring>& items) {
    window_.SetListItems(id, items);
}

void QtWindowPort::SetProgressRange(int low, int high) {
    window_.SetProgressRange(ControlId::ProgressBar, low, high);
}

void QtWindowPort::SetProgressPosition(int position) {
    window_.SetProgressPosition(ControlId::ProgressBar, position);
}

void QtWindowPort::SetStatusText(const std::wstring& text) {
    window_.SetStatusText(ToQString(text));
}

void QtWindowPort::AppendToLog(const std::wstring& text) {
    window_.AppendText(ControlId::LogEdit, ToQString(text));
}

int QtWindowPort::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                 unsigned style) {
    return ::ShowMessageBox(&window_, text, caption, style);
}

std::optional<std::wstring> QtWindowPort::OpenFileDialog(const std::wstring& initialName,
                                                         const std::wstring& filter,
                                                         unsigned flags) {
    return ::OpenFileDialog(&window_, initialName, filter, flags);
}

std::optional<std::wstring> QtWindowPort::SaveFileDialog(const std::wstring& initialName,
                                                         const std::wstring& filter,
                                                         unsigned flags) {
    return ::SaveFileDialog(&window_, initialName, filter, flags);
}

DiskChoice QtWindowPort::SelectDisk() {
    return ::SelectDisk(&window_);
}

void QtWindowPort::StartTimer(int id, int periodMilliseconds) {
    std::unique_ptr<QTimer>& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
            if (timerHandler_) {
                timerHandler_(id);
            }
        });
    }
    timer->start(periodMilliseconds);
}

void QtWindowPort::StopTimer(int id) {
    if (auto found = timers_.find(id); found != timers_.end()) {
        found->second->stop();
    }
}

void QtWindowPort::SetFocus(int id) {
    window_.FocusControl(id);
}

void QtWindowPort::EndDialog(int) {
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
    window_.CloseWindow();
}

void QtWindowPort::OpenUrl(const std::wstring& url) {
    QDesktopServices::openUrl(QUrl(ToQString(url)));
}

void QtWindowPort::SetExecutionState(std::uint32_t flags) {
    if (keepAwake_) {
        keepAwake_->SetExecutionState(flags);
    }
}

void QtWindowPort::RequestUpdateCheck() {
    // Runs once the event loop takes it, after the window's initialisation.
    QTimer::singleShot(0, &window_, [this] {
        if (updateCheckHandler_) {
            updateCheckHandler_();
        }
    });
}
