#include "app/update_check_runner.h"

#include <optional>
#include <string>

#include "app/update_check.h"

UpdateCheckRunner::UpdateCheckRunner(DownloadPort& download, PostToWindow post)
    : download_(download), post_(std::move(post)) {}

UpdateCheckRunner::~UpdateCheckRunner() {
    alive_.reset();
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

void UpdateCheckRunner::Start(WindowPort& window) {
    if (busy_) {
        return;
    }
    std::optional<std::wstring> running = RunningVersion(window.GetCaption());
    if (!running) {
        return;
    }
    busy_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    std::weak_ptr<bool> alive = alive_;
    worker_ =
        std::jthread([this, &window, alive, running = std::move(*running)](std::stop_token stop) {
            std::optional<std::wstring> latest = FetchLatestVersion(download_, stop);
            if (stop.stop_requested()) {
                return;
            }
            try {
                post_([this, &window, alive, running, latest = std::move(latest)] {
                    if (alive.expired()) {
                        return;
                    }
                    busy_ = false;
                    if (latest) {
                        OfferUpdate(window, running, *latest);
                    }
                });
            } catch (const std::exception&) {
            }
        });
}
