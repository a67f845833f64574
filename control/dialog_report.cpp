// The end of a job: the report in the log, the closing message and the
// return to idle.
#include <boost/filesystem.hpp>
#include <boost/format.hpp>
#include <cstring>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/job_texts.h"
#include "control/text_format.h"
#include "disks/path_text.h"

namespace fs = boost::filesystem;

void CBrevelDialog::WriteReport(const CCloneTask& finished, std::int64_t position) {
    AppendLog((boost::wformat(L"Finish Time: %s") % FormatTimestamp(finished.finishTime)).str());
    const std::int64_t elapsed = finished.ElapsedSeconds();
    if (elapsed > 0) {
        AppendLog(
            (boost::wformat(L"Average Speed: %s/s") % FormatByteSize(position / elapsed)).str());
    }
    const std::wstring duration = FormatDuration(elapsed);
    AppendLog((boost::wformat(L"Duration: %s") % duration).str());
    const CloneJob& ran = finished.job;
    AppendLog((boost::wformat(L"Source Bytes: %s") %
               (ran.sourceSize == -1 ? std::wstring(L"Unknown") : std::to_wstring(ran.sourceSize)))
                  .str());
    AppendLog((boost::wformat(L"Copied Bytes: %lld") % position).str());
    if (finished.zeroFilledBytes > 0) {
        AppendLog((boost::wformat(L"Zero-Filled Bytes: %lld") % finished.zeroFilledBytes).str());
    }
    if (ran.target.kind == EndpointKind::ImageFile && ran.target.compressed) {
        boost::system::error_code error;
        const std::uintmax_t size = fs::file_size(fs::path(WideToUtf8(ran.target.path)), error);
        if (error) {
            AppendLog(L"Compressed Size: Unknown");
        } else {
            const auto compressed = static_cast<std::int64_t>(size);
            AppendLog((boost::wformat(L"Compressed Size: %s") % FormatByteSize(compressed)).str());
            if (position > 0) {
                AppendLog((boost::wformat(L"Compression Ratio: %d%%") %
                           ScaledRatio(compressed, position, 100))
                              .str());
            }
        }
    }
    if (!finished.dataSha256.empty()) {
        AppendLog(L"SHA-256: " + Utf8ToWide(finished.dataSha256));
    }
    WriteChecksumReport(finished);
    AppendLog((boost::wformat(L"Copied %s in %s") % FormatByteSize(position) % duration).str());
}

void CBrevelDialog::WriteChecksumReport(const CCloneTask& finished) {
    const std::wstring target = finished.job.target.path;
    if (finished.checksumFileError != 0) {
        AppendLog(L"Warning: could not write " + target + L".sha256: " +
                  Utf8ToWide(std::strerror(finished.checksumFileError)));
    } else if (!finished.imageSha256.empty()) {
        AppendLog(L"Image SHA-256: " + Utf8ToWide(finished.imageSha256) + L" (in " + target +
                  L".sha256)");
    }
    switch (finished.verification) {
        case Verification::Passed:
            AppendLog(L"Verified: the target reads back as written.");
            break;
        case Verification::Cancelled:
            AppendLog(L"Verification cancelled: the target was not verified.");
            break;
        case Verification::Differs:
        case Verification::Unreadable:
        case Verification::NotRequested:
            break;
    }
}

void CBrevelDialog::FinishJob(std::int64_t position) {
    for (const ZeroFilledRun& run : task->zeroFilledRuns) {
        AppendLog(
            (boost::wformat(L"Skipped %lld bytes at position %lld") % run.length % run.position)
                .str());
    }
    if (task->paddingBytes > 0) {
        AppendLog((boost::wformat(L"Ignored %lld zero bytes after the end of the compressed data") %
                   task->paddingBytes)
                      .str());
    }
    WriteReport(*task, position);
    lastOutcome = OutcomeOf(*task, position);
    const std::wstring failure = FailureReason(task->job, task->ending, task->failurePosition);
    if (!failure.empty()) {
        AppendLog(L"Error: " + failure);
    }
    window_.SetControlText(ControlId::SpeedText, L"");
    window_.SetExecutionState(ExecutionState::Continuous);
    if (failure.empty()) {
        const ClosingMessage closing = ClosingMessageOf(*task, lastOutcome);
        if (closing.logged) {
            AppendLog(closing.text);
        }
        window_.ShowMessageBox(closing.text, closing.caption, closing.style);
    } else {
        ShowError(failure);
    }
    task.reset();
    // Start stays as the fields say: the same job can run again.
    UpdateControls(false);
    window_.SetFocus(ControlId::MoreInfoButton);
    if (closeWhenDone) {
        window_.EndDialog(0);
    }
}
