// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator's dialogs without an operator. ConsoleDialogs writes every
// box the window would show to an error stream and answers input boxes with
// their default; file dialogs are cancelled (the tool takes its files from
// the command line). Checks that attach the texts to the parameter that caused
// them keep them in QuietDialogs instead.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "model/Dialogs.h"

namespace tonvera::cli {

// A text for the terminal: control characters (C0, DEL and C1, which a
// terminal would act on) are shown as \xNN escapes, NUL bytes included.
[[nodiscard]] std::string ConsoleText(std::string_view text);

class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(std::ostream& err) : Err(err) {}

    void messageBox(const std::string& text, const std::string& title) override;
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override;
    bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    void errorBox(const std::string& text) override;
    std::optional<std::string> openFileName(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> saveFileName(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    // Nobody answers: the way out is taken.
    std::size_t question(const std::string&, const std::vector<std::string>&, std::size_t escape) override
    {
        return escape;
    }

    // The texts of the message boxes shown so far, in order.
    [[nodiscard]] const std::vector<std::string>& messages() const { return Messages; }
    [[nodiscard]] int errors() const { return Errors; }
    // The text of the last error box.
    [[nodiscard]] const std::string& lastError() const { return LastError; }

private:
    std::ostream& Err;
    std::vector<std::string> Messages;
    int Errors = 0;
    std::string LastError;
};

} // namespace tonvera::cli
