// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewWorker.h"

namespace tonvera::preview {

PreviewWorker::PreviewWorker(Done done) : OnDone(std::move(done)), Thread([this] { loop(); }) {}

PreviewWorker::~PreviewWorker()
{
    {
        std::lock_guard<std::mutex> g(Lock);
        Quit = true;
        // A search in progress stops at its next piece.
        Newest = ~std::uint64_t(0);
    }
    Wake.notify_all();
    Thread.join();
}

void PreviewWorker::request(const PreviewInput& input, std::uint64_t generation)
{
    {
        std::lock_guard<std::mutex> g(Lock);
        Pending = input;
        Newest = generation;
    }
    Wake.notify_all();
}

void PreviewWorker::loop()
{
    // The model lives on this thread only.
    PreviewDevice device;
    for (;;) {
        PreviewInput input;
        std::uint64_t generation = 0;
        {
            std::unique_lock<std::mutex> g(Lock);
            Wake.wait(g, [this] { return Quit || Pending; });
            if (Quit)
                return;
            input = std::move(*Pending);
            Pending.reset();
            generation = Newest;
        }
        auto run = std::make_shared<PreviewRun>(
            device.compute(input, [this, generation] { return Newest.load() != generation; }));
        if (Newest.load() == generation)
            OnDone(std::move(run), generation);
    }
}

} // namespace tonvera::preview
