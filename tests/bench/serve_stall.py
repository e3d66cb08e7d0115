#!/usr/bin/python3
"""The figures of tests/serve/load_test.py for notes: click answer times over new and
kept-alive connections and the other tabs' batches a second, before and while one tab
stalls, 300 idle connections and a 50-socket slowloris are held open.

    serve_stall.py PANELHOST PANEL [SECONDS OF ATTACK]"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "serve"))
import load_test  # noqa: E402

if __name__ == "__main__":
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 13.0
    load_test.report(load_test.measure(sys.argv[1], sys.argv[2], seconds))
