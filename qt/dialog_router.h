#pragma once

#include "qt/window_events.h"

class CBrevelDialog;

// The main window's message map: every user action goes to the handler of
// CBrevelDialog that answers it.
class DialogRouter final : public WindowEvents {
public:
    explicit DialogRouter(CBrevelDialog& dialog) : dialog_(dialog) {}

    void OnCommand(int controlId) override;
    void OnKillFocus(int controlId) override;
    void OnSelChange(int controlId) override;
    void OnEditChange(int controlId) override;
    void OnEnterKey(int controlId) override;
    void OnEscapeKey() override;
    void OnCloseRequest() override;

private:
    CBrevelDialog& dialog_;
};
