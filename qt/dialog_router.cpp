#include "qt/dialog_router.h"

#include "control/brevel_dialog.h"
#include "control/control_ids.h"

void DialogRouter::OnCommand(int controlId) {
    switch (controlId) {
        case ControlId::StartButton:
            dialog_.OnStart();
            break;
        case ControlId::CancelButton:
            dialog_.OnCancelTask();
            break;
        case ControlId::OpenImageButton:
            dialog_.OnOpenImage();
            break;
        case ControlId::SourceDiskButton:
            dialog_.OnSourceDisk();
            break;
        case ControlId::SaveImageButton:
            dialog_.OnSaveImage();
            break;
        case ControlId::TargetDiskButton:
            dialog_.OnTargetDisk();
            break;
        case ControlId::CompressCheck:
            dialog_.OnCompressImage();
            break;
        case ControlId::VerifyCheck:
            dialog_.OnVerify();
            break;
        case ControlId::MoreInfoButton:
            dialog_.OnMoreInfo();
            break;
        default:
            break;
    }
}

void DialogRouter::OnKillFocus(int controlId) {
    if (controlId == ControlId::SourceEdit) {
        dialog_.OnSourceKillFocus();
    } else if (controlId == ControlId::TargetEdit) {
        dialog_.OnTargetKillFocus();
    }
}

void DialogRouter::OnSelChange(int controlId) {
    if (controlId == ControlId::TypeCombo) {
        dialog_.OnTypeChange();
    } else if (controlId == ControlId::LevelCombo) {
        dialog_.OnLevelChange();
    }
}

void DialogRouter::OnEditChange(int) {
    dialog_.OnPathEdit();
}

void DialogRouter::OnEnterKey(int controlId) {
    dialog_.OnEnterKey(controlId);
}

void DialogRouter::OnEscapeKey() {
    dialog_.OnEscapeKey();
}

void DialogRouter::OnCloseRequest() {
    dialog_.OnCloseRequest();
}
