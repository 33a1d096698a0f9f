# SPDX-License-Identifier: GPL-3.0-or-later
"""The device through Generator against tonvera-emu on a pseudo-terminal."""

import hashlib
import os
import signal
import subprocess
import sys
import threading
import time

import pandas
import pytest

import tonvera
from conftest import cli, packets, registers, starts, wait_for

STOP = "20 00 00 00 00 00"


def sweep_project():
    p = tonvera.Project.new()
    s = p.signals[0]
    s.used = True
    s.freq, s.ampl, s.ramp_up, s.ramp_down = "F", 6, "1", "1"
    p.variables["F"] = [250, 500, 1000]
    p.signal_length, p.trigger_start, p.trigger_stop = 100, 0, 10
    p.through_variables = True
    return p


def test_play_sends_what_tonvera_cli_play_sends(tmp_path):
    p = sweep_project()
    p.save(str(tmp_path / "sweep.tva"))
    with tonvera.Emulator(log=tmp_path / "cli.log") as emu:
        code, out, err = cli("play", tmp_path / "sweep.tva", "--port", emu.port, "--timeout", "30")
        assert code == 0, out + err
    positions, progress = [], []
    with tonvera.Emulator(log=tmp_path / "py.log") as emu:
        with tonvera.Generator(emu.port, project=p, progress=progress.append) as gen:
            result = gen.play(p, on_position=positions.append)
    assert tuple(result) == (False, False)
    assert positions == [1, 2, 3]
    assert "Lade Tabelle 1: 100 %" in progress
    by_cli, by_python = packets(tmp_path / "cli.log"), packets(tmp_path / "py.log")
    assert registers(by_python) == registers(by_cli)
    assert starts(by_python) == starts(by_cli) == 3
    assert by_python[-1] == STOP


def test_seeded_random_order_sends_what_tonvera_cli_sends(tmp_path):
    p = sweep_project()
    p.variables["F"] = [100, 200, 300, 400, 500]
    p.signal_length, p.repetitions = 40, 3
    p.save(str(tmp_path / "five.tva"))
    with tonvera.Emulator(log=tmp_path / "cli.log") as emu:
        code, out, err = cli("play", tmp_path / "five.tva", "--port", emu.port, "--variablen-zuerst",
                             "--order", "random", "--seed", "7")
        assert code == 0, out + err
        assert "Reihenfolge zufällig, Startwert 7\n" in out
    with tonvera.Emulator(log=tmp_path / "py.log") as emu:
        with tonvera.Generator(emu.port, project=p) as gen:
            result = gen.play(p, variables_first=True, order="random", seed=7)
    assert result.seed == 7
    assert p.order == "ascending"  # the arguments hold for that run only
    by_cli, by_python = packets(tmp_path / "cli.log"), packets(tmp_path / "py.log")
    assert registers(by_python) == registers(by_cli)
    assert starts(by_python) == starts(by_cli) == 15


def test_order_and_seed_of_a_project(tmp_path):
    p = sweep_project()
    assert (p.order, p.seed) == ("ascending", None)
    p.order, p.seed = "random", 7
    p.save(str(tmp_path / "r.tva"))
    q = tonvera.Project.load(str(tmp_path / "r.tva"))
    assert (q.order, q.seed) == ("random", 7)
    q.order = [3, 1, 3]
    assert q.order == [3, 1, 3]
    for bad in ("sideways", [1, "2"], [], 2.5):
        with pytest.raises(ValueError):
            q.order = bad
    with pytest.raises(ValueError):
        q.seed = -1


def wire_starts(log):
    """Signal 0's frequency and amplitude words at each start, as the device
    holds them when the start packet comes."""
    freq = ampl = None
    held = []
    for line, after in zip(log, log[1:]):
        if line == STOP and after == "00 00 00 00 00 00":
            held.append((freq, ampl))
        if line.startswith("q "):
            continue
        b = bytes.fromhex(line)
        word = b[3] | b[4] << 8 | b[5] << 16
        if b[1:3] == b"\0\0" and b[0] & ~0x20 == ord("B"):
            freq = word
        elif b[1:3] == b"\0\0" and b[0] & ~0x20 == ord("H"):
            ampl = word >> 8
    return held


