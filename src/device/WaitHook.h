// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Something that may keep the caller waiting (the serial line, the pause of
// the protocol) calls its wait hook every few milliseconds meanwhile: during
// a long device operation the window runs its events there. The hook must
// not use the line. Implementations that never wait never call it.

#include <functional>
#include <utility>

namespace tonvera {

class WaitHook {
public:
    void setWaitHook(std::function<void()> hook) { Hook = std::move(hook); }
    [[nodiscard]] const std::function<void()>& waitHook() const { return Hook; }

    // The longest wait between two calls of the hook.
    static constexpr int WaitSliceMs = 20;

protected:
    ~WaitHook() = default;
    void waiting()
    {
        if (Hook)
            Hook();
    }

private:
    std::function<void()> Hook;
};

} // namespace tonvera
