#include "control/job_texts.h"

#include <boost/format.hpp>
#include <cstring>
#include <limits>

#include "control/text_format.h"
#include "disks/path_text.h"

JobMode ModeOf(const CloneJob& job) {
    const bool sourceIsDisk = job.source.kind == EndpointKind::PhysicalDisk;
    const bool targetIsDisk = job.target.kind == EndpointKind::PhysicalDisk;
    if (sourceIsDisk && targetIsDisk) {
        return {L"Disk Cloning", L"Cloning finished. The drives may now be removed."};
    }
    if (sourceIsDisk) {
        return {L"Saving Image", L"Image creation finished."};
    }
    if (targetIsDisk) {
        return {L"Writing Image", L"Image writing finished. The drive may now be removed."};
    }
    return {L"Converting Image", L"Image conversion finished."};
}

std::wstring CompletedMessage(const CCloneTask& task) {
    const CloneJob& job = task.job;
    if (job.target.kind != EndpointKind::PhysicalDisk || task.partitionRereadError == 0) {
        return ModeOf(job).finalMessage;
    }
    const wchar_t* done = job.source.kind == EndpointKind::PhysicalDisk
                              ? L"Cloning finished."
                              : L"Image writing finished.";
    return (boost::wformat(L"%s The system could not re-read the partition table of %s (%s): "
                           L"disconnect and reconnect the drive before using it.") %
            done % Utf8ToWide(job.target.disk.node) %
            Utf8ToWide(std::strerror(task.partitionRereadError)))
        .str();
}

std::wstring FailureReason(const CloneJob& job, CopyEnding ending, std::int64_t position) {
    const wchar_t* pattern = nullptr;
    switch (ending) {
        case CopyEnding::WriteFailed:
            pattern = L"Writing to the target failed at position %lld. The target is incomplete.";
            break;
        case CopyEnding::SourceUnreadable:
            pattern =
                job.source.kind == EndpointKind::PhysicalDisk
                    ? L"Reading the source disk failed at position %lld. The target is incomplete."
                    : L"Reading the source image failed at position %lld. The target is "
                      L"incomplete.";
            break;
        case CopyEnding::Completed:
        case CopyEnding::Cancelled:
        case CopyEnding::ReadErrorAborted:
            return L"";
    }
    if (pattern == nullptr) {
        return L"";
    }
    return (boost::wformat(pattern) % position).str();
}

std::int64_t ScaledRatio(std::int64_t part, std::int64_t whole, std::int64_t scale) {
    if (part >= 0 && part <= std::numeric_limits<std::int64_t>::max() / scale) {
        return part * scale / whole;
    }
    return static_cast<std::int64_t>(static_cast<long double>(part) * scale / whole);
}

std::wstring DiskDescription(const DiskIdentity& disk) {
    std::wstring details = Utf8ToWide(disk.node);
    if (!disk.model.empty()) {
        details += L", " + Utf8ToWide(disk.model);
    }
    details += L", " + FormatByteSize(disk.size);
    return L"Disk " + std::to_wstring(disk.number) + L" (" + details + L")";
}
