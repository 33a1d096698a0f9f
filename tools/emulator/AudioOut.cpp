// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioOut.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonvera::emutool {

namespace {

// A pipe takes a write of up to PIPE_BUF bytes whole or not at all, so a
// piece is never split, and a dropped one is whole samples.
constexpr std::size_t Piece = AudioPieceSamples * 2;
static_assert(Piece <= PIPE_BUF);

} // namespace

AudioOut::~AudioOut()
{
    if (Fd >= 0) {
        // A file keeps the last samples too; a FIFO reader would wait for a
        // piece that never fills.
        if (!Fifo && !Pending.empty()) [[maybe_unused]]
            const auto n = ::write(Fd, Pending.data(), Pending.size());
        ::close(Fd);
    }
}

bool AudioOut::prepare(std::string& error)
{
    struct stat st {};
    if (::stat(Path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
        Fifo = true;
        connect();
        return true;
    }
    Fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (Fd < 0) {
        error = "cannot write " + Path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void AudioOut::connect()
{
    // ENXIO: no reader yet. Tried again with every batch of samples.
    Fd = ::open(Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

void AudioOut::write(const std::vector<std::int16_t>& samples)
{
    if (Fifo && Fd < 0)
        connect();
    if (Fd < 0) {
        Dropped += samples.size();
        Pending.clear();
        return;
    }
    std::string& bytes = Pending;
    for (const std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    std::size_t at = 0;
    while (bytes.size() - at >= Piece) {
        errno = 0;
        const ssize_t w = ::write(Fd, bytes.data() + at, Piece);
        if (w < 0 && errno == EINTR)
            continue;
        if (w == ssize_t(Piece)) {
            at += Piece;
            continue;
        }
        if (w > 0) {
            // Only a plain file writes part of a piece (a full disk).
            at += std::size_t(w);
            continue;
        }
        // The reader has gone (EPIPE): wait for the next one. A full pipe
        // (EAGAIN) keeps its reader; it only loses this piece.
        Dropped += AudioPieceSamples;
        at += Piece;
        if (Fifo && errno == EPIPE) {
            ::close(Fd);
            Fd = -1;
            Dropped += (bytes.size() - at) / 2;
            at = bytes.size();
        } else if (!Fifo) {
            Dropped += (bytes.size() - at) / 2;
            at = bytes.size();
        }
    }
    bytes.erase(0, at);
}

} // namespace tonvera::emutool
