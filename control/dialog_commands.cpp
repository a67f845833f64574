// The commands of the path and compression controls and More Info.
#include <boost/filesystem.hpp>
#include <boost/format.hpp>
#include <string_view>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/site.h"
#include "control/text_format.h"
#include "disks/path_text.h"
#include "engine/disk_open_text.h"

namespace fs = boost::filesystem;

namespace {

// Characters that cannot stand in a file name here.
bool Unfit(wchar_t c) {
#ifdef _WIN32
    return c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
#else
    return c == L'/' || c == L'\0';
#endif
}

// A disk label as part of a file name.
std::wstring FileNamePart(std::wstring label) {
    for (wchar_t& c : label) {
        if (Unfit(c)) {
            c = L'_';
        }
    }
    return label;
}

// The list showed a disk by its number; a device plugged in or removed while
// it was open may have given that number to another disk by now.
void RefuseUnlessListed(Endpoint& endpoint, const DiskChoice& choice) {
    if (endpoint.kind != EndpointKind::PhysicalDisk || !endpoint.refusal.empty()) {
        return;
    }
    const bool otherSize = choice.selectedSize >= 0 && endpoint.disk.size != choice.selectedSize;
    const bool otherDevice =
        !choice.selectedDevice.empty() && Utf8ToWide(endpoint.disk.node) != choice.selectedDevice;
    if (otherSize || otherDevice) {
        endpoint.refusal = kDiskListChanged;
    }
}

}  // namespace

void CBrevelDialog::OnOpenImage() {
    const std::wstring source = window_.GetControlText(ControlId::SourceEdit);
    const std::optional<std::wstring> path =
        window_.OpenFileDialog(IsPhysicalDrivePath(source) ? L"" : source, OpenImageFilter(),
                               FileDialogFlag::FileMustExist);
    if (path) {
        SetSource(*path, L"");
    }
}

void CBrevelDialog::OnSourceDisk() {
    const DiskChoice choice = window_.SelectDisk();
    if (choice.result == BoxResult::Ok) {
        SetSource(choice.selectedPath, choice.selectedLabel);
        RefuseUnlessListed(job.source, choice);
    }
}

void CBrevelDialog::OnTargetDisk() {
    const DiskChoice choice = window_.SelectDisk();
    if (choice.result == BoxResult::Ok) {
        SetTarget(choice.selectedPath);
        RefuseUnlessListed(job.target, choice);
    }
}

std::wstring CBrevelDialog::DefaultImageName() const {
    switch (job.source.kind) {
        case EndpointKind::PhysicalDisk: {
            const DiskOpening opening = OpenDisk(job.source.disk, DiskUse::Read);
            std::int64_t size = 0;
            if (!opening.disk.IsOpen() || !QueryDiskSize(opening.disk.Handle(), size)) {
                return L"";
            }
            return (boost::wformat(L"%s-%lld") % FileNamePart(job.sourceLabel) % size).str();
        }
        case EndpointKind::ImageFile: {
            const fs::path path(WideToUtf8(job.source.path));
            boost::system::error_code error;
            if (!fs::is_regular_file(fs::status(path, error))) {
                return L"";
            }
            boost::wsmatch match;
            const std::wstring name = Utf8ToWide(path.filename().string());
            if (boost::regex_match(name, match, patterns.anyImage)) {
                return match[1].str();
            }
            return L"";
        }
    }
    return L"";
}

void CBrevelDialog::OnSaveImage() {
    std::wstring proposal = window_.GetControlText(ControlId::TargetEdit);
    if (proposal.empty()) {
        proposal = DefaultImageName();
    }
    std::optional<std::wstring> path =
        window_.SaveFileDialog(proposal, SaveImageFilter(), FileDialogFlag::OverwritePrompt);
    if (!path) {
        return;
    }
    // The dialog has asked before choosing a file that exists, but not about
    // the name with an extension added.
    const std::wstring chosen = *path;
    // A chosen image extension stays, even if it disagrees with the controls.
    if (!MatchesWhole(*path, patterns.anyImage)) {
        *path = ApplyImageExtension(*path);
    }
    SetTarget(*path);
    confirmedTarget_ = *path == chosen ? *path : L"";
}

void CBrevelDialog::OnSourceKillFocus() {
    SetSource(TrimmedPath(window_.GetControlText(ControlId::SourceEdit)), L"");
}

void CBrevelDialog::OnTargetKillFocus() {
    SetTarget(TrimmedPath(window_.GetControlText(ControlId::TargetEdit)));
}

void CBrevelDialog::OnCompressImage() {
    job.target.compressed = window_.GetCheck(ControlId::CompressCheck) != CheckState::Unchecked;
    UpdateTargetExtension();
}

void CBrevelDialog::OnTypeChange() {
    const int selection = window_.GetSelection(ControlId::TypeCombo);
    const auto types = TargetFormats();
    if (selection >= 0 && selection < static_cast<int>(types.size())) {  // -1: nothing selected
        SelectType(types[selection].method);
    }
    UpdateTargetExtension();
}

void CBrevelDialog::OnLevelChange() {
    const int selection = window_.GetSelection(ControlId::LevelCombo);
    const ImageFormat& format = ListedType();
    if (selection >= 0 && selection <= format.maxLevel - format.minLevel) {
        job.level = format.minLevel + selection;
        if (format.method == job.target.method) {
            typeLevels_[static_cast<std::size_t>(format.method)] = job.level;
        }
    }
    UpdateTargetExtension();
}

void CBrevelDialog::OnMoreInfo() {
    window_.OpenUrl(DownloadPageUrl());
}
