#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "app/download_port.h"
#include "control/window_port.h"

// Runs the update check with its download on a worker thread, so that a slow
// or silent network never holds up the window. The caption is read and the
// answer shown on the window thread: the worker hands its result back through
// `post`, which the window's face implements with its own event queue.
class UpdateCheckRunner {
public:
    // Queues a function to run later on the window thread. Called from the
    // worker thread; it may drop the function once the window is closing.
    using PostToWindow = std::function<void(std::function<void()>)>;

    // The runner must go before the window and the download port it is given.
    UpdateCheckRunner(DownloadPort& download, PostToWindow post);
    // Asks a download under way to stop and waits for the worker; a result
    // still queued for the window is dropped when it comes to run.
    ~UpdateCheckRunner();
    UpdateCheckRunner(const UpdateCheckRunner&) = delete;
    UpdateCheckRunner& operator=(const UpdateCheckRunner&) = delete;

    // On the window thread: reads the caption and, when it carries a version,
    // starts the download. Once the download has ended the worker posts one
    // function that makes the offer, if there is one to make. A Start while a
    // check is under way is ignored.
    void Start(WindowPort& window);

private:
    DownloadPort& download_;
    PostToWindow post_;
    // Expires with the runner; queued results check it before they act.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool busy_ = false;
    std::jthread worker_;
};
