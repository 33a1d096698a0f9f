// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator's dialogs as the core sees them. The GUI shows real modal
// boxes; tests script the answers and record every message in order.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tonvera {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal message box with one OK button; the title is "Achtung" for
    // every message the operator can act on.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    // Returns the typed text, or `defaultText` when the operator cancels.
    virtual std::string inputBox(const std::string& caption, const std::string& prompt,
                                 const std::string& defaultText) = 0;
    // Returns false when cancelled; `value` holds the default on entry and
    // the typed text after OK.
    virtual bool inputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
    // The box that reports an aborted command (the text of an AbortError).
    virtual void errorBox(const std::string& text) = 0;
    // File dialogs: the chosen name, or nothing when cancelled. `filter` is
    // in the form "Beschreibung|*.ext|Alle Dateien|*.*".
    virtual std::optional<std::string> openFileName(const std::string& filter, const std::string& defaultExt,
                                                    const std::string& initialName) = 0;
    virtual std::optional<std::string> saveFileName(const std::string& filter, const std::string& defaultExt,
                                                    const std::string& initialName) = 0;
    // A question answered by one of the buttons named in `answers` (the
    // first is the default button); returns the index of the one chosen.
    // Closing the box without a button (Escape, the close box) answers
    // `escape`.
    virtual std::size_t question(const std::string& text, const std::vector<std::string>& answers,
                                 std::size_t escape) = 0;
};

inline constexpr const char* AttentionTitle = "Achtung";

} // namespace tonvera
