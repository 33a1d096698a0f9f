// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleView.h"

#include "ConsoleDialogs.h"

#include <string_view>

namespace tonvera::cli {

namespace {

constexpr std::array<const char*, StatusPanelCount> PanelNames = {"Status", "Hardware", "Signal", "Eichung"};

// A transfer reports "Lade Tabelle 1: 37 %" after every block; a terminal
// needs only every tenth percent.
bool minorProgress(std::string_view text)
{
    if (text.size() < 4 || text.substr(text.size() - 2) != " %")
        return false;
    const std::size_t digits = text.find_last_not_of("0123456789", text.size() - 3);
    if (digits == std::string_view::npos || digits + 1 >= text.size() - 2)
        return false;
    return text[text.size() - 3] != '0';
}

// A step of a transfer ("Lade Tabelle 1: 40 %"), not a state of the panel.
bool progressStep(std::string_view text) { return text.size() >= 2 && text.substr(text.size() - 2) == " %"; }

} // namespace

void ConsoleView::line(const std::string& text)
{
    if (Progress)
        *Progress << ConsoleText(text) << std::endl;
}

void ConsoleView::setAktVarText(const std::string& text)
{
    if (text != AktVar)
        line("Position " + text);
    AktVar = text;
}

// Kept, not printed: the position lines already follow the run, and a
// terminal does not need both.
void ConsoleView::setPresentationText(const std::string& text) { Presentation = text; }

std::string ConsoleView::statusText(int panel) const
{
    if (panel < 0 || panel >= StatusPanelCount)
        return {};
    return Status[static_cast<std::size_t>(panel)];
}

void ConsoleView::setStatusText(int panel, const std::string& text)
{
    if (panel < 0 || panel >= StatusPanelCount)
        return;
    const auto i = static_cast<std::size_t>(panel);
    Status[i] = text;
    if (StatusObserver)
        StatusObserver(panel, text);
    // A transfer puts the panel's text back when it ends, also when it was
    // broken off: that text is no news, and after an abort it would tell of
    // something that did not happen.
    const bool step = progressStep(text);
    if (text.empty() || text == Shown[i] || minorProgress(text) || (!step && text == Settled[i]))
        return;
    Shown[i] = text;
    if (!step)
        Settled[i] = text;
    line(std::string(PanelNames[i]) + ": " + text);
}

void ConsoleView::setTimerEnabled(bool enabled) { Timer = enabled; }

} // namespace tonvera::cli
