#include "control/job_outcome.h"

JobOutcome OutcomeOf(const CCloneTask& task, std::int64_t position) {
    JobOutcome outcome;
    switch (task.ending) {
        case CopyEnding::Completed:
            outcome.ending = JobEnding::Completed;
            break;
        case CopyEnding::Cancelled:
            outcome.ending = JobEnding::Cancelled;
            break;
        case CopyEnding::ReadErrorAborted:
            outcome.ending = JobEnding::ReadErrorAborted;
            break;
        case CopyEnding::WriteFailed:
        case CopyEnding::SourceUnreadable:
        case CopyEnding::VerifyFailed:
        case CopyEnding::VerifyUnreadable:
            outcome.ending = JobEnding::Failed;
            break;
    }
    outcome.copiedBytes = position;
    outcome.failurePosition = task.failurePosition;
    outcome.zeroFilledBytes = task.zeroFilledBytes;
    outcome.firstZeroFilledPosition = task.firstZeroFilledPosition;
    outcome.verification = task.verification;
    return outcome;
}
