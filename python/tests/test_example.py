# SPDX-License-Identifier: GPL-3.0-or-later
"""The README's lab example runs against the emulator."""

import csv
import os
import random
import subprocess
import sys

EXAMPLE = os.path.join(os.path.dirname(__file__), "..", "examples", "sweep.py")


def test_sweep_in_seeded_random_order_is_logged(tmp_path):
    out = tmp_path / "sweep.csv"
    r = subprocess.run([sys.executable, EXAMPLE, "--seed", "7", "--repeats", "1", "--out", str(out)],
                       capture_output=True, text=True, timeout=120)
    assert r.returncode == 0, r.stderr
    rows = list(csv.DictReader(out.open()))
    order = [1, 2, 3, 4, 5]
    random.Random(7).shuffle(order)
    assert [int(row["position"]) for row in rows] == order
    freqs = ["250", "500", "1000", "2000", "4000"]
    assert [row["F"] for row in rows] == [freqs[p - 1] for p in order]
    assert [row["presentation"] for row in rows] == ["1", "2", "3", "4", "5"]
    assert sorted(row["time"] for row in rows) == [row["time"] for row in rows]
