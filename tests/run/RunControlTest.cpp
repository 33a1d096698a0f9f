// SPDX-License-Identifier: GPL-3.0-or-later
// Start, Stop and the polling tick against a scripted device, bytes exact.

#include <gtest/gtest.h>

#include <algorithm>

#include "RunFixture.h"
#include "model/Errors.h"
#include "model/PositionOrder.h"
#include "run/RunControl.h"

namespace tonvera::test {
namespace {

using RunControlTest = RunFixture;

const Bytes Query = Packet(0, 0);    // status query while playing
const Bytes Stopped = Packet(32, 0); // stop, and the query while stopped

// The packets of Start up to the download, for a signal length of 1000 ms,
// trigger 100..900 ms and no final attenuation.
Writes StartHead(bool lengthFlag, int repeatByte, int endless)
{
    Writes w{Stopped, Packet(102, 0, 0, 0, 1, 0)};
    if (lengthFlag) {
        w.push_back(W24(101, 3, 100000));
        w.push_back(W24(101, 0, 15000000));
    } else {
        w.push_back(W24(101, 3, 15000000));
        w.push_back(W24(101, 0, 100000));
    }
    w.push_back(W24(101, 2, 10000));
    w.push_back(W24(101, 1, 90000));
    w.push_back(Packet(103, 0));
    w.push_back(Packet(105, 0, 0, 0, repeatByte, endless));
    w.push_back(Packet(105, 0, 0, 0, repeatByte, endless));
    return w;
}

Writes EmptySetAndStart()
{
    Writes w;
    for (int i = 0; i < 8; ++i)
        w.push_back(Packet(104, i));
    w.push_back(Packet(32, 0));
    w.push_back(Packet(0, 0));
    return w;
}

Writes Concat(Writes a, const Writes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(RunControlTest, SingleRunEndsByStopOutputAlone)
{
    core.StartButtonClick();
    EXPECT_EQ(line.writes, Concat(StartHead(false, 254, 0), EmptySetAndStart()));
    EXPECT_TRUE(core.device().Running);
    EXPECT_TRUE(view.timer);

    line.clearWrites();
    status = 0;
    core.Timer1Timer();
    EXPECT_EQ(line.writes, (Writes{Query, Query, Query, Query}));
    EXPECT_EQ(view.status[2], "Signal OK");
    EXPECT_EQ(view.status[3], "");

    line.clearWrites();
    status = 8;
    core.Timer1Timer();
    EXPECT_EQ(line.writes, (Writes{Query, Query, Query, Query, Stopped}));
    EXPECT_FALSE(core.device().Running);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(view.timer); // keeps polling

    // Stopped and still reporting the end: the stop goes out on every tick,
    // and the panels keep their texts.
    line.clearWrites();
    view.status[2] = "x";
    core.Timer1Timer();
    EXPECT_EQ(line.writes, (Writes{Stopped, Stopped, Stopped, Stopped, Stopped}));
    EXPECT_EQ(view.status[2], "x");
}

TEST_F(RunControlTest, TickWithoutAPortDoesNotWait)
{
    line.opened = false;
    view.check(CheckBox::ExternStart) = true; // TastHigh false: status 0 is "active"
    core.Timer1Timer();
    EXPECT_TRUE(clock.pauses.empty());
    // The status counts as 0, as it would after the unanswered readings.
    EXPECT_TRUE(core.device().Running);
}

TEST_F(RunControlTest, LostPortIsShownOnceAndPollingGoesOnWithoutIt)
{
    core.StartButtonClick();
    line.clearWrites();
    line.faultAtWrite = 1;
    line.scriptedFault = LineFault::Lost;
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    EXPECT_FALSE(line.opened);
    EXPECT_EQ(view.status[1], "Verbindung zum Gerät unterbrochen");
    using Message = test::RecordingDialogs::Message;
    EXPECT_EQ(dialogs.messages, (std::vector<Message>{{"Verbindung zum Gerät unterbrochen", "Achtung"}}));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(view.timer);

    // The closed port reads status 0; nothing more to report, also at the end.
    core.Timer1Timer();
    core.FormClose();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(RunControlTest, PacketsLeftUnansweredAbortStartBeforeItsStartAndStopTheDevice)
{
    const Writes download = Concat(StartHead(false, 254, 0), EmptySetAndStart());
    const long long registers = static_cast<long long>(download.size()) - 2;
    loseByte = 20; // inside the third packet
    try {
        core.StartButtonClick();
        ADD_FAILURE() << "no abort";
    } catch (const UnconfirmedError& e) {
        EXPECT_EQ(e.text(), "Das Gerät hat 1 von " + std::to_string(registers) + " Befehlen nicht bestätigt");
        EXPECT_EQ(e.Missing, 1);
    }
    // No presentation began; the run ended with the abort's text.
    EXPECT_TRUE(events.started.empty());
    ASSERT_EQ(events.runs.size(), 1u);
    EXPECT_EQ(events.runs[0].Reason, EndReason::Aborted);
    EXPECT_EQ(events.runs[0].Message, "Das Gerät hat 1 von " + std::to_string(registers) + " Befehlen nicht bestätigt");
    // The registers went out as ever; then, instead of the start, a single
    // byte completed the device's broken packet and the stop followed.
    const Writes head(line.writes.begin(), line.writes.begin() + registers);
    EXPECT_EQ(head, Writes(download.begin(), download.end() - 2));
    EXPECT_EQ(Writes(line.writes.begin() + registers, line.writes.end()), (Writes{{32}, Stopped}));
    EXPECT_FALSE(core.device().Running);

    // Nothing lost: the same Start confirms every packet and plays.
    line.clearWrites();
    core.StartButtonClick();
    EXPECT_EQ(line.writes, download);
    EXPECT_TRUE(core.device().Running);
}

TEST_F(RunControlTest, ADeviceThatFallsSilentEndsTheRunOnceAndIsHeardAgain)
{
    core.StartButtonClick();
    answering = false;
    for (int tick = 1; tick < SilentTicksLimit; ++tick)
        core.Timer1Timer();
    EXPECT_TRUE(core.device().Running);
    EXPECT_TRUE(dialogs.messages.empty());
    core.Timer1Timer();
    using Message = test::RecordingDialogs::Message;
    EXPECT_EQ(dialogs.messages, (std::vector<Message>{{"Das Gerät antwortet nicht mehr", "Achtung"}}));
    EXPECT_EQ(view.status[2], "Das Gerät antwortet nicht mehr");
    EXPECT_FALSE(core.device().Running);
    EXPECT_TRUE(core.run().DeviceSilent());
    ASSERT_EQ(events.runs.size(), 1u);
    EXPECT_EQ(events.runs[0].Reason, EndReason::DeviceSilent);
    ASSERT_EQ(events.ended.size(), 1u);
    EXPECT_EQ(events.ended[0].Reason, EndReason::DeviceSilent);
    for (int tick = 0; tick < 2 * SilentTicksLimit; ++tick)
        core.Timer1Timer();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(view.status[2], "Das Gerät antwortet nicht mehr");

    // Back: the state clears, and the next Start finds the packet boundary
    // before its own packets, so they all arrive whole.
    answering = true;
    core.Timer1Timer();
    EXPECT_FALSE(core.run().DeviceSilent());
    EXPECT_EQ(view.status[2], "");
    EXPECT_NO_THROW(core.StartButtonClick());
    EXPECT_TRUE(core.device().Running);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(RunControlTest, RepetitionCountAndEndless)
{
    view.edit(EditField::AnzWieder) = "3";
    core.StartButtonClick();
    EXPECT_EQ(line.writes, Concat(StartHead(true, 252, 0), EmptySetAndStart()));

    line.clearWrites();
    view.edit(EditField::AnzWieder) = "1";
    view.check(CheckBox::Repeated) = true;
    core.StartButtonClick();
    EXPECT_EQ(line.writes, Concat(StartHead(true, 254, 128), EmptySetAndStart()));

    // 2,5 rounds to 2 (halves to even): length with the flag, two repeats.
    line.clearWrites();
    view.check(CheckBox::Repeated) = false;
    view.edit(EditField::AnzWieder) = "2,5";
    core.StartButtonClick();
    EXPECT_EQ(line.writes, Concat(StartHead(true, 253, 0), EmptySetAndStart()));
}

TEST_F(RunControlTest, CountThatCannotBeSentAbortsStartWithTheDeviceStopped)
{
    view.edit(EditField::AnzWieder) = "300";
    EXPECT_THROW(core.StartButtonClick(), RangeError);
    EXPECT_FALSE(core.device().Running);
    EXPECT_FALSE(view.timer);
    EXPECT_TRUE(withCode(73).empty());
}

TEST_F(RunControlTest, FinalAttenuationGoesOutInSteps)
{
    view.edit(EditField::EndDamp) = "10";
    core.StartButtonClick();
    // round(10 / 0.75) = 13 steps
    EXPECT_EQ(withCode(71), (Writes{Packet(103, 0, 0, 0, 0, 13)}));
}

TEST_F(RunControlTest, RepetitionsFirstPlaysEachPositionThenStopRestoresThePosition)
{
    sineThroughF({"100", "200", "300", "400"});
    view.edit(EditField::AnzWieder) = "2";
    core.state().VariPos = 3;
    core.StartButtonClick();
    EXPECT_EQ(core.state().VariPos, 1);
    EXPECT_EQ(core.state().RepeatsLeft, 1);
    // SetRepetitions(2) and the length with the flag (sent twice: the second
    // time for the priority).
    EXPECT_EQ(withCode(73), (Writes{Packet(105, 0, 0, 0, 253, 0), Packet(105, 0, 0, 0, 253, 0)}));
    EXPECT_EQ(withCode(69, 3), (Writes{W24(101, 3, 100000), W24(101, 3, 100000)}));

    status = 8;
    for (int pos = 2; pos <= 4; ++pos) {
        line.clearWrites();
        core.Timer1Timer();
        EXPECT_EQ(core.state().VariPos, pos);
        EXPECT_EQ(view.aktVar, std::to_string(pos));
        // Plain codes: the device still counts as playing.
        const Writes expectedTail{W24(69, 3, 100000),          W24(69, 0, 15000000), Packet(73, 0, 0, 0, 253, 0),
                                  Packet(73, 0, 0, 0, 253, 0), Packet(71, 0),        W24(69, 2, 10000),
                                  W24(69, 1, 90000),           Packet(32, 0),        Packet(0, 0)};
        ASSERT_GE(line.writes.size(), expectedTail.size() + 4 + 7 + 7);
        EXPECT_EQ(Writes(line.writes.end() - static_cast<long>(expectedTail.size()), line.writes.end()), expectedTail);
        EXPECT_TRUE(withCode(113).empty()); // no tables while stepping
    }
    line.clearWrites();
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(core.state().VariPos, 3);
    EXPECT_EQ(view.aktVar, "3");
    EXPECT_EQ(line.writes.back(), Stopped);
    EXPECT_EQ(freqWords().size(), 0u); // Stop sends nothing for the position
    EXPECT_TRUE(view.timer);
}

TEST_F(RunControlTest, VariablesFirstPlaysAllPositionsPerPass)
{
    sineThroughF({"100", "200", "300", "400"});
    view.edit(EditField::AnzWieder) = "2";
    view.prio = Priority::Variablezuerst;
    core.StartButtonClick();
    EXPECT_EQ(core.state().RepeatsLeft, 2);
    EXPECT_EQ(withCode(73), (Writes{Packet(105, 0, 0, 0, 254, 0), Packet(105, 0, 0, 0, 254, 0)}));
    EXPECT_EQ(withCode(69, 0).back(), W24(101, 0, 100000)); // flag false last

    status = 8;
    for (int i = 0; i < 7; ++i)
        core.Timer1Timer();
    // 100 Hz at Start, then 200, 300, 400, then a new pass 100..400.
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{419, 839, 1258, 1678, 419, 839, 1258, 1678}));
    EXPECT_TRUE(core.device().Running);
    EXPECT_EQ(core.state().RepeatsLeft, 1);
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(core.state().VariPos, 1);
    EXPECT_EQ(freqWords().size(), 8u);

    // Eight presentations, told with what was sent, each ended by the device.
    ASSERT_EQ(events.started.size(), 8u);
    ASSERT_EQ(events.ended.size(), 8u);
    for (std::size_t k = 0; k < 8; ++k) {
        const PresentationStarted& p = events.started[k];
        EXPECT_EQ(p.Number, static_cast<long>(k + 1));
        EXPECT_EQ(p.Position, static_cast<int>(k % 4 + 1));
        ASSERT_EQ(p.Signals.size(), 1u);
        EXPECT_EQ(p.Signals[0].FreqHz, 100.0 * (k % 4 + 1));
        ASSERT_EQ(p.Variables.size(), 1u);
        EXPECT_EQ(p.Variables[0], (std::pair<std::string, std::string>{"F", std::to_string(100 * (k % 4 + 1))}));
        EXPECT_EQ(p.Globals.Repetitions, 1);
        EXPECT_EQ(events.ended[k].Number, p.Number);
        EXPECT_EQ(events.ended[k].Reason, EndReason::DeviceEnd);
    }
    ASSERT_EQ(events.runs.size(), 1u);
    EXPECT_EQ(events.runs[0].Reason, EndReason::PositionsDone);
    EXPECT_EQ(events.runs[0].Presentations, 8);
}

TEST_F(RunControlTest, RandomOrderPlaysEachPassItsOwnPermutation)
{
    sineThroughF({"100", "200", "300", "400"});
    view.edit(EditField::AnzWieder) = "2";
    view.prio = Priority::Variablezuerst;
    view.order_ = {OrderKind::Random, "7", ""};
    core.StartButtonClick();
    const std::vector<std::int32_t> order = PositionSequence::Run(OrderKind::Random, 4, 7, {}, 2);
    EXPECT_EQ(core.state().VariPos, order[0]);
    EXPECT_EQ(view.aktVar, std::to_string(order[0]));
    EXPECT_EQ(view.presentation, "Darbietung 1 von 4");

    status = 8;
    for (int i = 0; i < 7; ++i)
        core.Timer1Timer();
    const std::uint32_t word[] = {0, 419, 839, 1258, 1678};
    std::vector<std::uint32_t> expected;
    for (std::int32_t p : order)
        expected.push_back(word[p]);
    EXPECT_EQ(freqWords(), expected);
    EXPECT_EQ(view.presentation, "Darbietung 4 von 4");
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(view.presentation, "");
}

TEST_F(RunControlTest, ListOrderWithRepeatsThenStop)
{
    sineThroughF({"100", "200", "300"});
    view.order_ = {OrderKind::List, "", "3 1 3"};
    core.StartButtonClick();
    status = 8;
    for (int i = 0; i < 3; ++i)
        core.Timer1Timer();
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{1258, 419, 1258}));
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(starts(), 3);
}

TEST_F(RunControlTest, ListEntryOutOfRangeRefusesStartBeforeAnythingIsSent)
{
    sineThroughF({"100", "200", "300"});
    line.clearWrites();
    view.order_ = {OrderKind::List, "", "3 1 4"};
    try {
        core.StartButtonClick();
        ADD_FAILURE() << "Start went on";
    } catch (const AbortError& e) {
        EXPECT_EQ(e.text(), "Der 3. Eintrag der Liste, '4', liegt außerhalb der Positionen 1 bis 3");
    }
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(RunControlTest, EndlessRunThroughStartsOverAtPositionOne)
{
    sineThroughF({"100", "200"});
    view.check(CheckBox::Repeated) = true;
    core.StartButtonClick();
    status = 8;
    for (int i = 0; i < 5; ++i)
        core.Timer1Timer();
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{419, 839, 419, 839, 419, 839}));
    EXPECT_TRUE(core.device().Running);
}

