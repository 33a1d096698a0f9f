// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli render: the WAV file measured as a scope would measure the
// device's outputs.

#include <algorithm>
#include <cmath>
#include <numbers>

#include <poll.h>

#include "CliProcess.h"
#include "model/TableFill.h"

namespace tonvera::test {
namespace {

// The peak of a constant table after the amplitude stage at 0 dB:
// 32500 x 32760 / 32768, truncated.
constexpr double FullPeak = 32492;

// Signal power at one frequency over samples [from, to) (Goertzel).
double Power(const std::vector<double>& x, std::size_t from, std::size_t to, double f, double rate)
{
    const double w = 2 * std::numbers::pi * f / rate;
    const double c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double s = x[i] + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// The frequency of the strongest component between lo and hi, on the grid
// of the window's own resolution.
double PeakFrequency(const std::vector<double>& x, std::size_t from, std::size_t to, double rate, double lo, double hi)
{
    const double step = rate / static_cast<double>(to - from);
    double best = 0, bestPower = -1;
    for (double k = std::ceil(lo / step); k * step <= hi; ++k) {
        const double f = k * step;
        const double p = Power(x, from, to, f, rate);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    return best;
}

double Rms(const std::vector<double>& x, std::size_t from, std::size_t to)
{
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

std::size_t At(double ms, double rate) { return static_cast<std::size_t>(std::llround(ms * rate / 1000)); }

// tonvera-cli with its error stream on a terminal and its output in a file:
// what the terminal showed.
std::string ErrorsOnATerminal(std::vector<std::string> args, const std::string& outFile, int& code)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const std::string slave = ::ptsname(master);
    args.insert(args.begin(), std::string(TONVERA_BIN_DIR) + "/tonvera-cli");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || out < 0 || ::dup2(err, STDERR_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::string shown;
    for (;;) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 60000) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0)
            break; // the terminal's last user has gone
        shown.append(buf, static_cast<std::size_t>(n));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return shown;
}

class CliRender : public ::testing::Test {
protected:
    TempDir dir;

    Wav render(const ProjectBuilder& p, const std::string& rate, int expectedCode = 0, CliResult* result = nullptr,
               const std::vector<std::string>& options = {})
    {
        p.write(dir.path("p.tva"));
        std::vector<std::string> args{"render", dir.path("p.tva"), dir.path("out.wav"), "--rate", rate};
        args.insert(args.end(), options.begin(), options.end());
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.code, expectedCode) << r.out << r.err;
        if (result)
            *result = r;
        return Wav::read(dir.path("out.wav"));
    }

    static SinusRecord& sine(ProjectBuilder& p, int i, const std::string& freq)
    {
        SinusRecord& r = p.signal(i, freq);
        FillSine(r);
        return r;
    }
    // A table that holds full scale: the output is the envelope itself.
    static SinusRecord& level(ProjectBuilder& p, int i)
    {
        SinusRecord& r = p.signal(i, "1000");
        std::fill(r.Table.begin(), r.Table.end(), FullScale);
        return r;
    }
};

TEST_F(CliRender, SineAtZeroDecibels)
{
    ProjectBuilder p;
    SinusRecord& r = sine(p, 0, "1000");
    r.Start = "10";
    r.RampUp = "1";
    r.Dach = "25";
    r.RampDown = "1";
    p.globals.Signaldauer = "50";
    const Wav w = render(p, "48000");
    ASSERT_EQ(w.rate, 48000u);
    ASSERT_EQ(w.output.size(), At(50, 48000));

    // The plateau from 12 ms to 36 ms: 24 whole periods.
    const std::size_t a = At(12, 48000), b = At(36, 48000);
    EXPECT_NEAR(PeakFrequency(w.output, a, b, 48000, 100, 10000), 1000, 1e-6);
    EXPECT_NEAR(Rms(w.output, a, b), FullPeak / std::sqrt(2.0), FullPeak * 0.002);
    // Silent before the start and after the fall.
    EXPECT_EQ(Rms(w.output, 0, At(10, 48000)), 0);
    EXPECT_EQ(Rms(w.output, At(37.1, 48000), w.output.size()), 0);
}

TEST_F(CliRender, RampsLastTheirSnappedTimes)
{
    ProjectBuilder p;
    SinusRecord& r = level(p, 0);
    r.Start = "10";
    r.RampUp = "5"; // increment 839: 2^24 / 839 ticks = 4,99934 ms
    r.Dach = "25";
    r.RampDown = "2"; // increment 2097: 2,00015 ms
    p.globals.Signaldauer = "60";
    const Wav w = render(p, "100000");
    const auto& x = w.output;

    const double peak = *std::max_element(x.begin(), x.end());
    EXPECT_EQ(peak, FullPeak);
    std::size_t lastZero = 0;
    while (x[lastZero + 1] == 0)
        ++lastZero;
    const auto firstFull = static_cast<std::size_t>(std::find(x.begin(), x.end(), peak) - x.begin());
    const auto lastFull = static_cast<std::size_t>(x.rend() - std::find(x.rbegin(), x.rend(), peak) - 1);
    std::size_t firstZeroAfter = lastFull;
    while (x[firstZeroAfter] != 0)
        ++firstZeroAfter;

    const double samplesPerMs = 100;
    EXPECT_EQ(lastZero, At(10, 100000));
    EXPECT_NEAR(static_cast<double>(firstFull - lastZero), 16777216.0 / 839 / 4000 * samplesPerMs, 1.0);
    EXPECT_EQ(lastFull, At(10 + 16777216.0 / 839 / 4000 + 25, 100000));
    EXPECT_NEAR(static_cast<double>(firstZeroAfter - lastFull), 16777216.0 / 2097 / 4000 * samplesPerMs, 1.0);
    // The rise is a straight line: half way up at half the ramp time.
    EXPECT_NEAR(x[lastZero + 250], FullPeak / 2, FullPeak * 0.002);
}

TEST_F(CliRender, SixDecibelsMoreHalveTheAmplitude)
{
    ProjectBuilder p;
    level(p, 0);
    p.globals.Signaldauer = "50";
    const auto peak = [](const Wav& w) { return *std::max_element(w.output.begin(), w.output.end()); };
    const double full = peak(render(p, "48000"));
    EXPECT_EQ(full, FullPeak);

    p.state.SinusArray[0].Ampl = "6";
    EXPECT_NEAR(peak(render(p, "48000")) / full, 0.5, 0.0025);

    // The same by the final attenuator after the converter (8 steps of 0,75 dB).
    p.state.SinusArray[0].Ampl = "0";
    p.globals.EndDamp = "6";
    EXPECT_NEAR(peak(render(p, "48000")) / full, 0.5, 0.0025);
}

TEST_F(CliRender, TriggerIsHighExactlyInItsWindow)
{
    ProjectBuilder p;
    sine(p, 0, "1000");
    p.globals.Signaldauer = "50";
    p.globals.Triggerstart = "12,5";
    p.globals.Triggerstop = "30";
    const Wav w = render(p, "100000");
    ASSERT_EQ(w.trigger.size(), At(50, 100000));
    for (std::size_t i = 0; i < w.trigger.size(); ++i) {
        const bool high = i >= At(12.5, 100000) && i < At(30, 100000);
        ASSERT_EQ(w.trigger[i], high ? 32767 : 0) << "sample " << i;
    }
}

TEST_F(CliRender, AmCarrierAtTheMultiple)
{
    ProjectBuilder p;
    SinusRecord& r = p.signal(0, "100");
    FillAM(r, 10);
    r.TabTyp = TypeAM;
    r.TabPara = 10;
    r.Dach = "100";
    r.RampUp = "1";
    r.RampDown = "1";
    p.globals.Signaldauer = "150";
    const Wav w = render(p, "48000");
    // Ten whole modulation periods of the plateau.
    const std::size_t a = At(1.5, 48000), b = At(101.5, 48000);
    EXPECT_NEAR(PeakFrequency(w.output, a, b, 48000, 20, 10000), 1000, 1e-6);
    // The side bands at 900 and 1100 Hz have half the carrier's amplitude.
    const double carrier = Power(w.output, a, b, 1000, 48000);
    EXPECT_NEAR(Power(w.output, a, b, 900, 48000) / carrier, 0.25, 0.01);
    EXPECT_NEAR(Power(w.output, a, b, 1100, 48000) / carrier, 0.25, 0.01);
}

TEST_F(CliRender, TwoOverlappingFullSignalsOverflow)
{
    ProjectBuilder p;
    sine(p, 0, "1000");
    sine(p, 1, "1000");
    p.globals.Signaldauer = "50";
    CliResult r;
    const Wav w = render(p, "48000", 4, &r);
    EXPECT_TRUE(Contains(r.out, "Signalüberlauf!")) << r.out;
    EXPECT_TRUE(Contains(r.err, "Achtung: Letztes Signal hat einen Überlauf erzeugt!\n")) << r.err;
    // The converter clips at its range.
    EXPECT_EQ(*std::max_element(w.output.begin(), w.output.end()), 32767);
    EXPECT_EQ(*std::min_element(w.output.begin(), w.output.end()), -32767);

    // Both 6 dB down stay within the range.
    p.state.SinusArray[0].Ampl = "6";
    p.state.SinusArray[1].Ampl = "6";
    CliResult ok;
    render(p, "48000", 0, &ok);
    EXPECT_FALSE(Contains(ok.out, "Signalüberlauf!")) << ok.out;
}

TEST_F(CliRender, ResultsOnlyWithTheProgressOnATerminal)
{
    // Not the virtual device's status lines: the runs and the file.
    ProjectBuilder p;
    sine(p, 0, "1000");
    p.globals.Signaldauer = "50";
    CliResult r;
    render(p, "48000", 0, &r);
    const std::string results = "Lauf 1: 0,05 s\n" + dir.path("out.wav") + ": 0,05 s, 48000 Hz\n";
    EXPECT_EQ(r.out, results);
    EXPECT_EQ(r.err, "") << "no progress into a file";

    int code = -1;
    const std::string shown =
        ErrorsOnATerminal({"render", dir.path("p.tva"), dir.path("out.wav")}, dir.path("stdout"), code);
    EXPECT_EQ(code, 0) << shown;
    EXPECT_TRUE(Contains(shown, "\rBerechne Ausgabe: 100 %")) << shown;
    // Wiped at the end, so the terminal keeps only the results.
    EXPECT_TRUE(shown.ends_with(" \r")) << shown;
    EXPECT_EQ(ReadAll(dir.path("stdout")), results);
}

TEST_F(CliRender, PathThatCannotBeWrittenFailsBeforeTheRun)
{
    // A run that overflows: its warning would show that it was played.
    ProjectBuilder p;
    sine(p, 0, "1000");
    sine(p, 1, "1000");
    p.write(dir.path("p.tva"));
    const std::pair<std::string, std::string> targets[] = {{dir.path("missing/out.wav"), "Ordner nicht vorhanden"},
                                                           {dir.path().string(), "ist ein Ordner"}};
    for (const auto& [target, why] : targets) {
        const CliResult r = RunCli({"render", dir.path("p.tva"), target});
        EXPECT_EQ(r.code, 1) << target;
        EXPECT_EQ(r.err, "Fehler: Datei " + target + " kann nicht erstellt werden: " + why + "\n");
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(dir.entries().size(), 1u) << "nothing left beside the project";
}

TEST_F(CliRender, WholeRunThroughPositionsWithRepetitions)
{
    // Three positions, 500, 1000 and 1500 Hz, 50 ms a period, one after the
    // other without gaps: each repeated twice by the device, or all three
    // played twice over.
    ProjectBuilder p;
    SinusRecord& r = sine(p, 0, "F");
    r.Dach = "40";
    r.RampUp = "1";
    r.RampDown = "1";
    p.variable(0, {"F", "500", "1000", "1500"});
    p.globals.Signaldauer = "50";
    p.globals.AnzWieder = "2";
    p.globals.check(CheckBox::varcheck) = true;
    const Wav w = render(p, "48000");
    ASSERT_EQ(w.output.size(), 6 * At(50, 48000));
    const Wav passes = render(p, "48000", 0, nullptr, {"--variablen-zuerst"});
    ASSERT_EQ(passes.output.size(), 6 * At(50, 48000));
    for (std::size_t period = 0; period < 6; ++period) {
        const std::size_t a = period * At(50, 48000) + At(2, 48000);
        EXPECT_NEAR(PeakFrequency(w.output, a, a + At(36, 48000), 48000, 100, 5000), 500.0 * (period / 2 + 1), 1e-6)
            << "period " << period;
        // "Variablen->Wieder.": all positions, then all of them again.
        EXPECT_NEAR(PeakFrequency(passes.output, a, a + At(36, 48000), 48000, 100, 5000), 500.0 * (period % 3 + 1),
                    1e-6)
            << "period " << period;
    }
}

} // namespace
} // namespace tonvera::test
