#pragma once

#include "control/control_ids.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "qt/dialog_units.h"

// The main window as data: its size, caption, font and the 27 controls in
// template order, which is also the tab order.

// Control identifiers of the main window, as the window logic names them.
enum MainWindowControlId : int {
    kNoControlId = -1,  // group boxes, the banner and other controls nobody addresses
    kStatusBarId = ControlId::StatusBar,
    kSourceEditId = ControlId::SourceEdit,
    kTargetEditId = ControlId::TargetEdit,
    kStartButtonId = ControlId::StartButton,
    kTargetDiskButtonId = ControlId::TargetDiskButton,
    kLevelComboId = ControlId::LevelCombo,
    kProgressBarId = ControlId::ProgressBar,
    kCancelButtonId = ControlId::CancelButton,
    kTypeComboId = ControlId::TypeCombo,
    kLogEditId = ControlId::LogEdit,
    kSpeedTextId = ControlId::SpeedText,
    kCopiedTextId = ControlId::CopiedText,
    kCompressCheckId = ControlId::CompressCheck,
    kTypeLabelId = ControlId::TypeLabel,
    kLevelLabelId = ControlId::LevelLabel,
    kMoreInfoButtonId = ControlId::MoreInfoButton,
    kOpenImageButtonId = ControlId::OpenImageButton,
    kSourceDiskButtonId = ControlId::SourceDiskButton,
    kSaveImageButtonId = ControlId::SaveImageButton,
    kVerifyCheckId = ControlId::VerifyCheck,
};

// The window class a control stands for.
enum class ControlKind {
    GroupBox,
    Edit,  // single-line, or the multi-line log pane with kMultiline
    ImageButton,
    TextButton,  // an image button that shows its text instead of an image
    PushButton,
    CheckBox,
    Label,
    DropDownList,
    ProgressBar,
    WhiteRect,
    Picture,
    EtchedLine,
};

// Styles of a control, as the template gives them; which apply depends on the
// kind. Every control is also a visible child.
namespace control_style {
constexpr std::uint32_t kBorder = 1u << 0;
constexpr std::uint32_t kTabStop = 1u << 1;
constexpr std::uint32_t kDisabled = 1u << 2;
constexpr std::uint32_t kGroup = 1u << 3;
constexpr std::uint32_t kVScroll = 1u << 4;
constexpr std::uint32_t kAutoHScroll = 1u << 5;
constexpr std::uint32_t kMultiline = 1u << 6;
constexpr std::uint32_t kReadOnly = 1u << 7;
constexpr std::uint32_t kWantReturn = 1u << 8;
constexpr std::uint32_t kAutoCheckBox = 1u << 9;
constexpr std::uint32_t kCenter = 1u << 10;  // centred text; without it left-aligned
constexpr std::uint32_t kSort = 1u << 11;    // asked for, but inserted items keep their places
}  // namespace control_style

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    std::uint32_t styles;
    Rect rect;  // dialog units
    ResizeRule resize;
    // Buttons and the picture: the image (a resource path, or null), the
    // tooltip (or null) and whether the pointer turns into a hand over it.
    const char* image = nullptr;
    const char* tooltip = nullptr;
    bool handCursor = false;
};

// The window's client area in dialog units.
inline constexpr int kMainWindowWidthDlu = 352;
inline constexpr int kMainWindowHeightDlu = 247;

// The caption. Its start "Brevel Free 2312" names the running version.
inline constexpr const char kMainWindowCaption[] = "Brevel Free 2312 - " BREVEL_SITE;

// The images the window shows, compiled in with the resource system.
inline constexpr const char kOpenImagePath[] = ":/images/open_image.png";
inline constexpr const char kDiskDrivePath[] = ":/images/disk_drive.png";
inline constexpr const char kBinaryFileSavePath[] = ":/images/binary_file_save.png";
inline constexpr const char kLogoPath[] = ":/images/logo.png";
inline constexpr int kApplicationIconSizes[] = {256, 48, 32, 24, 16};
// The application icon's file for one of kApplicationIconSizes.
const char* ApplicationIconPath(int size);

// The 27 controls in template order.
std::span<const ControlTemplate> MainWindowControls();

// The entries of the type and level lists, in list order.
// The type list's entries come from the table of formats; the level list
// starts with the first type's levels.
std::vector<std::wstring> CompressionTypeNames();
std::vector<std::wstring> CompressionLevelNames();
