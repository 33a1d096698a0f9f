#pragma once
// Dialogs that only count: the benchmarked texts all evaluate, so nothing
// should be shown at all, and a count above zero spoils the figure.

#include <optional>
#include <string>

#include "model/Dialogs.h"

namespace tonvera::bench {

class SilentDialogs : public Dialogs {
public:
    long shown = 0;
    void messageBox(const std::string&, const std::string&) override { ++shown; }
    std::string inputBox(const std::string&, const std::string&, const std::string& d) override { return d; }
    bool inputQuery(const std::string&, const std::string&, std::string&) override { return false; }
    void errorBox(const std::string&) override { ++shown; }
    std::optional<std::string> openFileName(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> saveFileName(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

} // namespace tonvera::bench
