#pragma once
// The operator's dialogs with nobody to answer them: every box becomes a
// line of `texts`, in order, so a caller can show them where it likes (the
// headless tool next to the parameter that caused them, the preview in its
// own window); input boxes keep their default, file dialogs are cancelled.

#include <optional>
#include <string>
#include <vector>

#include "model/Dialogs.h"

namespace tonvera {

class CollectingDialogs : public Dialogs {
public:
    std::vector<std::string> texts;

    void messageBox(const std::string& text, const std::string&) override { texts.push_back(text); }
    std::string inputBox(const std::string&, const std::string&, const std::string& defaultText) override
    {
        return defaultText;
    }
    bool inputQuery(const std::string&, const std::string&, std::string&) override { return true; }
    void errorBox(const std::string& text) override { texts.push_back(text); }
    std::optional<std::string> openFileName(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> saveFileName(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

} // namespace tonvera
