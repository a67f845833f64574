// The progress timer: read-outs, progress bar and status text, and the
// question when a sector of the source disk cannot be read.
#include <algorithm>
#include <boost/format.hpp>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/job_texts.h"
#include "control/text_format.h"

void CBrevelDialog::OnTimer() {
    if (!task) {
        return;  // a tick that was queued before the job ended
    }
    const bool done = task->finished;
    if (done) {
        window_.StopTimer(kProgressTimer);
    }
    const std::int64_t position = task->position;  // after `finished`: the final count
    if (++tickCount >= ticksPerUpdate || done) {
        UpdateReadouts(position);
        tickCount = 0;
    }
    // A finished copy waits for no answer: a question raised just before a
    // cancel ended the wait is not asked any more.
    if (!done && task->readErrorPending) {
        AnswerReadError(position);
    }
    if (done) {
        FinishJob(position);
    }
}

void CBrevelDialog::UpdateReadouts(std::int64_t position) {
    window_.SetControlText(ControlId::CopiedText, FormatByteSize(position));
    // The bytes of the last ten ticks, taken to be one second.
    const std::int64_t delta = position - task->speedMark;
    task->speedMark = position;
    window_.SetControlText(ControlId::SpeedText, FormatSpeed(delta));
    const std::int64_t sourceSize = task->job.sourceSize;
    if (sourceSize <= 0) {
        return;  // a compressed source image: its size is not known
    }
    window_.SetProgressPosition(static_cast<int>(
        std::min<std::int64_t>(ScaledRatio(position, sourceSize, progressRange), progressRange)));
    window_.SetStatusText((boost::wformat(L"%s: %d%%") % ModeOf(task->job).title %
                           ScaledRatio(position, sourceSize, 100))
                              .str());
}

void CBrevelDialog::AnswerReadError(std::int64_t position) {
    // Cleared before asking: the box's own message loop keeps delivering
    // ticks, and they must not ask again.
    task->readErrorPending = false;
    int answer = window_.ShowMessageBox(
        L"A read error occured.", L"Error",
        BoxStyle::AbortRetryIgnore | BoxStyle::IconInformation | BoxStyle::DefaultButton2);
    switch (answer) {
        case BoxResult::Abort:
            AppendLog(L"Cancelled due to read error");
            break;
        case BoxResult::Retry:
            AppendLog((boost::wformat(L"Retry at position %lld") % position).str());
            break;
        case BoxResult::Ignore:
            // The block is read again in small pieces; what stays unreadable
            // is logged, run by run, when the job ends.
            break;
        default:
            // No answer at all (the box failed) would leave the copy waiting
            // for ever; it stops as on Abort.
            if (answer == 0) {
                answer = BoxResult::Abort;
            }
            break;
    }
    if (task) {
        task->readErrorAnswer = static_cast<ReadErrorAnswer>(answer);
    }
}
