// Validation of the job and its start, with the error box and the log.
#include <algorithm>
#include <boost/filesystem.hpp>
#include <boost/format.hpp>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/text_format.h"
#include "disks/path_text.h"

namespace fs = boost::filesystem;

namespace {

// Opens a disk and closes it again on every way out.
class ProbedDisk {
public:
    explicit ProbedDisk(const std::wstring& path) : handle_(OpenDiskDevice(path)) {}
    ~ProbedDisk() { CloseDiskDevice(handle_); }
    ProbedDisk(const ProbedDisk&) = delete;
    ProbedDisk& operator=(const ProbedDisk&) = delete;

    bool IsOpen() const { return handle_ != kInvalidDiskHandle; }
    DiskHandle Handle() const { return handle_; }

private:
    DiskHandle handle_;
};

// Measures a disk just opened; the error to show, or nullptr when it has its size.
const wchar_t* MeasureDisk(const ProbedDisk& disk, std::int64_t& size, const wchar_t* openError,
                           const wchar_t* sizeError) {
    if (!disk.IsOpen()) {
        return openError;
    }
    return QueryDiskSize(disk.Handle(), size) ? nullptr : sizeError;
}

}  // namespace

void CBrevelDialog::ShowError(std::wstring message) {
    window_.ShowMessageBox(message, L"Error", BoxStyle::Ok | BoxStyle::IconError);
}

void CBrevelDialog::AppendLog(std::wstring line) {
    window_.AppendToLog((boost::wformat(L"%s\r\n") % line).str());
}

bool CBrevelDialog::SameImageFile() const {
    // Two names of one file (a link, "a/../x.dsk", "./x.dsk"): the target
    // would be truncated before the source is read.
    if (job.source.kind != EndpointKind::ImageFile || job.target.kind != EndpointKind::ImageFile) {
        return false;
    }
    boost::system::error_code error;
    return fs::equivalent(fs::path(WideToUtf8(job.source.path)),
                          fs::path(WideToUtf8(job.target.path)), error) &&
           !error;
}

bool CBrevelDialog::ValidateSource() {
    switch (job.source.kind) {
        case EndpointKind::PhysicalDisk: {
            const ProbedDisk disk(job.source.path);
            std::int64_t size = 0;
            if (const wchar_t* error = MeasureDisk(disk, size, L"Could not open source drive",
                                                   L"Could not get source drive size")) {
                ShowError(error);
                return false;
            }
            job.sourceSize = size;
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
            if (!fs::is_regular_file(status)) {
                ShowError(L"Source file not found");
                return false;
            }
            if (job.source.compressed) {
                job.sourceSize = -1;
                return true;
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

bool CBrevelDialog::ValidateTarget() {
    const ProbedDisk disk(job.target.path);
    std::int64_t size = 0;
    if (const wchar_t* error = MeasureDisk(disk, size, L"Could not open target drive",
                                           L"Could not get target drive size")) {
        ShowError(error);
        return false;
    }
    job.targetSize = size;
    unsigned char sector[kFirstSectorSize];
    if (!ReadFirstSector(disk.Handle(), sector)) {
        ShowError(L"Could not read first sector of target drive");
        return false;
    }
    if (std::any_of(std::begin(sector), std::end(sector), [](unsigned char b) { return b != 0; })) {
        ShowError(
            L"First sector of the target drive must be empty. Use the 'diskpart' utility to "
            L"erase the drive.");
        return false;
    }
    return true;
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
    if (job.source.path == job.target.path || SameImageFile()) {
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
        return true;  // an image target is created by Start
    }
    if (!ValidateTarget()) {
        return false;
    }
    if (job.sourceSize == -1 || job.targetSize >= job.sourceSize) {
        return true;
    }
    const std::wstring question =
        (boost::wformat(
             L"Source is %s larger than the target drive. Do you want to continue anyway?") %
         FormatByteSize(job.sourceSize - job.targetSize))
            .str();
    job.truncateTarget = window_.ShowMessageBox(question, L"Truncate",
                                                BoxStyle::OkCancel | BoxStyle::IconWarning |
                                                    BoxStyle::DefaultButton2) == BoxResult::Ok;
    return job.truncateTarget;
}

void CBrevelDialog::OnStart() {
    if (task) {
        ShowError(L"Task already started");
        return;
    }
    if (!ValidateJob()) {
        return;
    }
    task = std::make_unique<CCloneTask>();
    if (std::wstring message = task->Start(job); !message.empty()) {
        task.reset();
        ShowError(message);
        return;
    }
    AppendLog((boost::wformat(L"Start Time: %s") % FormatTimestamp(task->startTime)).str());
    window_.SetExecutionState(ExecutionState::Continuous | ExecutionState::SystemRequired |
                              ExecutionState::AwayModeRequired);
    UpdateControls(false);
    window_.SetFocus(ControlId::CancelButton);
    window_.StartTimer(kProgressTimer, timerPeriod);
}
