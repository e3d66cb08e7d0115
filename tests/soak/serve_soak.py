#!/usr/bin/python3
"""`panelhost serve` over a long flight: the flight played at 16x with five tabs reading,
serve's resident memory and open descriptors (and those of the processes it started: the
module's host, Wine's) taken at a minute of flight and at the end. It fails when memory
grows more than 5 % between the two, when descriptors grow, when a tab stops getting
frames, or when serve does not stop cleanly.

    serve_soak.py PANELHOST PANEL [--flight-minutes 60] [--measure-at 5] [--tabs 5]
                  [--speed 16] [SERVE_ARG...]      (--module X.gau: the .gau under Wine)

An hour of flight at 16x is 64,800 frames, about 4 minutes of real time."""

import argparse
import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "serve"))
import serve_process  # noqa: E402
import ws_client  # noqa: E402

GROWTH = 0.05


class Tab:
    def __init__(self, port):
        self.tab = ws_client.Tab(port, timeout=30)
        self.last, self.flight_s, self.batches, self.error = time.monotonic(), 0.0, 0, None
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        try:
            while True:
                batch = self.tab.read_batch()
                self.last = time.monotonic()
                self.batches += 1
                for message in batch:
                    if message["type"] == "state":
                        self.flight_s = message["time"]
        except (OSError, ConnectionError, ValueError) as error:
            self.error = error


def descendants(pid):
    """The processes started by pid, and theirs."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, ValueError, IndexError):
                continue
            children.setdefault(ppid, []).append(int(entry))
    out, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            out.append(child)
            todo.append(child)
    return out


def sample(pid):
    """{name (pid): (RSS in kB, descriptors)} for pid and what it started."""
    out = {}
    for p in [pid] + descendants(pid):
        try:
            with open("/proc/%d/status" % p) as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
            rss = int(fields.get("VmRSS", "0 kB").split()[0])
            fds = len(os.listdir("/proc/%d/fd" % p))
            out["%s (%d)" % (fields["Name"].strip(), p)] = (rss, fds)
        except (OSError, KeyError, ValueError):
            continue
    return out


def post(port, target):
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(b"POST " + target.encode() + b" HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: 0\r\n\r\n")
        answer = s.recv(4096)
    if b" 200 " not in answer.split(b"\r\n")[0]:
        raise AssertionError("%s answered %r" % (target, answer))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("panelhost")
    parser.add_argument("panel")
    parser.add_argument("--flight-minutes", type=float, default=60)
    parser.add_argument("--measure-at", type=float, default=5)
    parser.add_argument("--tabs", type=int, default=5)
    parser.add_argument("--speed", type=float, default=16)
    args, serve_args = parser.parse_known_args()
    end_s, mark_s = args.flight_minutes * 60, args.measure_at * 60
    # Real time the flight needs, with room for a busy machine.
    limit = end_s / args.speed * 4 + 120

    server = serve_process.start(args.panelhost, [args.panel, *serve_args])
    failures, mark, end = [], None, None
    started = time.monotonic()
    try:
        tabs = [Tab(server.port) for _ in range(args.tabs)]
        post(server.port, "/api/flight?action=play&speed=%g" % args.speed)
        while time.monotonic() - started < limit:
            time.sleep(0.5)
            flight = min(tab.flight_s for tab in tabs)
            if mark is None and flight >= mark_s:
                mark = sample(server.process.pid)
                print("at %.1f min of flight (%.0f s real):" % (flight / 60, time.monotonic() - started))
                for name, (rss, fds) in mark.items():
                    print("  %-28s RSS %7d kB, %3d descriptors" % (name, rss, fds))
            if flight >= end_s:
                break
        end = sample(server.process.pid)
        flight = min(tab.flight_s for tab in tabs)
        print("at %.1f min of flight (%.0f s real):" % (flight / 60, time.monotonic() - started))
        for name, (rss, fds) in end.items():
            print("  %-28s RSS %7d kB, %3d descriptors" % (name, rss, fds))
        if flight < end_s:
            failures.append("the flight reached %.1f of %.1f minutes in %.0f s" % (flight / 60, end_s / 60, limit))
        now = time.monotonic()
        for i, tab in enumerate(tabs):
            if tab.error is not None or now - tab.last > 5.0:
                failures.append("tab %d stopped getting frames (%s, last %.1f s ago, %d batches)" %
                                (i + 1, tab.error, now - tab.last, tab.batches))
        print("batches per tab:", [tab.batches for tab in tabs])
        if mark is not None:
            for name, (rss, fds) in mark.items():
                if name not in end:
                    continue  # a short-lived helper
                growth = (end[name][0] - rss) / rss if rss else 0.0
                print("  %-28s RSS %+.1f %%, descriptors %+d" % (name, growth * 100, end[name][1] - fds))
                if growth > GROWTH:
                    failures.append("%s grew %.1f %% from minute %g to the end" % (name, growth * 100, args.measure_at))
                if end[name][1] > fds:
                    failures.append("%s holds %d more descriptors" % (name, end[name][1] - fds))
        for tab in tabs:
            tab.tab.close()
    finally:
        code, err = server.stop()
    if code != 0:
        failures.append("serve stopped with %d: %s" % (code, err))
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