TEST_F(RunControlTest, EndlessRunThroughWithoutPositionsStopsInsteadOfLooping)
{
    addSine(0, "1000");
    view.check(CheckBox::varcheck) = true;
    view.check(CheckBox::Repeated) = true;
    core.StartButtonClick();
    line.clearWrites();
    status = 8;
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(core.state().VariPos, 1); // put back as it was at Start
    // One pass of status readings, then the stop.
    EXPECT_EQ(line.writes, (Writes{Query, Query, Query, Query, Stopped}));
    EXPECT_EQ(starts(), 0);
}

TEST_F(RunControlTest, VariablesFirstWithoutPositionsCountsItsPassesDown)
{
    addSine(0, "1000");
    view.edit(EditField::AnzWieder) = "3";
    view.check(CheckBox::varcheck) = true;
    view.prio = Priority::Variablezuerst;
    core.StartButtonClick();
    EXPECT_EQ(core.state().RepeatsLeft, 3);
    line.clearWrites();
    status = 8;
    const Writes reads{Query, Query, Query, Query};
    const Writes once{Packet(73, 0, 0, 0, 254, 0), Packet(73, 0, 0, 0, 254, 0)};
    // Each pass ends at once and sends the count for the next; a tick takes
    // two passes at most, the next tick the rest.
    core.Timer1Timer();
    EXPECT_EQ(line.writes, Concat(Concat(reads, once), Concat(reads, once)));
    EXPECT_EQ(core.state().RepeatsLeft, 1);
    EXPECT_TRUE(core.device().Running);
    line.clearWrites();
    core.Timer1Timer();
    EXPECT_EQ(line.writes, Concat(Concat(reads, once), Writes{Stopped}));
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(core.state().VariPos, 1);
}

