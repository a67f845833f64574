// Runs one image-to-image copy through the engine, the way the window drives
// it: Start, then a look at the task every 100 ms until it has finished. Prints
// one "name value" pair a line, for bench/run to read:
//   wall_seconds      from Start until the copy thread had ended
//   observed_seconds  from Start until the tick that saw `finished` (what the
//                     window sees: up to one tick later)
//   cpu_seconds       user and system time of all the process's threads
//   peak_rss_kib      the process's peak resident memory
//   source_bytes      the bytes read from the source
//   ending            how the copy ended
//   verify_seconds    with verify: from the start of reading the target back
//                     until the copy thread had ended
//
//   brevel_bench_copy SOURCE FORMAT TARGET FORMAT LEVEL [MODE [THREADS]]
// where FORMAT is raw or a --compress name (gzip, bzip2, zlib, xz, zstd).
// MODE: hash (the default, as every job runs), nohash (nothing hashed), or
// verify (hashed, and the target read back after the copy). THREADS: the
// job's threads (--threads), 0 (the default) for one per core.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "disks/path_text.h"
#include "engine/clone_task.h"
#include "engine/image_formats.h"

namespace {

constexpr auto kTick = std::chrono::milliseconds(100);

std::optional<CompressionMethod> ParseFormat(const char* text) {
    if (std::strcmp(text, "raw") == 0) {
        return CompressionMethod::None;
    }
    for (const ImageFormat& format : TargetFormats()) {
        if (std::strcmp(text, format.cliName) == 0) {
            return format.method;
        }
    }
    return std::nullopt;
}

Endpoint ImageEndpoint(const char* path, CompressionMethod method) {
    return {Utf8ToWide(path), EndpointKind::ImageFile, method != CompressionMethod::None, method};
}

const char* EndingName(CopyEnding ending) {
    switch (ending) {
        case CopyEnding::Completed:
            return "Completed";
        case CopyEnding::Cancelled:
            return "Cancelled";
        case CopyEnding::ReadErrorAborted:
            return "ReadErrorAborted";
        case CopyEnding::WriteFailed:
            return "WriteFailed";
        case CopyEnding::SourceUnreadable:
            return "SourceUnreadable";
        case CopyEnding::VerifyFailed:
            return "VerifyFailed";
        case CopyEnding::VerifyUnreadable:
            return "VerifyUnreadable";
    }
    return "Unknown";
}

rusage OwnUsage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: brevel_bench_copy SOURCE FORMAT TARGET FORMAT LEVEL [MODE [THREADS]]\n"
                 "MODE: hash, nohash or verify\n"
                 "FORMAT: raw, gzip, bzip2, zlib, xz or zstd\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6 || argc > 8) {
        return Usage();
    }
    const std::string mode = argc >= 7 ? argv[6] : "hash";
    if (mode != "hash" && mode != "nohash" && mode != "verify") {
        return Usage();
    }
    const auto sourceMethod = ParseFormat(argv[2]);
    const auto targetMethod = ParseFormat(argv[4]);
    char* levelEnd = nullptr;
    const long level = std::strtol(argv[5], &levelEnd, 10);
    char* threadsEnd = nullptr;
    const long threads = argc == 8 ? std::strtol(argv[7], &threadsEnd, 10) : 0;
    if (!sourceMethod || !targetMethod || *levelEnd != '\0' || level < 1 || level > 19 ||
        (threadsEnd != nullptr && *threadsEnd != '\0') || threads < 0 || threads > 64) {
        return Usage();
    }

    CloneJob job;
    job.source = ImageEndpoint(argv[1], *sourceMethod);
    job.target = ImageEndpoint(argv[3], *targetMethod);
    job.level = static_cast<std::int32_t>(level);
    job.hash = mode != "nohash";
    job.verify = mode == "verify";
    job.threads = static_cast<std::int32_t>(threads);

    auto task = std::make_unique<CCloneTask>();
    const auto start = std::chrono::steady_clock::now();
    const std::wstring message = task->Start(job);
    if (!message.empty()) {
        std::fprintf(stderr, "brevel_bench_copy: %s\n", WideToUtf8(message).c_str());
        return 1;
    }
    // The copy thread's end, timed to the moment: a helper thread joins it
    // (the window never joins a finished copy, so nothing else does).
    std::chrono::steady_clock::time_point copyEnd;
    std::optional<std::chrono::steady_clock::time_point> verifyStart;
    std::thread timer([&task, &copyEnd] {
        task->copyThread->join();
        copyEnd = std::chrono::steady_clock::now();
    });
    // The start of the verify pass, to the millisecond.
    std::thread verifyWatch([&task, &verifyStart] {
        while (!task->finished && !task->verifying) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (task->verifying) {
            verifyStart = std::chrono::steady_clock::now();
        }
    });
    // The window's timer: the position is read on every tick, and a read-error
    // question (which image sources never raise) is answered with Abort.
    auto nextTick = start + kTick;
    while (!task->finished) {
        std::this_thread::sleep_until(nextTick);
        nextTick += kTick;
        task->position.load();  // the window's Copied read-out
        if (task->readErrorPending) {
            task->readErrorPending = false;
            task->readErrorAnswer = ReadErrorAnswer::Abort;
        }
    }
    const std::chrono::duration<double> observed = std::chrono::steady_clock::now() - start;
    timer.join();
    verifyWatch.join();
    const std::chrono::duration<double> wall = copyEnd - start;
    if (verifyStart) {
        const std::chrono::duration<double> verifying = copyEnd - *verifyStart;
        std::printf("verify_seconds %.3f\n", verifying.count());
    }

    std::printf("wall_seconds %.3f\n", wall.count());
    std::printf("observed_seconds %.3f\n", observed.count());
    const rusage usage = OwnUsage();
    std::printf("cpu_seconds %.3f\n", Seconds(usage.ru_utime) + Seconds(usage.ru_stime));
    std::printf("peak_rss_kib %ld\n", usage.ru_maxrss);  // KiB on Linux
    std::printf("source_bytes %lld\n", static_cast<long long>(task->position.load()));
    std::printf("ending %s\n", EndingName(task->ending));
    return task->ending == CopyEnding::Completed ? 0 : 1;
}
