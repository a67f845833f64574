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

bool CBrevelDialog::OnInitDialog(const std::vector<std::wstring>& arguments) {
    // The remembered choice first: a target given below overrides it.
    const CompressionSettings saved = LoadCompressionSettings(settings_);
    typeLevels_ = saved.levels;
    job.level = saved.level;
    SelectType(saved.method);
    job.target.compressed = saved.compressed;
    window_.SetCheck(ControlId::CompressCheck,
                     saved.compressed ? CheckState::Checked : CheckState::Unchecked);
    FollowVerifyChoice();
    // Taken as given, without trimming; further arguments are ignored.
    if (arguments.size() >= 1) {
        SetSource(arguments[0], L"");
    }
    if (arguments.size() >= 2) {
        SetTarget(arguments[1]);
    }
    UpdateControls(true);
    window_.RequestUpdateCheck();
    return true;
}
