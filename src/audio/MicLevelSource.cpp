// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MicLevelSource.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

#include "model/Errors.h"

namespace tonvera::audio {

namespace {

using Clock = std::chrono::steady_clock;

// Beyond the capture itself: a sound card takes a moment to start, and a
// FIFO behind the file plugin waits for its writer to come.
constexpr auto StartGrace = std::chrono::seconds(3);
// What a converter or the FIFO's first bytes give before the input settles.
constexpr double SettleSeconds = 0.05;
// Samples at the converter's limit: the tone is clipped and reads low.
constexpr int ClipLevel = 32767;
// Frames asked for at a time. ALSA's file plugin takes its input file to be
// always full: a short read of a FIFO leaves the rest as silence. Whoever
// feeds the FIFO in whole pieces of this size (as tonvera-emu does) is read
// without gaps; a sound card does not mind.
constexpr std::size_t ReadFrames = 256;

std::string Quoted(const std::string& device) { return "'" + QuotedInput(device) + "'"; }

std::string NoData(const std::string& device) { return "Das Aufnahmegerät " + Quoted(device) + " liefert keine Daten"; }

// The reason in the operator's words where there are some; ALSA's own
// (English) text otherwise.
std::string Reason(int err)
{
    switch (-err) {
    case ENOENT:
    case ENODEV: return "kein solches Gerät";
    case EBUSY: return "es wird von einem anderen Programm benutzt";
    case EACCES:
    case EPERM: return "keine Berechtigung";
    case EINVAL: return "ungültige Einstellung";
    default: return snd_strerror(err);
    }
}

struct CaptureJob {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::vector<float> samples;
    std::string error;
};

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

// Runs on a thread of its own: the file plugin opens and reads its input
// file blocking, so a FIFO without a writer would hold up the caller.
// The caller waits only until its deadline; a late job ends by itself.
void RunCapture(const std::shared_ptr<CaptureJob>& job, std::string device, unsigned rate, std::size_t wanted,
                Clock::time_point deadline)
{
    std::vector<float> samples;
    std::string error;
    [&] {
        snd_pcm_t* raw = nullptr;
        if (const int err = snd_pcm_open(&raw, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK); err < 0) {
            error = "Das Aufnahmegerät " + Quoted(device) + " kann nicht geöffnet werden: " + Reason(err);
            return;
        }
        const std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
        if (const int err = snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, rate,
                                               1, 200'000);
            err < 0) {
            error = "Das Aufnahmegerät " + Quoted(device) + " nimmt nicht mono mit " + std::to_string(rate) +
                    " Hz auf: " + Reason(err);
            return;
        }
        const auto settle = static_cast<std::size_t>(SettleSeconds * rate);
        std::size_t skipped = 0;
        std::vector<std::int16_t> chunk(ReadFrames);
        bool clipped = false;
        samples.reserve(wanted);
        while (samples.size() < wanted) {
            if (Clock::now() > deadline) {
                error = NoData(device);
                return;
            }
            const snd_pcm_sframes_t n = snd_pcm_readi(pcm.get(), chunk.data(), chunk.size());
            if (n == -EAGAIN || n == 0) {
                // Nothing yet, or a file at its end for now.
                if (snd_pcm_wait(pcm.get(), 100) < 0 || n == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            if (n == -EPIPE || n == -ESTRPIPE) {
                // Samples were lost: what came before is not continuous with
                // what follows, and a gap would smear the spectrum.
                if (snd_pcm_recover(pcm.get(), int(n), 1) < 0) {
                    error = NoData(device);
                    return;
                }
                samples.clear();
                clipped = false;
                continue;
            }
            if (n < 0) {
                error = "Das Aufnahmegerät " + Quoted(device) + " meldet einen Fehler: " + Reason(int(n));
                return;
            }
            for (snd_pcm_sframes_t i = 0; i < n && samples.size() < wanted; ++i) {
                if (skipped < settle) {
                    ++skipped;
                    continue;
                }
                const int v = chunk[std::size_t(i)];
                clipped = clipped || v >= ClipLevel || v <= -ClipLevel;
                samples.push_back(float(v) / 32768.0f);
            }
        }
        if (clipped)
            error = "Das Aufnahmegerät " + Quoted(device) +
                    " ist übersteuert: die Eingangsverstärkung verringern oder leiser messen";
    }();
    const std::lock_guard guard(job->lock);
    job->samples = std::move(samples);
    job->error = std::move(error);
    job->done = true;
    job->finished.notify_all();
}

} // namespace

std::vector<CaptureDevice> CaptureDevices()
{
    std::vector<CaptureDevice> out;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return out;
    auto take = [](void* hint, const char* id) {
        char* v = snd_device_name_get_hint(hint, id);
        std::string s = v ? v : "";
        std::free(v);
        return s;
    };
    for (void** h = hints; *h; ++h) {
        const std::string name = take(*h, "NAME");
        const std::string io = take(*h, "IOID"); // empty: both directions
        // "null" records nothing; no one measures through it.
        if (name.empty() || name == "null" || io == "Output")
            continue;
        // ALSA's descriptions come as lines: card, then device.
        std::string joined;
        std::istringstream lines(take(*h, "DESC"));
        for (std::string line; std::getline(lines, line);) {
            if (line.empty())
                continue;
            if (!joined.empty())
                joined += " - ";
            joined += line;
        }
        out.push_back({name, joined});
    }
    snd_device_name_free_hint(hints);
    return out;
}

MicLevelSource::MicLevelSource(std::string device, unsigned rate) : device_(std::move(device)), rate_(rate) {}

void MicLevelSource::setSensitivity(double dbfsAt94) { sensitivity_ = dbfsAt94; }

std::optional<double> MicLevelSource::sensitivity() const { return sensitivity_; }

std::vector<float> MicLevelSource::capture(double seconds) const
{
    if (!(seconds > 0.0) || seconds > 600.0)
        throw AbortError("Die Messdauer muss zwischen 0 und 600 s liegen");
    const auto wanted = static_cast<std::size_t>(std::ceil(seconds * rate_));
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)) + StartGrace;
    auto job = std::make_shared<CaptureJob>();
    std::thread(RunCapture, job, device_, rate_, wanted, deadline).detach();
    std::unique_lock wait(job->lock);
    // A little past the job's own deadline, which it notices between reads.
    if (!job->finished.wait_until(wait, deadline + std::chrono::milliseconds(500), [&] { return job->done; }))
        throw AbortError(NoData(device_));
    if (!job->error.empty())
        throw AbortError(job->error);
    return std::move(job->samples);
}

namespace {

double ToneLevel(const std::vector<float>& samples, unsigned rate, double hz, const std::string& device)
{
    if (!(hz > 0.0) || hz >= rate / 2.0)
        throw AbortError("Die Frequenz " + std::to_string(int(std::lround(hz))) + " Hz ist mit " +
                         std::to_string(rate) + " Hz Abtastrate nicht zu messen");
    const double level = BandLevelDbfs(samples, rate, hz);
    if (!std::isfinite(level))
        throw AbortError("Das Aufnahmegerät " + Quoted(device) + " liefert nur Stille");
    return level;
}

} // namespace

double MicLevelSource::calibrate(double refHz, double refDbSpl, double seconds)
{
    const double level = ToneLevel(capture(seconds), rate_, refHz, device_);
    sensitivity_ = level - (refDbSpl - 94.0);
    return *sensitivity_;
}

double MicLevelSource::measure(double hz, double seconds)
{
    if (!sensitivity_)
        throw AbortError("Die Empfindlichkeit des Messmikrofons ist nicht bekannt: zuerst den Referenzton messen");
    const double level = ToneLevel(capture(seconds), rate_, hz, device_);
    return 94.0 + level - *sensitivity_;
}

} // namespace tonvera::audio
