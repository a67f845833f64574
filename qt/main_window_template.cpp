#include "qt/main_window_template.h"

#include <array>

#include "engine/image_formats.h"

namespace {

using namespace control_style;
using K = ControlKind;

constexpr ResizeRule kFixed{0, 0, 0, 0};
constexpr ResizeRule kWiden{0, 0, 100, 0};
constexpr ResizeRule kRight{100, 0, 0, 0};
constexpr ResizeRule kBottom{0, 100, 0, 0};
constexpr ResizeRule kCorner{100, 100, 0, 0};
constexpr ResizeRule kGrowBoth{0, 0, 100, 100};
constexpr ResizeRule kWidenAtBottom{0, 100, 100, 0};

constexpr std::uint32_t kPathEdit = kBorder | kTabStop | kAutoHScroll;
constexpr std::uint32_t kList = kSort | kVScroll | kTabStop;
constexpr std::uint32_t kLogPane =
    kMultiline | kReadOnly | kWantReturn | kAutoHScroll | kVScroll | kTabStop;

// clang-format off
constexpr std::array<ControlTemplate, 27> kControls{{
    {kNoControlId, K::GroupBox, "Source", 0, {8, 36, 336, 36}, kWiden},
    {kSourceEditId, K::Edit, "", kPathEdit, {16, 48, 280, 16}, kWiden},
    {kOpenImageButtonId, K::ImageButton, "", kTabStop, {296, 48, 20, 16}, kRight,
     kOpenImagePath, "Open Image"},
    {kSourceDiskButtonId, K::ImageButton, "", kTabStop, {316, 48, 20, 16}, kRight,
     kDiskDrivePath, "Source Disk"},
    {kNoControlId, K::GroupBox, "Target", 0, {8, 76, 336, 52}, kWiden},
    {kTargetEditId, K::Edit, "", kPathEdit, {16, 88, 280, 16}, kWiden},
    {kSaveImageButtonId, K::ImageButton, "", kTabStop, {296, 88, 20, 16}, kRight,
     kBinaryFileSavePath, "Save Image"},
    {kTargetDiskButtonId, K::ImageButton, "", kTabStop, {316, 88, 20, 16}, kRight,
     kDiskDrivePath, "Target Disk"},
    {kCompressCheckId, K::CheckBox, "Compress Image", kAutoCheckBox | kTabStop,
     {20, 110, 69, 10}, kFixed},
    {kTypeLabelId, K::Label, "Type:", kGroup, {108, 111, 20, 8}, kFixed},
    {kTypeComboId, K::DropDownList, "", kList, {132, 108, 56, 30}, kFixed},
    {kLevelLabelId, K::Label, "Level:", kGroup, {200, 111, 20, 8}, kFixed},
    {kLevelComboId, K::DropDownList, "", kList, {224, 108, 56, 30}, kFixed},
    // In the free end of the compression row, under the target's buttons,
    // moving with them when the window widens.
    {kVerifyCheckId, K::CheckBox, "Verify", kAutoCheckBox | kTabStop, {296, 110, 40, 10}, kRight},
    {kProgressBarId, K::ProgressBar, "", kBorder, {8, 212, 232, 12}, kWidenAtBottom},
    {kStartButtonId, K::PushButton, "Start", kDisabled | kTabStop, {248, 208, 48, 18}, kCorner},
    {kCancelButtonId, K::PushButton, "Cancel", kDisabled | kTabStop, {300, 208, 44, 18}, kCorner},
    {kNoControlId, K::GroupBox, "", 0, {8, 132, 232, 68}, kGrowBoth},
    {kLogEditId, K::Edit, "", kLogPane, {12, 140, 224, 56}, kGrowBoth},
    {kNoControlId, K::GroupBox, "Copied", 0, {248, 132, 96, 32}, kRight},
    {kCopiedTextId, K::Label, "", kCenter | kGroup, {252, 144, 88, 16}, kRight},
    {kNoControlId, K::GroupBox, "Speed", 0, {248, 168, 96, 32}, kRight},
    {kSpeedTextId, K::Label, "", kCenter | kGroup, {252, 180, 88, 16}, kRight},
    {kNoControlId, K::WhiteRect, "", 0, {0, 0, 352, 28}, kWiden},
    {kNoControlId, K::Picture, "", 0, {8, 4, 107, 10}, kFixed, kLogoPath},
    {kMoreInfoButtonId, K::TextButton, "More Info", kTabStop, {292, 8, 50, 14}, kRight,
     nullptr, nullptr, true},
    {kNoControlId, K::EtchedLine, "", 0, {0, 28, 352, 1}, kWiden},
}};
// clang-format on

}  // namespace

std::span<const ControlTemplate> MainWindowControls() {
    return kControls;
}

std::vector<std::wstring> CompressionTypeNames() {
    std::vector<std::wstring> names;
    for (const ImageFormat& format : TargetFormats()) {
        names.emplace_back(format.label);
    }
    return names;
}

std::vector<std::wstring> CompressionLevelNames() {
    std::vector<std::wstring> names;
    const ImageFormat& first = TargetFormats().front();
    for (int level = first.minLevel; level <= first.maxLevel; ++level) {
        names.push_back(std::to_wstring(level));
    }
    return names;
}

const char* ApplicationIconPath(int size) {
    switch (size) {
        case 256:
            return ":/images/brevel_256.png";
        case 48:
            return ":/images/brevel_48.png";
        case 32:
            return ":/images/brevel_32.png";
        case 24:
            return ":/images/brevel_24.png";
        case 16:
            return ":/images/brevel_16.png";
        default:
            return nullptr;
    }
}
