#!/usr/bin/python3
"""How long `panelhost serve` takes to stop: from SIGTERM (or SIGINT) to its exit, with a
tab open, the median and the worst of N starts. Figures for notes, not pass or fail.

    serve_stop.py PANELHOST PANEL [RUNS] [SERVE_ARG...]   (--module X.gau: under Wine)"""

import os
import signal
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "serve"))
import serve_process  # noqa: E402
import ws_client  # noqa: E402


def main():
    panelhost, panel = sys.argv[1:3]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    extra = sys.argv[4:]
    for name, sig in (("SIGTERM", signal.SIGTERM), ("SIGINT", signal.SIGINT)):
        times = []
        for _ in range(runs):
            server = serve_process.start(panelhost, [panel, *extra])
            tab = ws_client.Tab(server.port, timeout=60)
            tab.read_batch()
            time.sleep(0.5)
            started = time.monotonic()
            server.process.send_signal(sig)
            try:
                server.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                server.process.kill()
            times.append(time.monotonic() - started)
            server.process.communicate()
            tab.close()
        print("%s to exit: median %.0f ms, worst %.0f ms (%d runs)" %
              (name, statistics.median(times) * 1000, max(times) * 1000, runs))


if __name__ == "__main__":
    main()
