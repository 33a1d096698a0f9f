#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Time from the command to the device's start, against the emulator:
tonvera.Generator.play on an open Generator whose device already holds the
project's tables, and tonvera-cli play, which opens and sets up the device
for every call.

    PYTHONPATH=build/python /usr/bin/python3 bench/play_start.py [--runs N] [--pace]

--pace lets the emulator receive no faster than the real line (115,200 baud).
"""

import argparse
import os
import statistics
import subprocess
import tempfile
import time

import tonvera

HERE = os.path.dirname(os.path.abspath(__file__))
CLI = os.path.join(HERE, os.pardir, "build", "bin", "tonvera-cli")


def project():
    p = tonvera.Project.new()
    for i, freq in enumerate(["500", "1000", "2000"]):
        s = p.signals[i]
        s.used = True
        s.freq, s.ampl = freq, 20
    p.signals[1].type = tonvera.SignalType.RECTANGLE
    p.signal_length = 50
    return p


def summary(name, seconds):
    ms = sorted(1000 * s for s in seconds)
    print(f"{name}: median {statistics.median(ms):.1f} ms, min {ms[0]:.1f} ms, max {ms[-1]:.1f} ms ({len(ms)} runs)")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=10)
    ap.add_argument("--pace", action="store_true")
    args = ap.parse_args()
    p = project()
    emu_args = ["--pace"] if args.pace else []
    with tempfile.TemporaryDirectory() as tmp, tonvera.Emulator(args=emu_args) as emu:
        path = os.path.join(tmp, "bench.tva")
        p.save(path)

        with tonvera.Generator(emu.port, project=p) as gen:
            gen.play(p)  # the tables are on the device from here on
            python = []
            for _ in range(args.runs):
                started = []
                t0 = time.perf_counter()
                gen.play(p, on_position=lambda pos: started.append(time.perf_counter()))
                python.append(started[0] - t0)

        cli = []
        for _ in range(args.runs):
            t0 = time.perf_counter()
            proc = subprocess.Popen([CLI, "play", path, "--port", emu.port], stdout=subprocess.PIPE, text=True)
            for line in proc.stdout:
                if line == "Start\n":
                    cli.append(time.perf_counter() - t0)
                    break
            proc.stdout.read()
            proc.wait()
    summary("Generator.play", python)
    summary("tonvera-cli play", cli)


if __name__ == "__main__":
    main()
