#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A frequency and level sweep in random order, logged presentation by
presentation.

Every position of the variables F (frequency) and L (attenuation) is
presented REPEATS times in an order shuffled with SEED; each presentation
is played as one run of the device. The experiment journal (tab-separated,
appended to) gets a line as each presentation starts, with when its start
packet left, the position, every variable's value there and what the device
got after the calibration, and a line as it ends.

    /usr/bin/python3 sweep.py --journal sweep.tsv                 # against the emulator
    /usr/bin/python3 sweep.py --port /dev/ttyUSB0 --journal sweep.tsv

Read it back with pandas.read_csv("sweep.tsv", sep="\t", comment="#").
"""

import argparse
import random
import sys

import tonvera


def build_project():
    p = tonvera.Project.new()
    tone = p.signals[0]
    tone.used = True
    tone.freq, tone.ampl = "F", "L"
    tone.ramp_up = tone.ramp_down = "5"
    p.variables["F"] = [250, 500, 1000, 2000, 4000]
    p.variables["L"] = [20, 10, 0, 10, 20]
    p.signal_length, p.trigger_start, p.trigger_stop = 300, 0, 10
    return p


def sweep(gen, project, order):
    # The set on the device first: << and >> step through its positions.
    gen.download(project)
    for n, position in enumerate(order, 1):
        gen.goto(position)
        result = gen.play(project)
        if result.overflow:
            print(f"presentation {n}: Signalüberlauf!", file=sys.stderr)
        if result.clamped:
            print(f"presentation {n}: Kalibrierung auf 0 dB begrenzt", file=sys.stderr)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", help="serial port of the device; the emulator without it")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--repeats", type=int, default=2)
    ap.add_argument("--cal", help="calibration file (.cal)")
    ap.add_argument("--journal", default="sweep.tsv", help="the journal file, appended to (default sweep.tsv)")
    args = ap.parse_args(argv)

    project = build_project()
    problems = [p for p in project.check(cal=args.cal) if not p.warning]
    if problems:
        for p in problems:
            print(p, file=sys.stderr)
        return 1
    order = list(range(1, project.positions + 1)) * args.repeats
    random.Random(args.seed).shuffle(order)

    emulator = None if args.port else tonvera.Emulator().start()
    try:
        port = args.port or emulator.port
        with tonvera.Generator(port, cal=args.cal, journal=args.journal) as gen:
            sweep(gen, project, order)
    finally:
        if emulator:
            emulator.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
