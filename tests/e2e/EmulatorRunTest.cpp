// SPDX-License-Identifier: GPL-3.0-or-later
// Runs played by the emulator, followed by the 50 ms tick over the real line.

#include <algorithm>
#include <map>

#include "CoreOnEmu.h"
#include "model/PositionOrder.h"

namespace tonvera::test {
namespace {

double MonotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string> Repeat(const std::vector<std::string>& v, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.insert(out.end(), v.begin(), v.end());
    return out;
}

// F at four positions, each played twice, in runs of `length` ms.
void fourPositionsTwice(CoreOnEmu& t, const std::string& length)
{
    t.sineThroughF({"100", "200", "300", "400"});
    t.view.edit(EditField::Signaldauer) = length;
    t.view.edit(EditField::AnzWieder) = "2";
}

TEST(RunOnEmulator, OrdinaryRunEndsByItself)
{
    CoreOnEmu t({"--log", "{dir}/packets.log"});
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    t.addSine(0, "1000");
    t.view.edit(EditField::Signaldauer) = "100";
    t.core.StartButtonClick();
    ASSERT_TRUE(t.running());
    ASSERT_TRUE(t.tickUntil([&] { return !t.running(); }, 5s));
    EXPECT_EQ(t.view.status[2], "Signal OK");
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_EQ(t.core.state().VariPos, 1);

    // Length once (period 150 s, end 100 ms), one repetition, then the set
    // and the start; the end is followed by the stop.
    ASSERT_TRUE(t.logEndsWithStop());
    const auto l = t.log();
    std::vector<std::string> texts;
    for (const auto& p : l)
        texts.push_back(p.text);
    const auto at = [&](const std::string& s) { return std::find(texts.begin(), texts.end(), s); };
    ASSERT_NE(at("65 03 00 c0 e1 e4"), texts.end());
    EXPECT_EQ(*(at("65 03 00 c0 e1 e4") + 1), "65 00 00 10 27 00");
    EXPECT_NE(at("69 00 00 00 fe 00"), texts.end());
    EXPECT_EQ(t.freqsAndStarts(), (std::vector<std::string>{"4194", "S"}));
}

TEST(RunOnEmulator, RepetitionsFirstThroughFourPositions)
{
    CoreOnEmu t({"--log", "{dir}/packets.log", "--start-times", "{dir}/starts.txt"});
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    fourPositionsTwice(t, "50");
    t.core.state().VariPos = 3;
    const double before = MonotonicSeconds();
    ASSERT_TRUE(t.runToEnd(10s));
    const double after = MonotonicSeconds();
    EXPECT_EQ(t.core.state().VariPos, 3);
    EXPECT_EQ(t.view.aktVar, "3");
    ASSERT_TRUE(t.logEndsWithStop());
    EXPECT_EQ(t.freqsAndStarts(), (std::vector<std::string>{"419", "S", "839", "S", "1258", "S", "1678", "S"}));

    // Every position: period = length (5000 = 0x1388), two repetitions for
    // the device to play.
    int periods = 0, twice = 0;
    for (const auto& p : t.log()) {
        periods += p.text == "45 03 00 88 13 00" || p.text == "65 03 00 88 13 00";
        twice += p.text == "49 00 00 00 fd 00" || p.text == "69 00 00 00 fd 00";
    }
    EXPECT_EQ(periods, 2 + 3); // Start sends it twice, each step once
    EXPECT_EQ(twice, 2 * 4);   // the packet goes out twice each time

    // A time for each of the four starts, in order, on this process's
    // monotonic clock, to the microsecond.
    std::ifstream in(t.emu.path("starts.txt"));
    std::vector<double> starts;
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.size() - line.find('.'), 7u) << line;
        starts.push_back(std::stod(line));
    }
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_TRUE(std::is_sorted(starts.begin(), starts.end()));
    EXPECT_GE(starts.front(), before - 1e-6);
    EXPECT_LE(starts.back(), after);
}

TEST(RunOnEmulator, VariablesFirstTwoPasses)
{
    CoreOnEmu t({"--log", "{dir}/packets.log"});
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    fourPositionsTwice(t, "40");
    t.view.prio = Priority::Variablezuerst;
    ASSERT_TRUE(t.runToEnd(10s));
    ASSERT_TRUE(t.logEndsWithStop());
    EXPECT_EQ(t.freqsAndStarts(), Repeat({"419", "S", "839", "S", "1258", "S", "1678", "S"}, 2));
    EXPECT_EQ(t.core.state().VariPos, 1);
}

