// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One thread that computes previews one after the other on its own device
// model. A request replaces any request still waiting, and the computation
// in progress gives up its overflow search when a newer request arrives, so
// a burst of edits costs one computation, not one per edit.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "preview/PreviewRun.h"

namespace tonvera::preview {

class PreviewWorker {
public:
    // `done` is called on the worker's thread with each result that is
    // still the newest request's.
    using Done = std::function<void(std::shared_ptr<const PreviewRun>, std::uint64_t generation)>;

    explicit PreviewWorker(Done done);
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    void request(const PreviewInput& input, std::uint64_t generation);

private:
    void loop();

    Done OnDone;
    std::mutex Lock;
    std::condition_variable Wake;
    std::optional<PreviewInput> Pending;
    std::atomic<std::uint64_t> Newest{0};
    bool Quit = false;
    std::thread Thread;
};

} // namespace tonvera::preview