TEST_F(RunControlTest, OneTickBeginsAtMostOneNewPass)
{
    sineThroughF({"100"});
    view.check(CheckBox::Repeated) = true;
    core.StartButtonClick();
    line.clearWrites();
    status = 8;
    core.Timer1Timer();
    // End of the last position: one re-run that plays position 1 again.
    EXPECT_EQ(starts(), 1);
    EXPECT_EQ(core.state().VariPos, 1);
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{419}));
    // Two passes of status readings, and the second half of the start.
    EXPECT_EQ(std::count(line.writes.begin(), line.writes.end(), Query), 2 * 4 + 1);
}

TEST_F(RunControlTest, ExternalStartByBothPolarities)
{
    view.check(CheckBox::ExternStart) = true;
    core.ExternStartClick();
    EXPECT_TRUE(view.timer);

    // Closed contact active (TastHigh false): input bit 4 at 1 does nothing.
    status = 16;
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    status = 0;
    core.state().OverflowSeen = true; // cleared by the external start, no box
    core.Timer1Timer();
    EXPECT_TRUE(core.device().Running);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(starts(), 1);

    core.Button4Click();
    core.state().TastHigh = true;
    status = 0;
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
    status = 16;
    core.Timer1Timer();
    EXPECT_TRUE(core.device().Running);
    EXPECT_EQ(starts(), 2);

    // Unchecking does not switch the timer off; nothing starts any more.
    core.Button4Click();
    view.check(CheckBox::ExternStart) = false;
    core.ExternStartClick();
    EXPECT_TRUE(view.timer);
    core.Timer1Timer();
    EXPECT_FALSE(core.device().Running);
}

