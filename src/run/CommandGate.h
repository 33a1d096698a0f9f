// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps run commands from nesting. Start and Stop show modal message boxes,
// and the toolkit goes on delivering timer ticks while one is open; a tick
// that started a second run inside the first would interleave two downloads
// on the line. A command that finds the gate taken does nothing.

namespace tonvera {

class CommandGate {
public:
    [[nodiscard]] bool busy() const { return Busy; }

    // Takes the gate for the lifetime of the scope, if it was free.
    class Scope {
    public:
        explicit Scope(CommandGate& gate) : Gate(gate), Owner(!gate.Busy) { Gate.Busy = true; }
        ~Scope()
        {
            if (Owner)
                Gate.Busy = false;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        // False when the gate was already taken: the caller must not go on.
        [[nodiscard]] bool entered() const { return Owner; }

    private:
        CommandGate& Gate;
        bool Owner;
    };

private:
    bool Busy = false;
};

} // namespace tonvera