TEST(RunOnEmulator, SeededRandomOrderPlaysThreeDifferentPermutations)
{
    CoreOnEmu t({"--log", "{dir}/packets.log"});
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    t.sineThroughF({"100", "200", "300", "400", "500"});
    t.view.edit(EditField::Signaldauer) = "40";
    t.view.edit(EditField::AnzWieder) = "3";
    t.view.prio = Priority::Variablezuerst;
    t.view.order_ = {OrderKind::Random, "7", ""};
    ASSERT_TRUE(t.runToEnd(15s));
    ASSERT_TRUE(t.logEndsWithStop());

    const std::map<std::string, int> position = {{"419", 1}, {"839", 2}, {"1258", 3}, {"1678", 4}, {"2097", 5}};
    std::vector<std::vector<int>> passes(1);
    for (const std::string& f : t.freqsAndStarts()) {
        if (f == "S")
            continue;
        if (passes.back().size() == 5)
            passes.emplace_back();
        passes.back().push_back(position.at(f));
    }
    ASSERT_EQ(passes.size(), 3u);
    for (const auto& pass : passes) {
        std::vector<int> sorted = pass;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5}));
    }
    EXPECT_NE(passes[0], passes[1]);
    EXPECT_NE(passes[1], passes[2]);
    EXPECT_NE(passes[0], passes[2]);
    const std::vector<std::int32_t> seeded = PositionSequence::Run(OrderKind::Random, 5, 7, {}, 3);
    EXPECT_EQ(passes[0], std::vector<int>(seeded.begin(), seeded.begin() + 5));
    EXPECT_EQ(t.freqsAndStarts().size(), 30u); // each presentation started once
}

TEST(RunOnEmulator, VariablesFirstWithoutPositionsSendsACountPerPassThenStops)
{
    CoreOnEmu t({"--log", "{dir}/packets.log"});
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    t.addSine(0, "1000");
    t.view.edit(EditField::Signaldauer) = "40";
    t.view.edit(EditField::AnzWieder) = "2";
    t.view.check(CheckBox::varcheck) = true;
    t.view.prio = Priority::Variablezuerst;
    ASSERT_TRUE(t.runToEnd(5s));
    ASSERT_TRUE(t.logEndsWithStop());

    // After the start, status queries aside: SetRepetitions (1) as its pair
    // of packets for each of the two passes, then the stop.
    const auto l = t.log();
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < l.size(); ++i)
        if (l[i].text == "20 00 00 00 00 00" && l[i + 1].text == "00 00 00 00 00 00")
            start = i + 2;
    std::vector<std::string> after;
    for (std::size_t i = start; i < l.size() && after.size() < 5; ++i)
        if (l[i].text != "00 00 00 00 00 00")
            after.push_back(l[i].text);
    EXPECT_EQ(after, (std::vector<std::string>{"49 00 00 00 fe 00", "49 00 00 00 fe 00", "49 00 00 00 fe 00",
                                               "49 00 00 00 fe 00", "20 00 00 00 00 00"}));
    EXPECT_EQ(t.freqsAndStarts(), (std::vector<std::string>{"4194", "S"}));
}

TEST(RunOnEmulator, ExternalStartWithBothPolarities)
{
    CoreOnEmu t({"--log", "{dir}/packets.log"}); // input 1: contact open
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    t.view.timer = false;
    t.addSine(0, "1000");
    t.view.edit(EditField::Signaldauer) = "300";
    t.view.check(CheckBox::ExternStart) = true;
    t.core.ExternStartClick();
    ASSERT_TRUE(t.view.timer);

    // "Aktiv wenn geschlossen": nothing while open, a run once closed.
    EXPECT_FALSE(t.tickUntil([&] { return t.running(); }, 300ms));
    t.emu.setInput(false);
    ASSERT_TRUE(t.tickUntil([&] { return t.running(); }, 3s));
    t.emu.setInput(true);
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(t.tickUntil([&] { return !t.running(); }, 3s));
    EXPECT_FALSE(t.tickUntil([&] { return t.running(); }, 300ms));

    // "Aktiv wenn geöffnet": the open contact starts it at once.
    t.core.state().TastHigh = true;
    ASSERT_TRUE(t.tickUntil([&] { return t.running(); }, 3s));
    t.emu.setInput(false);
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(t.tickUntil([&] { return !t.running(); }, 3s));
    EXPECT_FALSE(t.tickUntil([&] { return t.running(); }, 300ms));

    ASSERT_TRUE(t.logEndsWithStop());
    int starts = 0;
    for (const auto& s : t.freqsAndStarts())
        starts += s == "S";
    EXPECT_EQ(starts, 2);
}

TEST(RunOnEmulator, OverflowShownAndReportedOnceAtTheNextStart)
{
    CoreOnEmu t({}); // not paced: the one table goes up quickly
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    t.addSine(0, "1000");
    SinusRecord& r = t.core.form().Record(0);
    for (int k = 0; k < TableSize; ++k)
        r.Table[static_cast<std::size_t>(k)] = k < TableSize / 2 ? 32500 : -32500;
    r.Ampl = "0-6"; // -6 dB, amplitude 65365: twice the converter's range
    t.view.edit(EditField::Signaldauer) = "100";
    t.core.StartButtonClick();
    ASSERT_TRUE(t.tickUntil([&] { return t.view.status[2] == "Signalüberlauf!"; }, 5s));
    ASSERT_TRUE(t.tickUntil([&] { return !t.running(); }, 5s));
    EXPECT_TRUE(t.dialogs.messages.empty());

    r.Ampl = "0"; // within range now
    t.core.StartButtonClick();
    EXPECT_EQ(t.dialogs.texts(), (std::vector<std::string>{"Letztes Signal hat einen Überlauf erzeugt!"}));
    ASSERT_TRUE(t.tickUntil([&] { return !t.running(); }, 5s));
    EXPECT_EQ(t.view.status[2], "Signal OK");
    t.core.StartButtonClick();
    t.core.Button4Click();
    EXPECT_EQ(t.dialogs.messages.size(), 1u);
}

} // namespace
} // namespace tonvera::test
