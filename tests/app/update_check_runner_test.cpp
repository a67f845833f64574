#include "app/update_check_runner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "box_recording_window.h"
#include "fake_download.h"
#include "https_fixture.h"

namespace {

const std::wstring kCaption = std::wstring(L"Brevel Free 2312 - ") + kSiteName;

// The window thread's event queue as the test plays it: the worker posts,
// the test's own thread runs what was posted.
class WindowQueue {
public:
    UpdateCheckRunner::PostToWindow Poster() {
        return [this](std::function<void()> function) {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(function));
            posted_.notify_all();
        };
    }

    // Waits for the next posted function and runs it here.
    void RunNext() {
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [this] { return !queue_.empty(); });
        std::function<void()> function = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        function();
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace

TEST(UpdateCheckRunner, DownloadsOnAWorkerAndAsksOnTheWindowThread) {
    BoxRecordingWindow window(kCaption);
    window.answer = BoxResult::Ok;
    FakeDownload download("BREVEL=2401");
    WindowQueue queue;
    UpdateCheckRunner runner(download, queue.Poster());
    runner.Start(window);
    EXPECT_TRUE(window.boxes.empty());
    queue.RunNext();
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].style, 0x41u);
    EXPECT_EQ(window.boxes[0].thread, std::this_thread::get_id());
    EXPECT_NE(download.thread, std::this_thread::get_id());
    EXPECT_EQ(window.openedUrls, std::vector<std::wstring>{DownloadPageUrl()});
}

TEST(UpdateCheckRunner, EqualVersionOrFailedDownloadEndsWithoutABox) {
    for (std::optional<std::string> body :
         {std::optional<std::string>("BREVEL=2312"), std::optional<std::string>()}) {
        BoxRecordingWindow window(kCaption);
        FakeDownload download(body);
        WindowQueue queue;
        UpdateCheckRunner runner(download, queue.Poster());
        runner.Start(window);
        queue.RunNext();
        EXPECT_TRUE(window.boxes.empty());
        EXPECT_EQ(download.urls.size(), 1u);
    }
}

TEST(UpdateCheckRunner, CaptionWithoutVersionStartsNothing) {
    BoxRecordingWindow window(L"Brevel Free - " + std::wstring(kSiteName));
    FakeDownload download("BREVEL=2401");
    WindowQueue queue;
    {
        UpdateCheckRunner runner(download, queue.Poster());
        runner.Start(window);
    }
    EXPECT_TRUE(download.urls.empty());
    EXPECT_EQ(queue.Pending(), 0u);
}

TEST(UpdateCheckRunner, ResultArrivingAfterTheRunnerWentDoesNothing) {
    BoxRecordingWindow window(kCaption);
    FakeDownload download("BREVEL=2401");
    WindowQueue queue;
    {
        UpdateCheckRunner runner(download, queue.Poster());
        runner.Start(window);
        while (queue.Pending() == 0) {
            std::this_thread::yield();
        }
    }
    queue.RunNext();
    EXPECT_TRUE(window.boxes.empty());
}

TEST(UpdateCheckRunner, SecondStartWhileOneRunsIsIgnored) {
    BoxRecordingWindow window(kCaption);
    FakeDownload download("BREVEL=2401");
    WindowQueue queue;
    UpdateCheckRunner runner(download, queue.Poster());
    runner.Start(window);
    runner.Start(window);
    queue.RunNext();
    EXPECT_EQ(download.urls.size(), 1u);
    EXPECT_EQ(window.boxes.size(), 1u);
    runner.Start(window);
    queue.RunNext();
    EXPECT_EQ(download.urls.size(), 2u);
}

class UpdateCheckRunnerOverHttps : public HttpsTest {};

TEST_F(UpdateCheckRunnerOverHttps, ClosingTheWindowStopsAHangingDownload) {
    options.connectTimeout = std::chrono::hours(1);
    options.totalTimeout = std::chrono::hours(1);
    BoxRecordingWindow window(kCaption);
    SiteOnLocalServer download(server, "/stall", options);
    WindowQueue queue;
    {
        UpdateCheckRunner runner(download, queue.Poster());
        runner.Start(window);
        while (server.Requests().empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    EXPECT_EQ(queue.Pending(), 0u);
    EXPECT_TRUE(window.boxes.empty());
}
