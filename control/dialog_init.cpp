// The window's construction and start-up.
#include "control/brevel_dialog.h"
#include "control/compression_settings.h"
#include "control/control_ids.h"

CBrevelDialog::CBrevelDialog(WindowPort& window, SettingsPort& settings)
    : window_(window), settings_(settings) {}

CBrevelDialog::~CBrevelDialog() {
    // A copy thread must never outlive the task it works on.
    if (task) {
        task->Cancel();
    }
}
