// The Verify check box and its remembered choice.
#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/verify_settings.h"

void CBrevelDialog::FollowVerifyChoice() {
    job.verify = LoadVerifyChoice(settings_, job.target.kind);
    window_.SetCheck(ControlId::VerifyCheck,
                     job.verify ? CheckState::Checked : CheckState::Unchecked);
}

void CBrevelDialog::OnVerify() {
    job.verify = window_.GetCheck(ControlId::VerifyCheck) != CheckState::Unchecked;
    SaveVerifyChoice(settings_, job.target.kind, job.verify);
}