TEST_F(RunControlTest, StopAtTheEndOfTheVariablesRestartsAtOnceWhenTheInputIsActive)
{
    sineThroughF({"100"});
    view.check(CheckBox::ExternStart) = true;
    core.StartButtonClick();
    status = 8; // end of run, input at 0: active for TastHigh false
    core.Timer1Timer();
    EXPECT_TRUE(core.device().Running);
    EXPECT_EQ(starts(), 2);
}

TEST_F(RunControlTest, OverflowShownWhilePlayingAndReportedOnceAtTheNextStart)
{
    core.StartButtonClick();
    status = 128;
    core.Timer1Timer();
    EXPECT_EQ(view.status[2], "Signalüberlauf!");
    status = 0;
    core.Timer1Timer();
    EXPECT_EQ(view.status[2], "Signal OK");

    core.StartButtonClick();
    EXPECT_EQ(dialogs.messages, (std::vector<test::RecordingDialogs::Message>{
                                    {"Letztes Signal hat einen Überlauf erzeugt!", "Achtung"}}));
    core.StartButtonClick();
    EXPECT_EQ(dialogs.messages.size(), 1u);

    // At Stop as well, once.
    status = 136;
    core.Timer1Timer(); // ends the run (no variables) and remembers bit 7
    core.Button4Click();
    core.Button4Click();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages.back().text, "Letztes Signal hat einen Überlauf erzeugt!");
    // Each Start ended the run before it; overflow is told with the run it
    // came in, the ordinary end by the device's end bit.
    ASSERT_EQ(events.runs.size(), 3u);
    EXPECT_EQ(events.runs[0].Reason, EndReason::Stopped);
    EXPECT_TRUE(events.runs[0].Overflow);
    EXPECT_FALSE(events.runs[1].Overflow);
    EXPECT_EQ(events.runs[2].Reason, EndReason::DeviceEnd);
    EXPECT_TRUE(events.runs[2].Overflow);
    EXPECT_TRUE(events.ended.back().Overflow);
}

