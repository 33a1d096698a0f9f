# SPDX-License-Identifier: GPL-3.0-or-later
"""The README's lab example runs against the emulator."""

import os
import random
import subprocess
import sys

import pandas

EXAMPLE = os.path.join(os.path.dirname(__file__), "..", "examples", "sweep.py")


def test_sweep_in_seeded_random_order_is_journaled(tmp_path):
    journal = tmp_path / "sweep.tsv"
    r = subprocess.run([sys.executable, EXAMPLE, "--seed", "7", "--repeats", "1", "--journal", str(journal)],
                       capture_output=True, text=True, timeout=120)
    assert r.returncode == 0, r.stderr
    table = pandas.read_csv(journal, sep="\t", comment="#")
    started = table[table.ereignis == "start"]
    order = [1, 2, 3, 4, 5]
    random.Random(7).shuffle(order)
    assert list(started.position) == order
    freqs = [250, 500, 1000, 2000, 4000]
    assert list(started.F) == [freqs[p - 1] for p in order]
    # Each presentation is a run of its own; every one has its end line.
    assert list(started.lauf) == [1, 2, 3, 4, 5]
    assert list(table[table.ereignis == "ende"].lauf) == [1, 2, 3, 4, 5]
    assert list(started.monoton_s) == sorted(started.monoton_s)
