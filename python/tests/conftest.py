# SPDX-License-Identifier: GPL-3.0-or-later
"""Shared helpers: tonvera-cli from the build, emulator logs, fixtures."""

import os
import subprocess
import time

import pytest

BIN = os.environ.get("TONVERA_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
FIXTURES = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "fixtures")


def cli(*args, timeout=60):
    """Runs tonvera-cli; returns (exit code, stdout, stderr)."""
    r = subprocess.run([os.path.join(BIN, "tonvera-cli"), *map(str, args)], capture_output=True, text=True,
                       timeout=timeout)
    return r.returncode, r.stdout, r.stderr


def packets(path):
    with open(path) as f:
        return f.read().splitlines()


def registers(log):
    """Status queries, start, stop and synchronisation bytes are only 00 and
    20; how many a run sends depends on when the ticks fall. The rest must
    match byte for byte."""
    return [l for l in log if l.strip("02 ")]


def starts(log):
    return sum(1 for a, b in zip(log, log[1:]) if a == "20 00 00 00 00 00" and b == "00 00 00 00 00 00")


def wait_for(pred, limit=10.0):
    deadline = time.monotonic() + limit
    while not pred():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


@pytest.fixture
def fixture_path():
    return lambda name: os.path.join(FIXTURES, name)