TEST_F(RunControlTest, CalibrationWarningsKeepTheirSpellings)
{
    core.device().EichError = true;
    core.StartButtonClick();
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Ampllitudenfehler durch Eichung bei letztem Signal"}));
    EXPECT_FALSE(core.device().EichError);

    core.device().EichError = true;
    core.Timer1Timer();
    EXPECT_EQ(view.status[3], "Amplituden Bereich durch Eichung überschritten!");
    core.Button4Click();
    EXPECT_EQ(dialogs.texts().back(), "Amplitudenfehler durch Eichung bei letztem Signal");
    EXPECT_FALSE(core.device().EichError);

    // Overflow first, then calibration.
    dialogs.clear();
    core.state().OverflowSeen = true;
    core.device().EichError = true;
    core.StartButtonClick();
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Letztes Signal hat einen Überlauf erzeugt!",
                                                         "Ampllitudenfehler durch Eichung bei letztem Signal"}));
}

TEST_F(RunControlTest, CalibrationClampDuringTheDownloadIsShownAtStop)
{
    addSine(0, "1000");
    core.form().Record(0).TabTyp = TypeSinusEich;
    core.form().Record(0).Ampl = "2";
    EichTable& cal = core.state().EichTable;
    cal.count = 2;
    cal.frequencies[0] = 2000;
    cal.corrections[0] = -3;
    cal.frequencies[1] = 3000;
    cal.corrections[1] = -3;
    core.StartButtonClick();
    EXPECT_TRUE(core.device().EichError);
    core.Button4Click();
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Amplitudenfehler durch Eichung bei letztem Signal"}));
    // 2 dB asked, -1 dB after the correction, held at 0 dB.
    ASSERT_EQ(events.started.size(), 1u);
    const SignalSent& sent = events.started[0].Signals.at(0);
    EXPECT_EQ(sent.AttenuationRequested, 2);
    EXPECT_EQ(sent.AttenuationSent, 0);
    EXPECT_TRUE(sent.Clamped);
    ASSERT_EQ(events.runs.size(), 1u);
    EXPECT_TRUE(events.runs[0].Clamped);
    EXPECT_TRUE(events.runs[0].ClampWarned);
}

