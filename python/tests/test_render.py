# SPDX-License-Identifier: GPL-3.0-or-later
"""A whole run rendered as the device plays it."""

import struct

import numpy as np

import tonvera
from conftest import cli


def sine_project(freq="1000"):
    p = tonvera.Project.new()
    s = p.signals[0]
    s.used = True
    s.freq, s.ampl, s.ramp_up, s.ramp_down = freq, 6, "1", "1"
    p.signal_length, p.trigger_start, p.trigger_stop = 500, 100, 200
    return p


def test_sine_has_its_peak_at_its_frequency_and_matches_tonvera_cli_render(tmp_path):
    p = sine_project()
    r = p.render(rate=48000)
    assert r.rate == 48000 and len(r.signal) == 24000 and not r.overflow
    spectrum = np.abs(np.fft.rfft(r.signal * np.hanning(len(r.signal))))
    assert np.argmax(spectrum) * r.rate / len(r.signal) == 1000
    # The trigger window 100..200 ms.
    high = np.flatnonzero(r.trigger)
    assert (high[0], high[-1] + 1) == (4800, 9600)

    # The same samples as tonvera-cli writes into a float WAV file.
    p.save(str(tmp_path / "sine.tva"))
    code, _, err = cli("render", tmp_path / "sine.tva", tmp_path / "sine.wav", "--float")
    assert code == 0, err
    data = (tmp_path / "sine.wav").read_bytes()
    at = data.index(b"data")
    (size,) = struct.unpack("<I", data[at + 4:at + 8])
    frames = np.frombuffer(data[at + 8:at + 8 + size], dtype="<f4").reshape(-1, 2)
    np.testing.assert_array_equal(frames[:, 0], r.signal)
    np.testing.assert_array_equal(frames[:, 1] != 0, r.trigger)


def test_overflow_and_bad_rate():
    p = sine_project()
    p.signals[0].ampl = 0
    p.signals[1].used = True
    p.signals[1].freq, p.signals[1].ampl = "1000", 0  # two full-scale sines in phase
    assert p.render(rate=8000).overflow
    try:
        p.render(rate=10)
    except tonvera.Error as e:
        assert str(e) == "Die Abtastrate muss zwischen 1000 und 1000000 Hz liegen"
    else:
        raise AssertionError("a rate of 10 Hz was taken")
