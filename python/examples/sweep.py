#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A frequency and level sweep in random order, logged presentation by
presentation.

Every position of the variables F (frequency) and L (attenuation) is
presented REPEATS times in an order shuffled with SEED; each presentation
is played as one run of the device. The CSV file gets one line per
presentation: when the device started it, the position, and the values of
every variable there.

    /usr/bin/python3 sweep.py --out sweep.csv                 # against the emulator
    /usr/bin/python3 sweep.py --port /dev/ttyUSB0 --out sweep.csv
"""

import argparse
import csv
import random
import sys
import time

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


def sweep(gen, project, order, out):
    names = list(project.variables)
    writer = csv.writer(out)
    writer.writerow(["presentation", "time", "position", *names])
    # The set on the device first: << and >> step through its positions.
    gen.download(project)
    for n, position in enumerate(order, 1):
        gen.goto(position)
        started = []
        result = gen.play(project, on_position=lambda pos: started.append(time.time()))
        values = [project.variables[name][position - 1] for name in names]
        stamp = time.strftime("%Y-%m-%dT%H:%M:%S", time.localtime(started[0])) + f"{started[0] % 1:.3f}"[1:]
        writer.writerow([n, stamp, position, *values])
        out.flush()
        if result.overflow:
            print(f"presentation {n}: Signalüberlauf!", file=sys.stderr)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", help="serial port of the device; the emulator without it")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--repeats", type=int, default=2)
    ap.add_argument("--cal", help="calibration file (.cal)")
    ap.add_argument("--out", default="sweep.csv")
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
        with tonvera.Generator(port, cal=args.cal) as gen, open(args.out, "w", newline="") as out:
            sweep(gen, project, order, out)
    finally:
        if emulator:
            emulator.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
