# SPDX-License-Identifier: GPL-3.0-or-later
"""Tonvera for Python: projects, checks, simulation, rendering and the signal
generator, driven by the same core as the Tonvera window and tonvera-cli.

Every aborted command raises :class:`Error` (or a subclass) whose text is the
program's own German message.
"""

import collections.abc
import errno
import os
import shutil
import signal as _signal
import subprocess
import tempfile
import time

from ._core import (
    Calibration,
    DeviceBusy,
    DeviceNotFound,
    Error,
    FileNotFound,
    Generator,
    PlayResult,
    Presentation,
    Problem,
    Project,
    Rendering,
    SentGlobals,
    SentSignal,
    Signal,
    SignalType,
    SimulatedPosition,
    Simulation,
    TimeLimit,
    Variables,
    calibrate,
    ports,
)

__all__ = [
    "Calibration",
    "DeviceBusy",
    "DeviceNotFound",
    "Emulator",
    "Error",
    "FileNotFound",
    "Generator",
    "PlayResult",
    "Presentation",
    "Problem",
    "Project",
    "Rendering",
    "SentGlobals",
    "SentSignal",
    "Signal",
    "SignalType",
    "SimulatedPosition",
    "Simulation",
    "TimeLimit",
    "Variables",
    "calibrate",
    "ports",
]


def __dir__():
    # The module's own names only, not the helpers it imports.
    return list(__all__)


# The mapping's own methods come from the extension; the rest of a
# MutableMapping's interface (get, pop, update, ==, ...) from the mixins.
for _name in ("get", "pop", "popitem", "setdefault", "update", "__eq__", "__ne__"):
    setattr(Variables, _name, getattr(collections.abc.MutableMapping, _name))
collections.abc.MutableMapping.register(Variables)
del _name


def _emulator_program():
    """tonvera-emu: $TONVERA_EMU, then bin/ of the build this module lies in,
    then the PATH."""
    named = os.environ.get("TONVERA_EMU")
    if named:
        return named
    here = os.path.dirname(os.path.abspath(__file__))
    built = os.path.join(here, os.pardir, os.pardir, "bin", "tonvera-emu")
    if os.access(built, os.X_OK):
        return os.path.normpath(built)
    found = shutil.which("tonvera-emu")
    if found:
        return found
    raise _missing("tonvera-emu nicht gefunden")


def _missing(text):
    error = FileNotFound(text)
    error.errno = errno.ENOENT
    return error


class Emulator:
    """The device emulator tonvera-emu on a temporary link.

    Use it as a context manager; ``port`` is the link to open, for instance
    with :class:`Generator`::

        with tonvera.Emulator(log="packets.log") as emu:
            with tonvera.Generator(emu.port) as gen:
                gen.play(project)

    log: file for the emulator's packet log (one line per packet).
    bootloader: start in the boot loader (a firmware upload is needed).
    input: level of the external input at start (0 or 1).
    pace: receive no faster than the real line (115,200 baud).
    wav: file the emulator writes what it played to when it ends.
    args: further command-line options of tonvera-emu.

    The emulator runs in a session of its own, so Ctrl-C in the terminal
    reaches the script, which stops the device, and not the emulator. It ends
    with the script's process, also when that is killed, and takes its
    temporary folder with it.
    """

    port = None  # the link to open, once started

    def __init__(self, log=None, bootloader=False, input=None, pace=False, wav=None, args=(), program=None):
        self._argv = [program or _emulator_program()]
        self._options = []
        if log is not None:
            self._options += ["--log", os.fspath(log)]
        if bootloader:
            self._options.append("--bootloader")
        if input is not None:
            self._options += ["--input", "1" if input else "0"]
        if pace:
            self._options.append("--pace")
        if wav is not None:
            self._options += ["--wav", os.fspath(wav)]
        self._options += [str(a) for a in args]
        self._process = None
        self._output = None
        self._dir = None
        self.port = None

    def start(self):
        """Starts the emulator and waits until its link is in place."""
        if self._process is not None:
            return self
        self._dir = tempfile.mkdtemp(prefix="tonvera-emu-")
        self.port = os.path.join(self._dir, "tty")
        # Without a name, so nothing is left behind when the script is killed;
        # the folder then holds only the link, which the emulator removes
        # together with the folder as it ends.
        self._output = tempfile.TemporaryFile()
        try:
            self._process = subprocess.Popen(
                self._argv + ["--link", self.port, "--parent", str(os.getpid()), "--remove-link-folder"]
                + self._options,
                stdin=subprocess.PIPE,
                stdout=self._output,
                stderr=subprocess.STDOUT,
                start_new_session=True,
            )
        except FileNotFoundError:
            self.close()
            raise _missing("tonvera-emu nicht gefunden: " + self._argv[0]) from None
        deadline = time.monotonic() + 10
        while not (os.path.islink(self.port) and os.path.exists(self.port)):
            if self._process.poll() is not None:
                out = self.output()
                self.close()
                raise Error("tonvera-emu beendet: " + out.strip())
            if time.monotonic() > deadline:
                self.close()
                raise Error("tonvera-emu hat innerhalb von 10 s keinen Link angelegt")
            time.sleep(0.005)
        return self

    def command(self, line):
        """A command for the emulator: "input 0", "input 1", "status"."""
        if self._process is None or self._process.stdin is None:
            return
        self._process.stdin.write((line + "\n").encode())
        self._process.stdin.flush()

    def output(self):
        """What the emulator printed so far."""
        if self._output is None:
            return ""
        # pread leaves the offset alone that the emulator writes at.
        fd = self._output.fileno()
        return os.pread(fd, os.fstat(fd).st_size, 0).decode(errors="replace")

    def close(self):
        """Ends the emulator (it writes its log and WAV file) and removes the link."""
        if self._process is not None:
            if self._process.stdin is not None:
                self._process.stdin.close()
            if self._process.poll() is None:
                self._process.send_signal(_signal.SIGTERM)
                try:
                    self._process.wait(5)
                except subprocess.TimeoutExpired:
                    self._process.kill()
                    self._process.wait()
            self._process = None
        if self._output is not None:
            self._output.close()
            self._output = None
        if self._dir is not None:
            shutil.rmtree(self._dir, ignore_errors=True)
            self._dir = None

    def __repr__(self):
        if self._process is None:
            return "<Emulator not running>"
        return f"<Emulator {self.port!r} pid {self._process.pid}>"

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()
        return False


# Tracebacks and reprs name the package, not its extension.
for _name in __all__:
    globals()[_name].__module__ = __name__
del _name
