# SPDX-License-Identifier: GPL-3.0-or-later
"""Projects built, saved and read in Python, checked as tonvera-cli checks them."""

import collections.abc
import errno
import json
import os
import pathlib

import numpy as np
import pytest

import tonvera
from conftest import cli


def two_signal_project():
    p = tonvera.Project.new()
    a, b = p.signals[0], p.signals[1]
    a.used = True
    a.freq, a.ampl, a.ramp_up, a.ramp_down = "F", 6, "1", "1"
    b.used = True
    b.type = tonvera.SignalType.AM
    b.carrier = 8
    # 6 dB each: together they stay within full scale.
    b.freq, b.ampl, b.start, b.plateau = 125.5, 6, "10", "D"
    p.variables["F"] = [250, 500, "1000"]
    p.variables["D"] = ["30", "40", "50"]
    p.signal_length, p.trigger_start, p.trigger_stop = 200, 0, 50
    p.through_variables = True
    return p


def test_built_project_saves_reads_back_and_checks_clean(tmp_path):
    p = two_signal_project()
    p.signals[0].table[5] = 1234  # the array is the record's table
    path = tmp_path / "built.tva"
    p.save(str(path))

    code, out, err = cli("check", path)
    assert (code, out, err) == (0, "Keine Probleme gefunden.\n", "")
    assert p.check() == []

    q = tonvera.Project.load(str(path))
    assert [s.used for s in q.signals] == [True, True] + [False] * 6
    assert q.signals[1].type == tonvera.SignalType.AM and q.signals[1].carrier == 8
    assert (q.signals[0].freq, q.signals[0].ampl, q.signals[1].freq) == ("F", "6", "125,5")
    assert q.signals[0].table[5] == 1234
    np.testing.assert_array_equal(q.signals[1].table, p.signals[1].table)
    assert dict(q.variables.items()) == {"F": ["250", "500", "1000"], "D": ["30", "40", "50"]}
    assert (q.signal_length, q.through_variables, q.repeated, q.positions) == ("200", True, False, 3)


def test_problems_are_those_tonvera_cli_check_reports(fixture_path):
    path = fixture_path("cli/check_problems.tva")
    code, out, _ = cli("check", path)
    assert code == 1
    problems = tonvera.Project.load(path).check()
    assert problems and [str(x) for x in problems] == out.splitlines()[:-1]
    first = problems[0]
    assert isinstance(first.message, str) and first.positions
    assert all(x.signal is None or 0 <= x.signal < 8 for x in problems)


def test_bad_file_raises_with_the_program_message(tmp_path):
    bad = tmp_path / "bad.tva"
    bad.write_bytes(b"Section Signalparameters\r\n  Signalnumber = x\r\nEnd\r\n")
    with pytest.raises(tonvera.Error, match="^'X' ist kein gültiger Integerwert$"):
        tonvera.Project.load(str(bad))
    with pytest.raises(tonvera.FileNotFound, match="kann nicht geöffnet werden") as missing:
        tonvera.Project.load(tmp_path / "missing.tva")
    assert isinstance(missing.value, tonvera.Error) and isinstance(missing.value, FileNotFoundError)
    assert missing.value.errno == errno.ENOENT
    # A file that is there but unreadable is no missing file.
    with pytest.raises(tonvera.Error) as unreadable:
        tonvera.Project.load(tmp_path)
    assert not isinstance(unreadable.value, FileNotFoundError)
    with pytest.raises(FileNotFoundError):
        tonvera.Project.new().save(tmp_path / "no folder" / "x.tva")
    # A NUL would cut the path short: 'bad.tva\0x' must not read bad.tva.
    for nul in [str(bad) + "\0x", bytes(bad) + b"\0x", pathlib.Path(str(bad) + "\0x")]:
        with pytest.raises(ValueError, match="null"):
            tonvera.Project.load(nul)
    with pytest.raises(ValueError, match="null"):
        tonvera.Project.new().save(str(tmp_path / "x.tva\0y"))
    with pytest.raises(ValueError, match="null"):
        tonvera.Project.new().check(cal=str(tmp_path / "c.cal\0y"))
    assert sorted(os.listdir(tmp_path)) == ["bad.tva"]
    # A text the file cannot hold is refused and nothing is written.
    p = tonvera.Project.new()
    p.signal_length = "1000\n"
    with pytest.raises(tonvera.Error):
        p.save(str(tmp_path / "never.tva"))
    assert not (tmp_path / "never.tva").exists()


