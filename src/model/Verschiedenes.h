// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options dialog and the version box without their toolkit. The
// parameter check is the state's own flag, read by the range check every
// time; the polarity of the external start is the state's TastHigh, shown in
// the two radio buttons and taken back when the dialog closes.

#include <functional>
#include <string>

namespace tonvera {

class Dialogs;
struct MainState;

inline constexpr const char* VersionCaption = "Tonvera";
// "Softwareversion", a carriage return, "0.8 Alpha".
inline constexpr const char* VersionText = "Softwareversion\r0.8 Alpha";

// "Hilfe" > "Version".
void Version1Click(Dialogs& dialogs); // "Version" of "Hilfe"

class Verschiedenes {
public:
    explicit Verschiedenes(MainState& state) : state_(state) {}

    // "Parameter überprüfen": the check box writes straight through.
    [[nodiscard]] bool CheckParam() const;
    void SetCheckParam(bool on);

    // The group "Taster"; the two buttons exclude each other.
    [[nodiscard]] bool TasterLow() const { return !tasterHigh_; }
    [[nodiscard]] bool TasterHigh() const { return tasterHigh_; }
    void CheckTasterLow() { tasterHigh_ = false; }
    void CheckTasterHigh() { tasterHigh_ = true; }

    // "&Einstellungen" > "&Verschiedenes": shows the polarity, runs the
    // dialog, takes the polarity back.
    void Verschiedenes1Click(); // "&Verschiedenes" of "&Einstellungen"

    // Runs the window modally; set by the window, scripted by tests.
    std::function<void()> ShowModal;
    // Tells the window to show the buttons' states again.
    std::function<void()> Changed;

private:
    MainState& state_;
    bool tasterHigh_ = false;
};

} // namespace tonvera
