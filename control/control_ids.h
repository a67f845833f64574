#pragma once

#include <cstdint>

// The numbers through which the main window's logic speaks to its window: the
// controls' ids, and the style, result and flag values of the platform's
// message boxes, file dialogs, show commands and keep-awake requests. A face
// that is not Win32 maps them onto its own toolkit.

namespace ControlId {
inline constexpr int StatusBar = 111;
inline constexpr int SourceEdit = 1002;
inline constexpr int TargetEdit = 1003;
inline constexpr int StartButton = 1004;
inline constexpr int TargetDiskButton = 1005;
inline constexpr int LevelCombo = 1016;
inline constexpr int ProgressBar = 1030;
inline constexpr int CancelButton = 1034;
inline constexpr int TypeCombo = 1036;
inline constexpr int LogEdit = 1050;
inline constexpr int SpeedText = 1051;
inline constexpr int CopiedText = 1052;
inline constexpr int CompressCheck = 1062;
inline constexpr int TypeLabel = 1063;
inline constexpr int LevelLabel = 1064;
inline constexpr int VerifyCheck = 1065;
inline constexpr int MoreInfoButton = 1070;
inline constexpr int OpenImageButton = 1071;
inline constexpr int SourceDiskButton = 1072;
inline constexpr int SaveImageButton = 1073;
}  // namespace ControlId

// Dialog resources: the main window and "Select Disk".
inline constexpr int kMainDialogResource = 102;
inline constexpr int kDiskDialogResource = 136;

// Message box styles (combined with |).
namespace BoxStyle {
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned OkCancel = 0x1;
inline constexpr unsigned AbortRetryIgnore = 0x2;
inline constexpr unsigned YesNo = 0x4;
inline constexpr unsigned RetryCancel = 0x5;
inline constexpr unsigned IconError = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconWarning = 0x30;
inline constexpr unsigned IconInformation = 0x40;
inline constexpr unsigned DefaultButton2 = 0x100;

// The fields of a style: its buttons, its icon and which button is the default
// (counted from the first, 0x100 per button).
inline constexpr unsigned ButtonsMask = 0xF;
inline constexpr unsigned IconMask = 0xF0;
inline constexpr unsigned DefaultButtonMask = 0xF00;
inline constexpr unsigned DefaultButtonShift = 8;
}  // namespace BoxStyle

// What a message box or a dialog returns: the button pressed.
namespace BoxResult {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace BoxResult

// Show commands for ShowControl.
namespace ShowCommand {
inline constexpr int Hide = 0;
inline constexpr int Show = 5;
}  // namespace ShowCommand

// Check box states.
namespace CheckState {
inline constexpr int Unchecked = 0;
inline constexpr int Checked = 1;
}  // namespace CheckState

// File dialog flags.
namespace FileDialogFlag {
inline constexpr unsigned OverwritePrompt = 0x2;
inline constexpr unsigned FileMustExist = 0x1000;
}  // namespace FileDialogFlag

// Keep-awake requests (combined with |); Continuous alone lifts a request.
namespace ExecutionState {
inline constexpr std::uint32_t Continuous = 0x80000000u;
inline constexpr std::uint32_t SystemRequired = 0x1u;
inline constexpr std::uint32_t AwayModeRequired = 0x40u;
}  // namespace ExecutionState

// The progress timer's id.
inline constexpr int kProgressTimer = 0;
