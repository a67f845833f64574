// What a path denotes, and how the controls, the job summary and the saved
// compression choice follow the job.
#include <boost/format.hpp>

#include "control/brevel_dialog.h"
#include "control/compression_settings.h"
#include "control/control_ids.h"
#include "control/text_format.h"
#include "disks/endpoint_class.h"
#include "engine/image_formats.h"

namespace {

std::wstring CompressionLine(const Endpoint& target, std::int32_t level) {
    const ImageFormat* format = FindFormat(target.method);
    if (target.kind != EndpointKind::ImageFile || !target.compressed || !format) {
        return L"";
    }
    return (boost::wformat(L"Compress: %s, Level=%d\r\n") % format->label % level).str();
}

// The compression found in a source image by its content.
std::wstring DetectedLine(const SourceFormat& source) {
    if (!source.detected) {
        return L"";
    }
    return (boost::wformat(L"Compress: %s (detected)\r\n") % FormatLabel(source.method)).str();
}

// Takes what the text names into the endpoint: a disk with its identity, or
// an image file (with the reason when the text names something unusable).
void Classify(Endpoint& endpoint, const std::wstring& path) {
    ClassifiedEndpoint found = ClassifyEndpoint(path);
    endpoint.kind =
        found.kind == EndpointClass::Disk ? EndpointKind::PhysicalDisk : EndpointKind::ImageFile;
    endpoint.disk = std::move(found.disk);
    endpoint.refusal = std::move(found.refusal);
}

}  // namespace

bool CBrevelDialog::IsPhysicalDrivePath(const std::wstring& path) const {
    return MatchesWhole(path, patterns.physicalDrive);
}

void CBrevelDialog::SetSource(const std::wstring& path, const std::wstring& label) {
    window_.SetControlText(ControlId::SourceEdit, path);
    job.source.path = path;
    job.sourceLabel = label;
    Classify(job.source, path);
    sourceFormat = SourceFormat{};
    // A disk keeps compressed and method as they were; nothing reads them.
    if (job.source.kind == EndpointKind::ImageFile) {
        sourceFormat = ExamineSourceImage(patterns, path);
        job.source.method = sourceFormat.method;
        job.source.compressed = job.source.method != CompressionMethod::None;
        if (job.source.refusal.empty()) {
            job.source.refusal = sourceFormat.refusal;
        }
    }
    UpdateControls(true);
}

void CBrevelDialog::SetTarget(const std::wstring& path) {
    window_.SetControlText(ControlId::TargetEdit, path);
    job.target.path = path;
    Classify(job.target, path);
    if (job.target.kind == EndpointKind::ImageFile) {
        const CompressionMethod method = patterns.CompressionOf(path);
        if (method != CompressionMethod::None) {
            SelectType(method);
            job.target.compressed = true;
            window_.SetCheck(ControlId::CompressCheck, CheckState::Checked);
        } else {
            // The method and the type list keep the last type chosen, so that
            // switching compression on again brings it back.
            job.target.compressed = false;
            window_.SetCheck(ControlId::CompressCheck, CheckState::Unchecked);
        }
    }
    FollowVerifyChoice();
    UpdateControls(true);
}

std::wstring CBrevelDialog::ApplyImageExtension(std::wstring name) const {
    boost::wsmatch match;
    if (boost::regex_match(name, match, patterns.anyImage)) {
        name = match[1].str();
    }
    if (!name.empty()) {
        name += ImageExtension(job.target.compressed, job.target.method);
    }
    return name;
}

void CBrevelDialog::UpdateTargetExtension() {
    const std::wstring name = ApplyImageExtension(window_.GetControlText(ControlId::TargetEdit));
    window_.SetControlText(ControlId::TargetEdit, name);
    // The new name is classified as the typed one was: it may name a link to
    // a disk, a pipe or a partition, and must meet their checks or refusals.
    job.target.path = name;
    Classify(job.target, name);
    FollowVerifyChoice();
    UpdateControls(true);
}

