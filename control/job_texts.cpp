#include "control/job_texts.h"

#include <boost/format.hpp>
#include <cstring>
#include <limits>

#include "control/control_ids.h"
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
    std::wstring message = ModeOf(job).finalMessage;
    if (job.target.kind == EndpointKind::PhysicalDisk && task.partitionRereadError != 0) {
        message = (boost::wformat(L"%s The system could not re-read the partition table of %s "
                                  L"(%s): disconnect and reconnect the drive before using it.") %
                   (job.source.kind == EndpointKind::PhysicalDisk ? L"Cloning finished."
                                                                  : L"Image writing finished.") %
                   Utf8ToWide(job.target.disk.node) %
                   Utf8ToWide(std::strerror(task.partitionRereadError)))
                      .str();
    }
    if (task.truncatedBytes > 0) {
        message += (boost::wformat(L" The last %lld bytes of the source did not fit on the target "
                                   L"and were not copied.") %
                    task.truncatedBytes)
                       .str();
    }
    return message;
}

ClosingMessage ClosingMessageOf(const CCloneTask& task, const JobOutcome& outcome) {
    const unsigned warning = BoxStyle::Ok | BoxStyle::IconWarning;
    const std::wstring copied = FormatByteSize(outcome.copiedBytes);
    // A disk's first block is written last: a copy that stops leaves it as
    // it was.
    const std::wstring holds =
        L": the target holds only the first " + copied +
        (task.job.target.kind == EndpointKind::PhysicalDisk
             ? L", without its first MiB, which is written last and is as it was."
             : L".");
    switch (outcome.ending) {
        case JobEnding::Cancelled: {
            const std::int64_t total = task.job.sourceSize;
            const std::wstring of = total >= 0 ? L" of " + FormatByteSize(total) : L"";
            return {L"Cancelled at " + copied + of + holds, L"Cancelled", warning, true};
        }
        case JobEnding::ReadErrorAborted:
            return {(boost::wformat(L"Aborted after a read error at position %lld") %
                     outcome.failurePosition)
                            .str() +
                        holds,
                    L"Aborted", warning, true};
        default:
            break;
    }
    std::wstring text = CompletedMessage(task);
    if (outcome.verification == Verification::Cancelled) {
        return {text + L" Verification was cancelled: the target was not verified.", L"Done",
                warning, true};
    }
    if (outcome.zeroFilledBytes == 0) {
        return {text, L"Done", BoxStyle::Ok | BoxStyle::IconInformation, false};
    }
    std::wstring lost = FormatByteSize(outcome.zeroFilledBytes);
    if (outcome.zeroFilledBytes >= 1024) {
        lost += L" (" + std::to_wstring(outcome.zeroFilledBytes) + L" bytes)";
    }
    text += (boost::wformat(L" But %s of the source could not be read and were written as "
                            L"zeros, the first at position %lld.") %
             lost % outcome.firstZeroFilledPosition)
                .str();
    return {text, L"Done", warning, true};
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
        case CopyEnding::VerifyFailed:
            pattern =
                L"Verification failed at position %lld: the target differs from what was "
                L"written.";
            break;
        case CopyEnding::VerifyUnreadable:
            pattern = L"Verification failed at position %lld: the target could not be read back.";
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
