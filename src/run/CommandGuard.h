// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every Qt event enters the core through this one guard. A command aborted
// by the core (AbortError) ends here: its text goes to the error box and the
// state reached so far stays. No exception ever crosses into Qt's event loop.

#include <functional>
#include <string>

namespace tonvera {

class CommandGuard {
public:
    using ErrorBox = std::function<void(const std::string&)>;

    explicit CommandGuard(ErrorBox showError) : ShowError(std::move(showError)) {}

    // Runs body; returns false when it was aborted.
    bool run(const std::function<void()>& body) noexcept;

    // True while a guarded command runs. Events that a command itself causes
    // (an edit losing the focus to a message box or because it was disabled)
    // must not start a second command inside the first.
    [[nodiscard]] bool busy() const { return Depth > 0; }

private:
    void report(const std::string& text) noexcept;

    ErrorBox ShowError;
    int Depth = 0;
};

} // namespace tonvera