void CBrevelDialog::UpdateControls(bool rewriteSummary) {
    const bool running = task != nullptr;
    for (int id : {ControlId::SourceEdit, ControlId::OpenImageButton, ControlId::SourceDiskButton,
                   ControlId::TargetEdit, ControlId::SaveImageButton, ControlId::TargetDiskButton,
                   ControlId::VerifyCheck}) {
        window_.EnableControl(id, !running);
    }
    const bool sourceIsDisk = job.source.kind == EndpointKind::PhysicalDisk;
    const bool targetIsDisk = job.target.kind == EndpointKind::PhysicalDisk;

    const bool compressionUsable = !running && !targetIsDisk;
    window_.EnableControl(ControlId::CompressCheck, compressionUsable);
    window_.EnableControl(ControlId::TypeCombo, compressionUsable && job.target.compressed);
    window_.EnableControl(ControlId::LevelCombo, compressionUsable && job.target.compressed);
    const bool rowShown = running
                              ? job.target.kind == EndpointKind::ImageFile && job.target.compressed
                              : !targetIsDisk;
    for (int id : {ControlId::CompressCheck, ControlId::TypeLabel, ControlId::TypeCombo,
                   ControlId::LevelLabel, ControlId::LevelCombo}) {
        window_.ShowControl(id, rowShown ? ShowCommand::Show : ShowCommand::Hide);
    }

    const bool ready =
        (sourceIsDisk || !job.source.path.empty()) && (targetIsDisk || !job.target.path.empty());
    window_.EnableControl(ControlId::CancelButton, running);
    window_.EnableControl(ControlId::StartButton, CanStart());
    if (!rewriteSummary) {
        return;
    }
    if (!ready) {
        window_.SetControlText(ControlId::LogEdit, L"");
        return;
    }
    window_.SetStatusText(L"");
    // Every source shows its progress: a compressed image by the part of
    // its file read.
    window_.ShowControl(ControlId::ProgressBar, ShowCommand::Show);
    window_.SetProgressPosition(0);
    window_.SetProgressRange(0, progressRange);
    window_.SetControlText(
        ControlId::LogEdit,
        (boost::wformat(L"Source: %s\r\n%sTarget: %s\r\n%s") % job.source.path %
         DetectedLine(sourceFormat) % job.target.path % CompressionLine(job.target, job.level))
            .str());
    CompressionSettings saved{job.target.compressed, job.target.method, job.level, typeLevels_};
    SaveCompressionSettings(settings_, saved);
}

void CBrevelDialog::SelectType(CompressionMethod method) {
    const ImageFormat* format = FindFormat(method);
    if (!format || !format->Writable()) {
        return;
    }
    window_.SetSelection(ControlId::TypeCombo, static_cast<int>(method));
    if (method == job.target.method) {
        return;  // the level and its list stay
    }
    if (FindFormat(job.target.method)) {
        typeLevels_[static_cast<std::size_t>(job.target.method)] = job.level;
        job.level = typeLevels_[static_cast<std::size_t>(method)];
    } else if (job.level < format->minLevel || job.level > format->maxLevel) {
        // No type was chosen before: the level stays if the type takes it.
        job.level = format->minLevel;
    }
    job.target.method = method;
    FillLevelList();
}

const ImageFormat& CBrevelDialog::ListedType() const {
    const ImageFormat* format = FindFormat(job.target.method);
    return format && format->Writable() ? *format : TargetFormats().front();
}

void CBrevelDialog::FillLevelList() {
    const ImageFormat& format = ListedType();
    std::vector<std::wstring> levels;
    for (int level = format.minLevel; level <= format.maxLevel; ++level) {
        levels.push_back(std::to_wstring(level));
    }
    window_.SetListItems(ControlId::LevelCombo, levels);
    window_.SetSelection(ControlId::LevelCombo, job.level - format.minLevel);
}

bool CBrevelDialog::CanStart() {
    return !task && !TrimmedPath(window_.GetControlText(ControlId::SourceEdit)).empty() &&
           !TrimmedPath(window_.GetControlText(ControlId::TargetEdit)).empty();
}

void CBrevelDialog::OnPathEdit() {
    window_.EnableControl(ControlId::StartButton, CanStart());
}
