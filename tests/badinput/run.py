#!/usr/bin/env python3
"""Feeds panelhost malformed input, case by case, and holds each run to the same bar:
no crash, no sanitizer report, no hang, exit 1 (failed) or 2 (usage), and a message on
standard output or error that names what was wrong (the file and line, or the option).

usage: run.py PANELHOST [NAME_FILTER]
Each case is made in a fresh folder; {dir} in its arguments stands for that folder."""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cases import CASES, FIFO  # noqa: E402

TIME_LIMIT_S = 60
SANITIZER = re.compile(r"AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:")


def run_case(panelhost, case):
    with tempfile.TemporaryDirectory(prefix="badinput-") as folder:
        for name, content in case.get("files", {}).items():
            path = os.path.join(folder, name)
            if content is None:
                os.makedirs(path, exist_ok=True)
                continue
            if content is FIFO:
                os.mkfifo(path)
                continue
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as out:
                out.write(content if isinstance(content, bytes) else content.encode("latin-1"))
        args = [a.replace("{dir}", folder) for a in case["args"]]
        env = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:abort_on_error=0", UBSAN_OPTIONS="print_stacktrace=1")
        try:
            done = subprocess.run([panelhost] + args, cwd=folder, env=env, capture_output=True,
                                  timeout=TIME_LIMIT_S, stdin=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            return "hung (no exit within %d s)" % TIME_LIMIT_S
        # Findings (check) go to standard output, errors and notes to standard error.
        err = (done.stdout + done.stderr).decode("utf-8", "replace").replace(folder, "{dir}")
        if SANITIZER.search(err):
            return "sanitizer report:\n" + err[-3000:]
        if done.returncode < 0:
            return "killed by signal %d" % -done.returncode
        if done.returncode != case["exit"]:
            return "exit %d, expected %d; stderr:\n%s" % (done.returncode, case["exit"], err[-1500:])
        if not re.search(case["message"], err, re.S):
            return "message does not match /%s/; stderr:\n%s" % (case["message"], err[-1500:])
        return None


def main():
    panelhost = os.path.abspath(sys.argv[1])
    wanted = sys.argv[2] if len(sys.argv) > 2 else ""
    names = [c["name"] for c in CASES]
    duplicates = {n for n in names if names.count(n) > 1}
    if duplicates:
        print("duplicate case names: %s" % ", ".join(sorted(duplicates)))
        return 1
    failed = 0
    ran = 0
    for case in CASES:
        if wanted not in case["name"]:
            continue
        ran += 1
        problem = run_case(panelhost, case)
        if problem:
            failed += 1
            print("FAIL %s: panelhost %s\n  %s" % (case["name"], " ".join(case["args"])[:200],
                                                 problem.replace("\n", "\n  ")))
    print("%d of %d bad-input cases behaved" % (ran - failed, ran))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
