// Validation of the job and its start, with the error box and the log.
#include <algorithm>
#include <boost/algorithm/string/join.hpp>
#include <boost/filesystem.hpp>
#include <boost/format.hpp>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/job_texts.h"
#include "control/text_format.h"
#include "disks/disk_usage.h"
#include "disks/path_text.h"
#include "engine/disk_open_text.h"
#include "engine/zip_image.h"

namespace fs = boost::filesystem;

namespace {

// A question that has No as its default: Yes must be chosen on purpose.
constexpr unsigned kDestroyQuestion =
    BoxStyle::YesNo | BoxStyle::IconWarning | BoxStyle::DefaultButton2;

bool IsZero(const unsigned char* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

}  // namespace

void CBrevelDialog::ShowError(std::wstring message) {
    window_.ShowMessageBox(message, L"Error", BoxStyle::Ok | BoxStyle::IconError);
}

void CBrevelDialog::AppendLog(std::wstring line) {
    window_.AppendToLog((boost::wformat(L"%s\r\n") % line).str());
}

bool CBrevelDialog::SameEndpoint() const {
    if (job.source.kind != job.target.kind) {
        return false;
    }
    if (job.source.kind == EndpointKind::PhysicalDisk) {
        // One disk under two names ("disk:3", "\\.\PhysicalDrive03", /dev/sdd).
        const DiskIdentity& a = job.source.disk;
        const DiskIdentity& b = job.target.disk;
        return SameDevice(a, b) || (!a.Known() && !b.Known() && a.number == b.number);
    }
    if (job.source.path == job.target.path) {
        return true;
    }
    // Two names of one file (a link, "a/../x.dsk", "./x.dsk"): the target
    // would be truncated before the source is read.
    boost::system::error_code error;
    return fs::equivalent(fs::path(WideToUtf8(job.source.path)),
                          fs::path(WideToUtf8(job.target.path)), error) &&
           !error;
}

bool CBrevelDialog::ValidateSource() {
    switch (job.source.kind) {
        case EndpointKind::PhysicalDisk: {
            const DiskOpening opening = OpenDisk(job.source.disk, DiskUse::Read);
            if (!opening.disk.IsOpen()) {
                ShowError(DiskOpenFailureText(opening, job.source.disk, DiskUse::Read,
                                              L"Could not open source drive"));
                return false;
            }
            std::int64_t size = 0;
            if (!QueryDiskSize(opening.disk.Handle(), size)) {
                ShowError(L"Could not get source drive size");
                return false;
            }
            job.sourceSize = size;
            WarnOfWritableMounts();
            return true;
        }
        case EndpointKind::ImageFile: {
            const fs::path path(WideToUtf8(job.source.path));
            boost::system::error_code error;
            const fs::file_status status = fs::status(path, error);
            if (status.type() == fs::status_error) {
                ShowError(L"Could not examine the source file");
                return false;
            }
            if (fs::is_directory(status)) {
                ShowError(job.source.path + L" is a folder, not an image file.");
                return false;
            }
            if (!fs::is_regular_file(status)) {
                ShowError(L"Source file not found");
                return false;
            }
            if (job.source.compressed) {
                job.sourceSize = -1;
                return job.source.method != CompressionMethod::Zip || ValidateZipSource();
            }
            const std::uintmax_t size = fs::file_size(path, error);
            if (error) {
                ShowError(L"Could not examine the source file");
                return false;
            }
            job.sourceSize = static_cast<std::int64_t>(size);
            return true;
        }
    }
    ShowError(L"Unknown source stream type");
    return false;
}

bool CBrevelDialog::ValidateZipSource() {
    const ZipListing listing = ListZipFiles(job.source.path);
    if (!listing.readable) {
        ShowError(job.source.path + L" is not a zip archive that can be read.");
        return false;
    }
    if (listing.files.size() == 1) {
        return true;
    }
    if (listing.files.empty()) {
        ShowError(job.source.path + L" holds no file; a zip image holds one disk image.");
        return false;
    }
    ShowError((boost::wformat(L"%s holds %d files, but a zip image holds one disk image: %s") %
               job.source.path % listing.files.size() %
               boost::algorithm::join(listing.files, L", "))
                  .str());
    return false;
}

void CBrevelDialog::WarnOfWritableMounts() {
    std::vector<DiskUser> writable;
    for (const DiskUser& user : UsersOfDisk(job.source.disk)) {
        if (user.writable) {
            writable.push_back(user);
        }
    }
    if (!writable.empty()) {
        AppendLog(L"Warning: " + Utf8ToWide(DescribeUsers(writable)) +
                  L", writable while it is read: the copy may be inconsistent.");
    }
}

bool CBrevelDialog::ValidateTarget() {
    // Opened as the copy will open it, exclusively: a disk in use is refused
    // here, before any question.
    const DiskOpening opening = OpenDisk(job.target.disk, DiskUse::Write);
    if (!opening.disk.IsOpen()) {
        ShowError(DiskOpenFailureText(opening, job.target.disk, DiskUse::Write,
                                      L"Could not open target drive"));
        return false;
    }
    std::int64_t size = 0;
    if (!QueryDiskSize(opening.disk.Handle(), size)) {
        ShowError(L"Could not get target drive size");
        return false;
    }
    job.targetSize = size;
    unsigned char sector[kFirstSectorSize];
    if (!ReadFirstSector(opening.disk.Handle(), sector)) {
        ShowError(L"Could not read first sector of target drive");
        return false;
    }
    if (!IsZero(sector, sizeof sector)) {
        const std::wstring node = Utf8ToWide(job.target.disk.node);
        ShowError((boost::wformat(L"First sector of the target drive %1% must be empty. To erase "
                                  L"the disk, run 'wipefs --all %1%' and then 'dd if=/dev/zero "
                                  L"of=%1% bs=1M count=1' (both destroy its data).") %
                   node)
                      .str());
        return false;
    }
    return true;
}

bool CBrevelDialog::ConfirmTarget() {
    if (job.target.kind == EndpointKind::PhysicalDisk) {
        const std::wstring question =
            L"All data on " + DiskDescription(job.target.disk) + L" will be destroyed. Continue?";
        return window_.ShowMessageBox(question, L"Confirm", kDestroyQuestion) == BoxResult::Yes;
    }
    // The save dialog has asked about its own choice already.
    if (job.target.path == confirmedTarget_) {
        return true;
    }
    boost::system::error_code error;
    const fs::file_status status = fs::symlink_status(fs::path(WideToUtf8(job.target.path)), error);
    if (!fs::exists(status) || fs::is_directory(status)) {
        return true;  // nothing to replace; a folder is refused when the file is created
    }
    const std::wstring question = job.target.path + L" already exists. Do you want to replace it?";
    return window_.ShowMessageBox(question, L"Confirm", kDestroyQuestion) == BoxResult::Yes;
}

bool CBrevelDialog::ValidateJob() {
    job.truncateTarget = false;  // until the user agrees, for this job
    if (job.source.path.empty()) {
        ShowError(L"Source path not specified");
        return false;
    }
    if (job.target.path.empty()) {
        ShowError(L"Target path not specified");
        return false;
    }
    for (const Endpoint* side : {&job.source, &job.target}) {
        if (!side->refusal.empty()) {
            ShowError(side->refusal);
            return false;
        }
    }
    if (SameEndpoint()) {
        ShowError(L"Specified source and target are the same");
        return false;
    }
    if (!ValidateSource()) {
        return false;
    }
    if (job.sourceSize == 0) {
        ShowError(L"Source is zero bytes");
        return false;
    }
    if (job.target.kind != EndpointKind::PhysicalDisk) {
        return ConfirmTarget();  // an image target is created by Start
    }
    if (!ValidateTarget()) {
        return false;
    }
    if (job.sourceSize != -1 && job.targetSize < job.sourceSize) {
        const std::wstring question =
            (boost::wformat(
                 L"Source is %s larger than the target drive. Do you want to continue anyway?") %
             FormatByteSize(job.sourceSize - job.targetSize))
                .str();
        job.truncateTarget = window_.ShowMessageBox(question, L"Truncate",
                                                    BoxStyle::OkCancel | BoxStyle::IconWarning |
                                                        BoxStyle::DefaultButton2) == BoxResult::Ok;
        if (!job.truncateTarget) {
            return false;
        }
    }
    return ConfirmTarget();
}

void CBrevelDialog::CommitTypedPaths() {
    const std::wstring source = TrimmedPath(window_.GetControlText(ControlId::SourceEdit));
    if (source != job.source.path) {
        SetSource(source, L"");
    } else if (job.source.kind == EndpointKind::ImageFile &&
               ExamineSourceImage(patterns, source) != sourceFormat) {
        // The file changed since it was named (written, replaced): what it is
        // now decides.
        SetSource(source, job.sourceLabel);
    }
    const std::wstring target = TrimmedPath(window_.GetControlText(ControlId::TargetEdit));
    if (target != job.target.path) {
        SetTarget(target);
    }
}

void CBrevelDialog::OnStart() {
    if (task) {
        ShowError(L"Task already started");
        return;
    }
    // What the fields show is what runs, committed or not.
    CommitTypedPaths();
    lastOutcome = JobOutcome{JobEnding::Refused};
    if (!ValidateJob()) {
        return;
    }
    // A confirmation covers one job: the next one asks again.
    confirmedTarget_.clear();
    task = std::make_unique<CCloneTask>();
    if (std::wstring message = task->Start(job); !message.empty()) {
        task.reset();
        ShowError(message);
        return;
    }
    lastOutcome = JobOutcome{};
    samples_.assign(1, ReadoutSample{0, 0});
    samplesVerifying_ = false;
    progress = ProgressReadout{};
    AppendLog((boost::wformat(L"Start Time: %s") % FormatTimestamp(task->startTime)).str());
    window_.SetExecutionState(ExecutionState::Continuous | ExecutionState::SystemRequired |
                              ExecutionState::AwayModeRequired);
    UpdateControls(false);
    window_.SetFocus(ControlId::CancelButton);
    window_.StartTimer(kProgressTimer, timerPeriod);
}
