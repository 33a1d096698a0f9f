// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator's dialogs where no operator may be asked: while painting
// (a box from a paint handler is followed by the next paint and its box),
// in a simulation, in the headless tool's checks, in benchmarks. Every box
// is kept instead of shown; what the questions answer is chosen by whoever
// makes the dialogs, never left to chance.

#include <optional>
#include <string>
#include <vector>

#include "model/Dialogs.h"

namespace tonvera {

class QuietDialogs final : public Dialogs {
public:
    // What an input query answers: cancelled, or OK with its default; the
    // same for a question.
    enum class Queries { Cancel, Accept };
    // Whether a text shown again is kept again.
    enum class Repeats { Keep, Once };

    explicit QuietDialogs(Queries queries = Queries::Cancel, Repeats repeats = Repeats::Keep)
        : QueryAnswer(queries), Repeat(repeats)
    {
    }

    void messageBox(const std::string& text, const std::string& title) override;
    // An input box answers with its default.
    std::string inputBox(const std::string& caption, const std::string& prompt,
                         const std::string& defaultText) override;
    bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    void errorBox(const std::string& text) override;
    // The file dialogs are cancelled: nobody can choose a file.
    std::optional<std::string> openFileName(const std::string& filter, const std::string& defaultExt,
                                            const std::string& initialName) override;
    std::optional<std::string> saveFileName(const std::string& filter, const std::string& defaultExt,
                                            const std::string& initialName) override;
    // A question is answered as a query is: Cancel takes the way out (the
    // escape answer), Accept the default (the first) answer.
    std::size_t question(const std::string& text, const std::vector<std::string>& answers, std::size_t escape) override;

    // Keeps a text as if a box had shown it: the text of an abort the
    // caller caught.
    void keep(const std::string& text);
    // Forgets every text kept so far.
    void clear()
    {
        Texts.clear();
        Messages.clear();
        Errors.clear();
    }

    // Every text kept, in order; the message boxes alone; the error boxes alone.
    [[nodiscard]] const std::vector<std::string>& texts() const { return Texts; }
    [[nodiscard]] const std::vector<std::string>& messages() const { return Messages; }
    [[nodiscard]] const std::vector<std::string>& errors() const { return Errors; }

private:
    void add(std::vector<std::string>& list, const std::string& text) const;

    Queries QueryAnswer;
    Repeats Repeat;
    std::vector<std::string> Texts;
    std::vector<std::string> Messages;
    std::vector<std::string> Errors;
};

} // namespace tonvera