def test_presentations_and_journal_hold_what_went_on_the_wire(tmp_path):
    p = sweep_project()
    s = p.signals[0]
    s.type = tonvera.SignalType.SINE_CALIBRATED
    s.ampl = "L"
    p.variables["F"] = [250, 500, 1000, 2000]
    p.variables["L"] = [20, 10, 5, 30]
    p.repetitions = "2"
    cal = tonvera.Calibration()
    cal.points = [(250, 3.5), (4000, -2.25)]
    cal.save(str(tmp_path / "lab.cal"))
    journal = tmp_path / "journal.tsv"
    with tonvera.Emulator(log=tmp_path / "packets.log") as emu:
        with tonvera.Generator(emu.port, cal=tmp_path / "lab.cal", journal=journal) as gen:
            result = gen.play(p, variables_first=True)
    shown = result.presentations
    assert [x.position for x in shown] == [1, 2, 3, 4] * 2
    assert [x.number for x in shown] == list(range(1, 9))
    assert [x.variables["F"] for x in shown] == ["250", "500", "1000", "2000"] * 2
    assert all(x.end == "Geräteende" and not x.overflow and x.end_monotonic >= x.monotonic for x in shown)
    sent = [x.signals[0] for x in shown]
    # The calibration moved every level, so sent and asked differ.
    assert all(x.attenuation_sent != x.attenuation for x in sent)
    assert wire_starts(packets(tmp_path / "packets.log")) == [
        (round(x.frequency * 2**24 / 4e6), round(32760 * 10 ** (-x.attenuation_sent / 20))) for x in sent]

    table = pandas.read_csv(journal, sep="\t", comment="#")
    assert len(table) == 16
    started, ended = table[table.ereignis == "start"], table[table.ereignis == "ende"]
    assert list(started.position) == list(ended.position) == [x.position for x in shown]
    assert list(started.s0_frequenz_hz) == [x.frequency for x in sent]
    # pandas' own number parser may miss the last digit that the journal writes.
    assert list(started.s0_daempfung_gesendet_db) == pytest.approx([x.attenuation_sent for x in sent], rel=1e-15)
    digest = hashlib.sha256((tmp_path / "lab.cal").read_bytes()).hexdigest()
    assert f"# Kalibrierung\t{tmp_path / 'lab.cal'}\tSHA-256 {digest}\n" in journal.read_text()


def test_a_journal_that_cannot_be_written_warns_once_and_the_run_goes_on(tmp_path):
    (tmp_path / "file").write_text("")
    with tonvera.Emulator() as emu:
        with pytest.warns(UserWarning) as caught:
            with tonvera.Generator(emu.port, journal=tmp_path / "file" / "journal.tsv") as gen:
                result = gen.play(sweep_project())
    texts = [str(w.message) for w in caught if "Protokoll" in str(w.message)]
    assert len(texts) == 1 and " kann nicht geschrieben werden: " in texts[0], texts
    assert [x.position for x in result.presentations] == [1, 2, 3]


def test_ctrl_c_in_play_stops_the_device_first(tmp_path):
    p = sweep_project()
    p.through_variables = False
    p.signal_length = 60000
    log = tmp_path / "packets.log"
    with tonvera.Emulator(log=log) as emu:
        with tonvera.Generator(emu.port) as gen:
            started = threading.Event()
            timer = threading.Timer(0.3, lambda: os.kill(os.getpid(), signal.SIGINT))
            with pytest.raises(KeyboardInterrupt):
                gen.play(p, on_position=lambda pos: (started.set(), timer.start()))
            assert started.is_set()
            # The script sees the interrupt only once the stop is on the wire.
            assert wait_for(lambda: packets(log)[-1] == STOP)
            sent = len(packets(log))
        # Closing stops the device once more; the emulator logs it a moment
        # after the port is closed, so wait while it still runs.
        assert wait_for(lambda: len(packets(log)) > sent and packets(log)[-1] == STOP)


def test_a_device_that_falls_silent_raises_within_two_seconds():
    p = sweep_project()
    p.through_variables = False
    p.signal_length = 60000
    with tonvera.Emulator() as emu:
        with tonvera.Generator(emu.port) as gen:
            muted = []
            timer = threading.Timer(0.3, lambda: (emu.command("silent 1"), muted.append(time.monotonic())))
            with pytest.raises(tonvera.Error, match="Das Gerät antwortet nicht mehr"):
                gen.play(p, on_position=lambda pos: timer.start())
            assert muted and time.monotonic() - muted[0] < 2


def test_ctrl_c_breaks_an_upload_off_between_two_blocks(tmp_path):
    p = tonvera.Project.new()
    for s in p.signals:
        s.used = True
        s.type = tonvera.SignalType.NOISE
    log = tmp_path / "packets.log"
    interrupt = threading.Timer(0.2, lambda: os.kill(os.getpid(), signal.SIGINT))

    def progress(text):
        if text.startswith("Lade Tabelle") and not interrupt.is_alive() and not interrupt.finished.is_set():
            interrupt.start()

    # Eight tables on the real line's pace take minutes.
    with tonvera.Emulator(pace=True, log=log) as emu:
        with tonvera.Generator(emu.port, progress=progress) as gen:
            with pytest.raises(KeyboardInterrupt):
                gen.download(p)
            # The stop follows the last whole block once the line has carried it.
            assert wait_for(lambda: packets(log)[-1] == STOP, 20)
            words = [l.split() for l in packets(log) if l.startswith("q ")]
            assert len(words) == 1 and int(words[0][2]) < 32768 and int(words[0][2]) % 256 == 0, words


