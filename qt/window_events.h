#pragma once

// What the user does in the main window, by control identifier. The window
// reports every action here and decides nothing itself: the one who listens
// routes each call to its handler.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    // A button, image button or the check box was clicked.
    virtual void OnCommand(int controlId) = 0;
    // A path edit lost the keyboard focus.
    virtual void OnKillFocus(int controlId) = 0;
    // The user chose an entry of a drop-down list.
    virtual void OnSelChange(int controlId) = 0;
    // The user typed in a path edit.
    virtual void OnEditChange(int controlId) = 0;
    // Enter outside a push button and the log pane, in the control with the
    // focus (kNoControlId for none).
    virtual void OnEnterKey(int controlId) = 0;
    virtual void OnEscapeKey() = 0;
    // The close box or the system's close shortcut. The window stays open
    // until it is told to close.
    virtual void OnCloseRequest() = 0;
};