TEST_F(RunControlTest, PositionButtonsAlwaysDownload)
{
    addSine(0, "F");
    variable({"100", "200", "300", "400"});
    core.state().VariPos = 1;
    core.Button5Click();
    EXPECT_EQ(core.state().VariPos, 1);
    EXPECT_EQ(view.aktVar, "1");
    EXPECT_EQ(withCode(72).size(), 8u);
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{419}));

    core.state().VariPos = 4;
    core.Button6Click();
    EXPECT_EQ(core.state().VariPos, 4);
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{419, 1678}));

    core.Button5Click();
    core.Button5Click();
    EXPECT_EQ(core.state().VariPos, 2);
    core.Button6Click();
    EXPECT_EQ(view.aktVar, "3");
    EXPECT_EQ(freqWords(), (std::vector<std::uint32_t>{419, 1678, 1258, 839, 1258}));
    // Told only where the position moved.
    ASSERT_EQ(events.positions.size(), 3u);
    EXPECT_EQ(events.positions[0].Position, 3);
    EXPECT_EQ(events.positions[0].Cause, PositionCause::Back);
    EXPECT_EQ(events.positions[2].Position, 3);
    EXPECT_EQ(events.positions[2].Cause, PositionCause::Forward);
    EXPECT_GE(view.signalRepaints, 5);
    EXPECT_FALSE(core.device().Running); // sent with the stopped codes
    EXPECT_EQ(withCode(66, 0).back()[0], 98);
}

