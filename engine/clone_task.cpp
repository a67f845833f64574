#include "engine/clone_task.h"

#include <boost/filesystem.hpp>
#include <cerrno>
#include <cmath>
#include <ctime>

#include "disks/path_text.h"
#include "engine/disk_open_text.h"

namespace fs = boost::filesystem;

namespace {

// Opens a disk of the job into `into`; why it could not, else the empty text.
std::wstring OpenJobDisk(const DiskIdentity& disk, DiskUse use, const wchar_t* couldNot,
                         OpenedDisk& into) {
    DiskOpening opening = OpenDisk(disk, use);
    if (!opening.disk.IsOpen()) {
        return DiskOpenFailureText(opening, disk, use, couldNot);
    }
    into = std::move(opening.disk);
    return L"";
}

}  // namespace

CCloneTask::CCloneTask() = default;

CCloneTask::~CCloneTask() {
    Cancel();
    sourceImage.Close();
    targetImage.Close();
}

std::wstring CCloneTask::Start(CloneJob newJob) {
    job = std::move(newJob);
    if (std::wstring message = OpenSource(); !message.empty()) {
        return message;
    }
    if (std::wstring message = OpenTarget(); !message.empty()) {
        return message;
    }
    blockSize = kBlockSize;
    startTime = static_cast<std::int64_t>(std::time(nullptr));
    try {
        copyThread = std::make_unique<boost::thread>(RunCopy, this);
    } catch (...) {
        return L"Could not start the copy";
    }
    return L"";
}

std::wstring CCloneTask::OpenSource() {
    switch (job.source.kind) {
        case EndpointKind::PhysicalDisk:
            return OpenJobDisk(job.source.disk, DiskUse::Read, L"Could not open source drive",
                               sourceDisk);
        case EndpointKind::ImageFile:
            sourceImage.SetWorkers(job.threads);
            if (!sourceImage.Open(job.source.path, job.source.method, job.source.compressed)) {
                return WithSystemReason(L"Could not open source image", errno);
            }
            {
                boost::system::error_code error;
                const std::uintmax_t size =
                    fs::file_size(fs::path(WideToUtf8(job.source.path)), error);
                sourceFileSize = error ? -1 : static_cast<std::int64_t>(size);
            }
            break;
    }
    return L"";
}

std::wstring CCloneTask::OpenTarget() {
    switch (job.target.kind) {
        case EndpointKind::PhysicalDisk:
            return OpenJobDisk(job.target.disk, DiskUse::Write, L"Could not open target drive",
                               targetDisk);
        case EndpointKind::ImageFile: {
            const fs::path path(WideToUtf8(job.target.path));
            // A path without a folder names a file in the working directory.
            const fs::path folder = path.parent_path();
            if (!folder.empty()) {
                boost::system::error_code error;
                const fs::file_status status = fs::status(folder, error);
                if (status.type() == fs::status_error) {
                    return WithSystemReason(L"Could not create target directory", error.value());
                }
                if (fs::exists(status) && !fs::is_directory(status)) {
                    return WithSystemReason(L"Could not create target directory", ENOTDIR);
                }
                if (!fs::is_directory(status)) {
                    fs::create_directories(folder, error);
                    if (error) {
                        return WithSystemReason(L"Could not create target directory",
                                                error.value());
                    }
                }
            }
            targetImage.SetWorkers(job.threads);
            if (!targetImage.Create(job.target.path, job.target.method, job.target.compressed,
                                    job.level)) {
                return WithSystemReason(L"Could not create target image", errno);
            }
            // A raw image's file hash is the data's; only a compressed one
            // needs its own.
            if (job.hash && targetImage.Compressed()) {
                targetImage.File().HashWrites();
            }
            break;
        }
    }
    return L"";
}

std::int64_t CCloneTask::ElapsedSeconds() const {
    const double seconds =
        std::difftime(static_cast<std::time_t>(finishTime), static_cast<std::time_t>(startTime));
    return static_cast<std::int64_t>(std::trunc(seconds));
}

void CCloneTask::Cancel() {
    if (!copyThread) {
        return;
    }
    cancelRequested = true;
    copyThread->join();
    copyThread.reset();
}
