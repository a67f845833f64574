#include "control/job_texts.h"

#include <boost/format.hpp>
#include <limits>

JobMode ModeOf(const CloneJob& job) {
    const bool sourceIsDisk = job.source.kind == EndpointKind::PhysicalDisk;
    const bool targetIsDisk = job.target.kind == EndpointKind::PhysicalDisk;
    if (sourceIsDisk && targetIsDisk) {
        return {L"Disk Cloning",
                L"Cloning finished. Please disconnect both drives. Reboot before working with "
                L"another drive."};
    }
    if (sourceIsDisk) {
        return {L"Saving Image", L"Image creation finished."};
    }
    if (targetIsDisk) {
        return {L"Writing Image",
                L"Image writing finished. Please disconnect the drive. Reboot before working "
                L"with another drive."};
    }
    return {L"Converting Image", L"Image conversion finished."};
}

std::wstring FailureReason(const CloneJob& job, CopyEnding ending, std::int64_t position) {
    const wchar_t* pattern = nullptr;
    switch (ending) {
        case CopyEnding::WriteFailed:
            pattern = job.target.kind == EndpointKind::ImageFile && job.target.compressed
                          ? L"Writing to the target failed after %lld bytes of compressed data. "
                            L"The image is incomplete."
                          : L"Writing to the target failed at position %lld. The target is "
                            L"incomplete.";
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

std::wstring FinalMessage(const CloneJob& job, std::int64_t truncatedBytes) {
    std::wstring message = ModeOf(job).finalMessage;
    if (truncatedBytes > 0) {
        message += (boost::wformat(L" The last %lld bytes of the source did not fit on the target "
                                   L"and were not copied.") %
                    truncatedBytes)
                       .str();
    }
    return message;
}

std::int64_t ScaledRatio(std::int64_t part, std::int64_t whole, std::int64_t scale) {
    if (part >= 0 && part <= std::numeric_limits<std::int64_t>::max() / scale) {
        return part * scale / whole;
    }
    return static_cast<std::int64_t>(static_cast<long double>(part) * scale / whole);
}
