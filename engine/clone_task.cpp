#include "engine/clone_task.h"

#include <boost/filesystem.hpp>
#include <cmath>
#include <ctime>

#include "disks/path_text.h"

namespace fs = boost::filesystem;

CCloneTask::CCloneTask() = default;

CCloneTask::~CCloneTask() {
    sourceImage.Close();
    targetImage.Close();
    CloseDiskDevice(sourceDisk);
    CloseDiskDevice(targetDisk);
    if (copyThread) {
        // By now the copy thread has set `finished` and touches nothing more.
        copyThread->detach();
        copyThread.reset();
    }
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
            sourceDisk = OpenDiskDevice(job.source.path);
            if (sourceDisk == kInvalidDiskHandle) {
                return L"Could not open source drive";
            }
            break;
        case EndpointKind::ImageFile:
            if (!sourceImage.Open(job.source.path, job.source.method, job.source.compressed)) {
                return L"Could not open source image";
            }
            break;
    }
    return L"";
}

std::wstring CCloneTask::OpenTarget() {
    switch (job.target.kind) {
        case EndpointKind::PhysicalDisk:
            targetDisk = OpenDiskDevice(job.target.path);
            if (targetDisk == kInvalidDiskHandle) {
                return L"Could not open target drive";
            }
            break;
        case EndpointKind::ImageFile: {
            const fs::path path(WideToUtf8(job.target.path));
            // A path without a folder names a file in the working directory.
            const fs::path folder = path.parent_path();
            if (!folder.empty()) {
                boost::system::error_code error;
                const fs::file_status status = fs::status(folder, error);
                if (status.type() == fs::status_error) {
                    return L"Could not create target directory";
                }
                if (!fs::is_directory(status)) {
                    fs::create_directories(folder, error);
                    if (error) {
                        return L"Could not create target directory";
                    }
                }
            }
            if (!targetImage.Create(job.target.path, job.target.method, job.target.compressed,
                                    job.level)) {
                return L"Could not create target image";
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