def test_number_texts_take_the_program_comma():
    s = tonvera.Project.new().signals[0]
    s.used = True
    s.freq, s.ampl, s.start, s.phase = "2.5", "-1.5E2", "F*1.5", "F.1"
    assert (s.freq, s.ampl, s.start, s.phase) == ("2,5", "-1,5E2", "F*1.5", "F.1")
    v = tonvera.Project.new().variables
    v["F"] = ["0.25", 0.25, "1.2.3", "2,5"]
    assert v["F"] == ["0,25", "0,25", "1.2.3", "2,5"]


def test_types_fill_the_table_and_slots_stay_contiguous():
    p = tonvera.Project.new()
    s = p.signals[0]
    with pytest.raises(tonvera.Error, match="Signal 1 kann erst verwendet werden, wenn Signal 0 verwendet wird"):
        p.signals[1].used = True
    s.used = True
    table = s.table  # a view that follows the record
    s.type = tonvera.SignalType.RECTANGLE
    assert set(np.unique(table)) == {-32500, 32500}
    s.type = tonvera.SignalType.MUTE
    assert set(np.unique(s.table)) == {-32500, 32500}  # the previous table stays
    s.type = tonvera.SignalType.SINE
    assert table.max() == 32500 and table[0] == 0
    with pytest.raises(tonvera.Error, match="Fehler bei Bereichsprüfung"):
        s.table = np.full(32768, 40000)
    s.table = np.zeros(32768, dtype=np.int32)
    assert not table.any()
    p.signals[1].used = True
    with pytest.raises(tonvera.Error, match="solange Signal 1 verwendet wird"):
        s.used = False


def test_variables_follow_the_editor_rules():
    v = tonvera.Project.new().variables
    for bad in ["", "1a"]:
        with pytest.raises(tonvera.Error, match="Ungültiger Variablenbezeichner!"):
            v[bad] = ["1"]
    for i in range(21):
        v[f"v{i}"] = [str(i)]
    with pytest.raises(tonvera.Error, match="Keine weiteren Variablen möglich!"):
        v["extra"] = ["1"]
    v["V3"] = ["x", "y"]  # names match without regard to case
    assert v["v3"] == ["x", "y"] and len(v) == 21
    del v["v0"]
    assert list(v)[:2] == ["v1", "v2"] and "v0" not in v and v.get("v0") is None
    assert isinstance(v, collections.abc.MutableMapping)
    with pytest.raises(KeyError):
        v["v0"]


def test_simulate_gives_the_figures_of_tonvera_cli_simulate(fixture_path):
    path = fixture_path("cli/three_positions.tva")
    _, out, _ = cli("simulate", path)
    sim = tonvera.Project.load(path).simulate()
    lines = out.splitlines()
    assert sim.caption == lines[0]
    assert [(x.position, x.begin, x.length, x.trigger_start, x.trigger_stop) for x in sim.positions] == [
        (1, 0, 60, 0, 10), (2, 60, 60, 0, 10), (3, 120, 60, 0, 10)]
    assert sim.total_seconds == pytest.approx(0.18)
    with pytest.raises(tonvera.Error, match="Simulation nur sinnvoll, wenn Variablen verwendet werden!"):
        tonvera.Project.new().simulate()


