# SPDX-License-Identifier: GPL-3.0-or-later
"""tonvera.calibrate with a sound level meter read by a callable."""

import pytest

import tonvera
from conftest import packets, wait_for

STOP = "20 00 00 00 00 00"


def test_readings_become_the_table_and_the_record(tmp_path):
    # Target 70 dB SPL; the check pass reads every step on target.
    readings = iter([73.0, 68.0, 70.0, 70.0])
    asked = []

    def meter(hz):
        asked.append(hz)
        return next(readings)

    with tonvera.Emulator() as emu, tonvera.Generator(emu.port) as gen:
        table, record = tonvera.calibrate(
            gen, meter=meter, frequencies=[500, 2000], max=80, seconds=0.1, out=str(tmp_path / "raum.cal")
        )
    assert asked == [500, 2000, 500, 2000]
    assert table.points == [(500, 3.0), (2000, -2.0)]
    assert tonvera.Calibration.load(str(tmp_path / "raum.cal")).points == table.points
    assert record["passed"] and record["source"] == "Schallpegelmesser"
    assert [s["deviation"] for s in record["steps"]] == [0.0, 0.0]
    assert (tmp_path / "raum-kurven.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_a_meter_that_stops_or_a_step_above_the_maximum_leaves_the_device_stopped(tmp_path):
    log = tmp_path / "packets.log"
    with tonvera.Emulator(log=log) as emu, tonvera.Generator(emu.port) as gen:
        with pytest.raises(tonvera.Error, match="Kalibrierung abgebrochen"):
            tonvera.calibrate(gen, meter=lambda hz: None, seconds=0.1)
        assert wait_for(lambda: packets(log)[-1] == STOP)
        with pytest.raises(tonvera.Error, match="nicht gespielt"):
            tonvera.calibrate(gen, meter=lambda hz: 70.0, max=60, seconds=0.1)
