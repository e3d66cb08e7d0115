#!/usr/bin/env python3
"""An interrupted recording leaves nothing behind: `run --record` stopped by SIGINT,
SIGTERM or SIGHUP while it records removes its temporary file, and the process ends by
that signal as it would have (the shell sees 128 + the signal's number).

    interrupted_recording_test.py PANELHOST MODULE
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
FORMATS = ("webm", "mp4", "gif")


def take_signals_as_default():
    """The child takes the signals as a terminal's process would (a test run may have
    been started ignoring SIGHUP)."""
    for sig in SIGNALS:
        signal.signal(sig, signal.SIG_DFL)


def interrupt(panelhost, module, folder, ext, sig):
    """Starts a long recording into folder, signals it once its file is growing, and
    returns what is wrong (empty when nothing)."""
    scenario = os.path.join(folder, "long.scn")
    with open(scenario, "w") as out:
        out.write("place Old_COM1\nplace Airspeed_Kts\nframe 100000\n")
    record_dir = os.path.join(folder, "out")
    os.mkdir(record_dir)
    process = subprocess.Popen(
        [panelhost, "run", scenario, "--module", module, "--record", os.path.join(record_dir, "flight." + ext)],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, preexec_fn=take_signals_as_default)
    try:
        deadline = time.monotonic() + 30
        # The file grows under a temporary name; wait until pictures went into it.
        while time.monotonic() < deadline:
            names = os.listdir(record_dir)
            if names and os.path.getsize(os.path.join(record_dir, names[0])) > 0:
                break
            if process.poll() is not None:
                return "ended before it was signalled: " + process.stderr.read().decode()
            time.sleep(0.05)
        else:
            return "no temporary file grew within 30 s"
        process.send_signal(sig)
        status = process.wait(timeout=30)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    problems = []
    if status != -sig:
        problems.append("ended with status %d, not by %s" % (status, sig.name))
    left = os.listdir(record_dir)
    if left:
        problems.append("left behind: " + ", ".join(left))
    return "; ".join(problems)


def main():
    panelhost, module = sys.argv[1], sys.argv[2]
    failures = 0
    for ext in FORMATS:
        for sig in SIGNALS:
            with tempfile.TemporaryDirectory() as folder:
                problem = interrupt(panelhost, module, folder, ext, sig)
            print("%-5s %-8s %s" % (ext, sig.name, problem or "nothing left, ended by the signal"))
            failures += bool(problem)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
