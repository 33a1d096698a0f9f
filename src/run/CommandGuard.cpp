// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/CommandGuard.h"

#include <cstdio>
#include <exception>

#include "model/Errors.h"

namespace tonvera {

bool CommandGuard::run(const std::function<void()>& body) noexcept
{
    struct DepthScope {
        int& d;
        explicit DepthScope(int& depth) : d(depth) { ++d; }
        ~DepthScope() { --d; }
    } scope(Depth);
    try {
        body();
        return true;
    } catch (const AbortError& e) {
        report(e.text());
    } catch (const std::bad_alloc&) {
        report("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        // Not one of ours: still no reason to take the operator's work down.
        report(e.what());
    }
    return false;
}

void CommandGuard::report(const std::string& text) noexcept
{
    try {
        if (ShowError)
            ShowError(text);
        else
            std::fprintf(stderr, "%s\n", text.c_str());
    } catch (...) {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

} // namespace tonvera