def test_calibration_round_trip(tmp_path):
    cal = tonvera.Calibration()
    cal.points = [(100, 1.5), (1000, -2)]
    assert cal.correction(550) == pytest.approx(-0.25)
    cal.save(str(tmp_path / "c.cal"))
    assert tonvera.Calibration.load(str(tmp_path / "c.cal")).points == [(100, 1.5), (1000, -2)]
    with pytest.raises(tonvera.FileNotFound, match="^Kann .*nope.cal Kalibrierung nicht öffnen!$"):
        tonvera.Calibration.load(str(tmp_path / "nope.cal"))
    with pytest.raises(ValueError, match="null"):
        tonvera.Calibration.load(str(tmp_path / "c.cal") + "\0")
    with pytest.raises(FileNotFoundError):
        cal.save(tmp_path / "no folder" / "c.cal")


def test_ports_are_those_tonvera_cli_lists(tmp_path, monkeypatch):
    # A running emulator is offered where the window looks for it.
    monkeypatch.setenv("XDG_RUNTIME_DIR", str(tmp_path))
    os.symlink("/dev/null", tmp_path / "tonvera-emu")
    code, out, _ = cli("ports", "--json")
    assert code == 0
    assert tonvera.ports() == json.loads(out)
    assert tonvera.ports()[-1]["path"] == str(tmp_path / "tonvera-emu")


def test_reprs_say_what_an_object_is(tmp_path):
    p = two_signal_project()
    assert repr(p) == "<Project 2 signals, 3 positions (F, D)>"
    assert repr(p.signals[0]) == "<Signal 0 SINE freq='F' ampl='6' start='0' plateau='25'>"
    assert repr(p.signals[2]) == "<Signal 2 unused>"
    assert repr(p.variables).startswith("Variables({'F': ['250', '500', '1000'], ")
    cal = tonvera.Calibration()
    cal.points = [(1000, -2), (100, 1.5)]
    assert repr(cal) == "<Calibration 2 points, 100 to 1000 Hz>"
    assert repr(p.simulate()) == "<Simulation 0.6 s, 3 positions>"
    assert repr(p.simulate().positions[1]) == \
        "SimulatedPosition(position=2, begin=200, length=200, trigger_start=0, trigger_stop=50)"
    r = p.render(rate=8000)
    assert repr(r) == "<Rendering 4800 samples at 8000 Hz (0.6 s), 3 runs, overflow=False>"
    assert repr(tonvera.Emulator()) == "<Emulator not running>"
    assert repr(tonvera.Error) == "<class 'tonvera.Error'>"


def test_stubs_name_what_the_module_has():
    import ast

    assert dir(tonvera) == sorted(tonvera.__all__)
    stub = ast.parse(open(os.path.join(os.path.dirname(tonvera.__file__), "__init__.pyi")).read())
    classes = {c.name: c for c in stub.body if isinstance(c, ast.ClassDef) and not c.name.startswith("_")}
    functions = {f.name for f in stub.body if isinstance(f, ast.FunctionDef)}
    assert set(classes) | functions == set(tonvera.__all__)
    for name, c in classes.items():
        members = {f.name for f in c.body if isinstance(f, ast.FunctionDef) and not f.name.startswith("_")}
        members |= {a.target.id for a in c.body if isinstance(a, ast.AnnAssign)}
        members |= {a.targets[0].id for a in c.body if isinstance(a, ast.Assign)}
        missing = {m for m in members if not hasattr(getattr(tonvera, name), m)}
        assert not missing, (name, missing)
        public = {m for m in dir(getattr(tonvera, name)) if not m.startswith("_")}
        # Exceptions and the enum have Python's members; Variables is a MutableMapping.
        if name not in ("Error", "DeviceNotFound", "DeviceBusy", "FileNotFound", "TimeLimit", "SignalType",
                        "Variables"):
            assert public <= members | {"name", "value"}, (name, public - members)
