// Stopping a job: the Cancel button, Escape and closing the window; Enter.
#include "control/brevel_dialog.h"
#include "control/control_ids.h"

namespace {
// Asks before abandoning the running copy; true on OK.
bool ConfirmCancel(WindowPort& window) {
    return window.ShowMessageBox(L"Cancel the running task?", L"Cancel",
                                 BoxStyle::OkCancel | BoxStyle::IconWarning |
                                     BoxStyle::DefaultButton2) == BoxResult::Ok;
}
}  // namespace

void CBrevelDialog::OnCancelTask() {
    if (!task) {
        AppendLog(L"Error: no task to cancel");
        return;
    }
    if (!ConfirmCancel(window_)) {
        return;
    }
    // A tick inside the question's message loop may have ended the job.
    if (task) {
        task->Cancel();  // the next tick writes the report
    }
}

void CBrevelDialog::OnCloseRequest() {
    if (!task) {
        window_.EndDialog(0);
        return;
    }
    if (!ConfirmCancel(window_)) {
        return;
    }
    if (!task) {
        window_.EndDialog(0);  // the job ended while the question was open
        return;
    }
    closeWhenDone = true;
    task->Cancel();
}

void CBrevelDialog::OnEnterKey(int id) {
    if (id == ControlId::SourceEdit) {
        OnSourceKillFocus();
    } else if (id == ControlId::TargetEdit) {
        OnTargetKillFocus();
    }
}

void CBrevelDialog::OnEscapeKey() {
    if (task) {
        OnCancelTask();
    }
}
