// The progress timer: read-outs, progress bar and status text, and the
// question when a sector of the source disk cannot be read.
#include <algorithm>
#include <boost/format.hpp>

#include "control/brevel_dialog.h"
#include "control/control_ids.h"
#include "control/job_texts.h"
#include "control/text_format.h"

namespace {

// The copy reads its target back; once it has finished, the read-outs tell
// the copy again.
bool InVerifyPass(const CCloneTask& task) {
    return task.verifying && !task.finished;
}

}  // namespace

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
        // The verify pass has a position of its own; the report tells what
        // was copied.
        UpdateReadouts(InVerifyPass(*task) ? task->verifyPosition.load() : position);
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

namespace {

// Seconds of read-outs that the speed and the time left are averaged over:
// long enough that a copy moving in whole blocks reads steadily.
constexpr std::size_t kAveragedReadouts = 5;
// Read-outs needed before the time left is told.
constexpr std::size_t kReadoutsBeforeTimeLeft = 3;
constexpr std::int64_t kShareScale = 1000000;

}  // namespace

std::optional<std::int64_t> CBrevelDialog::DoneShare(std::int64_t position,
                                                     std::int64_t scale) const {
    if (InVerifyPass(*task)) {
        if (task->verifyLength > 0) {
            return ScaledRatio(position, task->verifyLength, scale);
        }
        return std::nullopt;
    }
    if (task->job.sourceSize > 0) {
        return ScaledRatio(position, task->job.sourceSize, scale);
    }
    if (task->sourceFileSize > 0) {
        return ScaledRatio(task->sourceConsumed, task->sourceFileSize, scale);
    }
    return std::nullopt;
}

void CBrevelDialog::UpdateReadouts(std::int64_t position) {
    const std::optional<std::int64_t> share = DoneShare(position, kShareScale);
    const bool verifying = InVerifyPass(*task);
    if (verifying != samplesVerifying_) {
        // The verify pass starts: its speed and time left are its own.
        samples_.clear();
        samplesVerifying_ = verifying;
        task->speedMark = 0;
    }
    if (samples_.empty()) {
        samples_.push_back({task->speedMark, 0});
    }
    samples_.push_back({position, share.value_or(-1)});
    while (samples_.size() > kAveragedReadouts + 1) {
        samples_.pop_front();
    }
    // One read-out a second: the samples span that many seconds.
    const auto seconds = static_cast<std::int64_t>(samples_.size() - 1);
    const ReadoutSample& oldest = samples_.front();
    const std::int64_t speed = seconds > 0 ? (position - oldest.position) / seconds : 0;
    task->speedMark = position;
    progress.copied = FormatByteSize(position);
    const std::int64_t total = verifying ? task->verifyLength : task->job.sourceSize;
    progress.total = total >= 0 ? FormatByteSize(total) : L"";
    progress.phase = verifying ? L"Verifying" : L"";
    progress.speed = FormatSpeed(speed);
    progress.timeLeft.clear();
    window_.SetControlText(ControlId::CopiedText, progress.copied);
    window_.SetControlText(ControlId::SpeedText, progress.speed);
    if (!share) {
        return;
    }
    if (seconds >= static_cast<std::int64_t>(kReadoutsBeforeTimeLeft) && oldest.share >= 0 &&
        *share > oldest.share && *share < kShareScale) {
        progress.timeLeft =
            FormatTimeLeft((kShareScale - *share) * seconds / (*share - oldest.share));
    }
    const std::int64_t percent = *DoneShare(position, 100);
    progress.percent = static_cast<int>(percent);
    window_.SetProgressPosition(static_cast<int>(
        std::min<std::int64_t>(*DoneShare(position, progressRange), progressRange)));
    std::wstring status = (boost::wformat(L"%s: %d%%") %
                           (verifying ? L"Verifying" : ModeOf(task->job).title) % percent)
                              .str();
    if (!progress.timeLeft.empty()) {
        status += L" - " + progress.timeLeft + L" left";
    }
    window_.SetStatusText(status);
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