def test_goto_and_errors(tmp_path):
    p = sweep_project()
    with tonvera.Emulator(log=tmp_path / "packets.log") as emu:
        with tonvera.Generator(emu.port) as gen:
            # The start-up project is none of the script's to step through.
            with pytest.raises(tonvera.Error, match="^Kein Projekt an das Gerät übertragen"):
                gen.goto(4)
            gen.download(p)
            assert gen.status() == 16  # only the external input's level
            emu.command("input 0")
            assert wait_for(lambda: gen.status() == 0)
            sent = len(packets(tmp_path / "packets.log"))
            gen.goto(3)
            assert gen.position == 3
            # One step at a time, each with its set: 500 Hz, then 1000 Hz.
            freqs = lambda: [l for l in packets(tmp_path / "packets.log")[sent:] if l.startswith("62 00 ")]
            assert wait_for(lambda: len(freqs()) == 2)
            assert freqs() == ["62 00 00 31 08 00", "62 00 00 62 10 00"]
            with pytest.raises(tonvera.Error, match=r"Listenindex überschreitet das Maximum \(4\)"):
                gen.goto(4)
            # The tool's rules for --timeout: beyond the clock is no limit, the
            # rest is refused before anything is sent.
            assert tuple(gen.play(p, timeout=1e10)) == (False, False)
            for bad in [float("nan"), float("inf"), -1, 0]:
                with pytest.raises(ValueError, match="^timeout: '(nan|inf|-1|0)' ist keine positive Zahl$"):
                    gen.play(p, timeout=bad)
            p.signal_length = 60000
            with pytest.raises(tonvera.TimeLimit, match="^Zeitlimit von 0,3 s erreicht: Lauf angehalten$"):
                gen.play(p, timeout=0.3)
            assert wait_for(lambda: packets(tmp_path / "packets.log")[-1] == STOP)
            p.signals[0].freq = "Q"
            # The window's message box first, then the device refuses -10 Hz.
            with pytest.raises(tonvera.Error, match="^Fehler bei Bereichsprüfung$"):
                gen.play(p)
            assert gen.messages[-1] == "Q ist kein gültiger Wert!"
        with pytest.raises(tonvera.Error, match="Hardware nicht initialisiert"):
            gen.status()


def test_no_device_raises_device_not_found(tmp_path):
    with pytest.raises(tonvera.DeviceNotFound, match=r"^Hardware nicht gefunden \(.*nothing\)"):
        tonvera.Generator(str(tmp_path / "nothing"))
    with tonvera.Emulator(args=["--silent"]) as emu:
        with pytest.raises(tonvera.DeviceNotFound, match="^Hardware nicht gefunden"):
            tonvera.Generator(emu.port)
    with pytest.raises(tonvera.FileNotFound, match="^tonvera-emu nicht gefunden"):
        tonvera.Emulator(program=str(tmp_path / "no-emu")).start()
    with tonvera.Emulator() as emu:
        with pytest.raises(ValueError, match="null"):
            tonvera.Generator(emu.port + "\0x")
        with tonvera.Generator(emu.port) as gen:
            assert repr(gen) == f"<Generator {emu.port!r} open, position 1>"
            with pytest.raises(tonvera.DeviceBusy, match="^Anschluss .*tty kann nicht geöffnet werden: belegt") as e:
                tonvera.Generator(emu.port)
            assert isinstance(e.value, tonvera.DeviceNotFound)
    assert repr(gen) == f"<Generator {emu.port!r} closed>"


def test_emulator_ends_with_the_process_that_holds_it():
    holder = subprocess.Popen(
        [sys.executable, "-c", "import time, tonvera\n"
         "emu = tonvera.Emulator().start()\n"
         "print(emu._process.pid, emu.port, flush=True)\n"
         "time.sleep(60)\n"], stdout=subprocess.PIPE, text=True)
    pid, port = holder.stdout.readline().split()
    holder.kill()
    holder.wait()

    def ended():
        # A zombie has ended; init reaps it in its own time.
        try:
            with open(f"/proc/{pid}/stat") as f:
                return f.read().rsplit(") ", 1)[1].startswith("Z")
        except FileNotFoundError:
            return True

    assert wait_for(lambda: ended() and not os.path.lexists(os.path.dirname(port)))


def test_boot_loader_gets_the_firmware(tmp_path):
    image = bytes(range(256)) * 8
    (tmp_path / "fw.hex").write_bytes(image.hex().upper().encode() + b"\r\n")
    fw = tmp_path / "fw.bin"
    progress = []
    with tonvera.Emulator(bootloader=True, args=["--firmware-out", str(fw)]) as emu:
        with tonvera.Generator(emu.port, firmware=str(tmp_path / "fw.hex"), progress=progress.append) as gen:
            assert gen.status() == 16
        assert wait_for(fw.exists)
    assert "Initialisiere Hardware: 100 %" in progress and progress[-1] == "Hardware initialisiert"
    assert fw.read_bytes()[:len(image)] == image
