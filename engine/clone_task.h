#pragma once

#include <atomic>
#include <boost/thread/thread.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disks/disk_access.h"
#include "engine/clone_job.h"
#include "engine/image_reader.h"
#include "engine/image_writer.h"
#include "engine/sha256.h"

// How a copy ended. Set by the copy thread before it sets `finished`, so that
// the window can tell a complete copy from one that stopped short.
enum class CopyEnding : std::int32_t {
    Completed = 0,         // the source was read to its end and everything written
    Cancelled = 1,         // the user cancelled
    ReadErrorAborted = 2,  // a source disk read failed and the copy was stopped there
    WriteFailed = 3,       // the target took fewer bytes than it was given
    // The source image failed (I/O error, corrupt or truncated data), or a
    // source disk gave no more data before its size was reached.
    SourceUnreadable = 4,
    // The copy completed, but reading the target back (Verify) found other
    // data than was written.
    VerifyFailed = 5,
    // The copy completed, but the target could not be read back (or ended
    // before the copied length).
    VerifyUnreadable = 6,
};

// What reading the target back after the copy found.
enum class Verification : std::int32_t {
    NotRequested = 0,  // no Verify, or the copy did not complete
    Passed = 1,        // every block read back as it was written
    Cancelled = 2,     // the user cancelled while the target was read back
    Differs = 3,       // a block read back differs from what was written
    Unreadable = 4,    // the target could not be read back (or ended early)
};

// A stretch of a source disk that could not be read and was written as zeros.
struct ZeroFilledRun {
    std::int64_t position;
    std::int64_t length;
};

// The running copy. The window creates one per job with new, calls Start once,
// polls it from its timer and deletes it once it has seen `finished` (or right
// after a failed Start); deleting a task whose copy still runs cancels the
// copy and waits for it. The window thread and the copy thread share only the
// atomic fields, without a lock.
class CCloneTask {
public:
    CCloneTask();
    ~CCloneTask();
    CCloneTask(const CCloneTask&) = delete;
    CCloneTask& operator=(const CCloneTask&) = delete;

    // Opens the source, then the target, and starts the copy thread. Returns
    // the empty text when the copy has started, else the reason it did not.
    std::wstring Start(CloneJob job);

    // finishTime - startTime in whole seconds, truncated toward zero.
    std::int64_t ElapsedSeconds() const;

    // The window's cancel, after the user confirmed it: asks the copy to stop
    // and waits until the copy thread has finished. Nothing when no copy
    // thread is held.
    void Cancel();

    std::atomic<bool> readErrorPending{false};
    std::atomic<ReadErrorAnswer> readErrorAnswer{ReadErrorAnswer::None};
    CloneJob job;
    std::atomic<bool> finished{false};
    std::int64_t startTime = 0;
    std::int64_t finishTime = 0;
    std::int64_t speedMark = 0;  // the window's; the task only stores it
    ImageReader sourceImage;
    OpenedDisk sourceDisk;
    ImageWriter targetImage;
    OpenedDisk targetDisk;
    // While the copy runs: the source bytes the writer has handed to the
    // target (the copy thread reads at most kRingSlots blocks ahead of it).
    std::atomic<std::int64_t> position{0};
    // A source image: the bytes of the file read so far (compressed bytes for
    // a compressed image), against its size; what a compressed source's
    // progress is measured by.
    std::atomic<std::int64_t> sourceConsumed{0};
    std::int64_t sourceFileSize = -1;
    std::int32_t blockSize = 0;
    std::atomic<bool> cancelRequested{false};
    std::unique_ptr<boost::thread> copyThread;

    // What was copied: the SHA-256 of the source's bytes as they are handed
    // over, fed by the hash thread (beside the writer, while the copy thread
    // reads the blocks after). With Verify also one digest per block of
    // kBlockSize, of the data from the start to the block's end, to tell
    // where a target differs: 32 bytes per MiB.
    Sha256 dataHash;
    std::vector<Sha256Digest> blockHashes;
    // A disk target: its first block (the partition table), kept back while
    // the rest is written, flushed and verified, and written last, so that a
    // copy that fails or is cancelled leaves the first sector as it was.
    std::unique_ptr<char[]> firstBlock;
    std::int32_t firstBlockLength = 0;

    // The verify pass: `verifying` is raised when it starts; `verifyPosition`
    // counts the bytes read back so far, of `verifyLength`.
    std::atomic<bool> verifying{false};
    std::atomic<std::int64_t> verifyPosition{0};
    std::int64_t verifyLength = 0;

    // Valid once `finished` is true. `position` is then the count of source
    // bytes handed over successfully: after a failed write it leaves out the
    // block that failed (for a raw target, all but what reached it).
    CopyEnding ending = CopyEnding::Completed;
    // Where a failed copy stopped: for WriteFailed the bytes that reached the
    // target (a raw image or disk holds exactly that many; for a compressed
    // image, the bytes of the incomplete compressed stream), else the start
    // of the unreadable block (ReadErrorAborted) or the source bytes
    // delivered before the image failed (SourceUnreadable).
    std::int64_t failurePosition = -1;
    // A target disk whose new partition table the kernel did not take after
    // the flush: why (errno); 0 when it did, or when there was nothing to do.
    int partitionRereadError = 0;
    // The stretches of the source disk that stayed unreadable after an Ignore
    // and were written as zeros, in order; adjacent ones are one run.
    std::vector<ZeroFilledRun> zeroFilledRuns;
    std::int64_t zeroFilledBytes = 0;
    std::int64_t firstZeroFilledPosition = -1;  // -1 when nothing was zero-filled
    // Zero bytes after the last stream of a compressed source image, ignored.
    std::int64_t paddingBytes = 0;
    // Source bytes left out because the target disk ended there, as the user
    // agreed (job.truncateTarget).
    std::int64_t truncatedBytes = 0;
    // The SHA-256 of the copied bytes in hexadecimal (empty when the job was
    // not hashed); for an image target also of the file as written (the
    // compressed bytes of a compressed image), which NAME.sha256 holds.
    std::string dataSha256;
    std::string imageSha256;
    // Why NAME.sha256 could not be written (errno); 0 when it was, or when
    // there was none to write.
    int checksumFileError = 0;
    // What reading the target back found; for Differs and Unreadable the
    // start of the block that failed is failurePosition.
    Verification verification = Verification::NotRequested;

private:
    std::wstring OpenSource();
    std::wstring OpenTarget();
};

inline constexpr std::int32_t kBlockSize = 1048576;
// The blocks read ahead of the writer and the hash: what the copy thread may
// read while the target or the hash is slower for a moment.
inline constexpr int kRingSlots = 4;
// After an Ignore, a failed block is read again in pieces of the disk's
// logical block size, but at least this size, and only the pieces that still
// fail become zeros.
inline constexpr std::int32_t kRescuePieceSize = 4096;

// The copy thread's work: the whole copy, then the finishing sequence.
void RunCopy(CCloneTask* task);

// The verify pass over a disk target, from `from` (0, or the end of the first
// block, which is then taken from task.firstBlock) to `to`, reading past the
// page cache, block by block against task.blockHashes. Passed, Cancelled
// (cancelRequested), Differs or Unreadable with `failedAt` set.
Verification VerifyDiskRange(CCloneTask& task, std::int64_t from, std::int64_t to,
                             std::int64_t& failedAt);
// The verify pass over an image target: the file's cached pages dropped, then
// read (and decompressed) again from its start.
Verification VerifyImage(CCloneTask& task, std::int64_t& failedAt);