// A tick that the toolkit delivers while Start shows its message box must
// not start a second run inside the first.
TEST_F(RunControlTest, TickOrHardwareDuringAMessageBoxOfStartDoesNothing)
{
    struct TickingDialogs : test::RecordingDialogs {
        MainCore* core = nullptr;
        ScriptedLine* line = nullptr;
        std::size_t writesDuringBox = 0;
        bool hardwareDuringBox = true;
        void messageBox(const std::string& text, const std::string& title) override
        {
            RecordingDialogs::messageBox(text, title);
            const std::size_t before = line->writes.size();
            core->Timer1Timer();
            core->StartButtonClick();
            core->Button4Click();
            hardwareDuringBox = core->InitHardware("virtual");
            writesDuringBox += line->writes.size() - before;
        }
    };
    TickingDialogs boxes;
    test::FakeView v2;
    ScriptedLine l2;
    l2.responder = ScriptedLine::answerEveryPacket(0);
    VirtualClock c2;
    MainCore c(v2, boxes, l2, c2);
    boxes.core = &c;
    boxes.line = &l2;
    v2.checks[static_cast<std::size_t>(CheckBox::ExternStart)] = true;
    c.state().OverflowSeen = true;
    c.StartButtonClick();
    EXPECT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.writesDuringBox, 0u);
    EXPECT_FALSE(boxes.hardwareDuringBox);
    EXPECT_TRUE(c.device().Running);

    // Afterwards the tick works again.
    const std::size_t before = l2.writes.size();
    c.Timer1Timer();
    EXPECT_GT(l2.writes.size(), before);
}

TEST_F(RunControlTest, FailedEvaluationOfAParameterIsReportedAndSentAsMinusTen)
{
    view.edit(EditField::Triggerstart) = "XYZ";
    EXPECT_THROW(core.StartButtonClick(), RangeError);
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"XYZ ist kein gültiger Wert!"}));
    EXPECT_FALSE(core.device().Running);
}

} // namespace
} // namespace tonvera::test
