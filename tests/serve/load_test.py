#!/usr/bin/python3
"""`panelhost serve` while clients misbehave: one tab that stops reading, 300 idle
connections and a 50-socket slowloris (a byte a second), all held open at once, with the
flight playing at 16x. Clicks must still be answered, over new connections and kept-alive
ones alike, the other tabs must keep their frames, the stalled tab must get everything
whole once it reads again, a tab that never reads must be closed, and the slowloris must
be timed out. The figures are printed;
the checks are generous bounds that only the faults they are named after break (the old
server took 30-75 s to answer, starved the other tabs, and cost 44 ms a kept-alive
request). tests/bench/serve_stall.py prints the same figures for notes.

    load_test.py PANELHOST PANEL"""

import socket
import statistics
import subprocess
import sys
import threading
import time

import serve_process
import ws_client

IDLE, SLOWLORIS = 300, 50
PER_ADDRESS = 256  # connections one address may hold, the tabs apart
TAB_IDLE_S = 20  # a tab that neither reads nor answers pings for this long is closed
CLICK = b"POST /api/click?gauge=3&x=9&y=9 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n"


class LiveTab:
    """A tab that reads everything, counting its batches."""

    def __init__(self, port):
        self.tab = ws_client.Tab(port)
        self.times, self.layouts, self.error = [], 0, None
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        try:
            while True:
                batch = self.tab.read_batch()
                self.times.append(time.monotonic())
                self.layouts += any(message["type"] == "layout" for message in batch)
        except (OSError, ConnectionError, ValueError) as error:
            self.error = error

    def rate(self, start, end):
        return sum(start <= t < end for t in self.times) / (end - start)


def answer_time(sock, request):
    """Seconds from sending a request to having its answer's head and body."""
    started = time.monotonic()
    sock.sendall(request)
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            raise ConnectionError("closed before answering")
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = int(head.lower().split(b"content-length:")[1].split(b"\r\n")[0])
    while len(body) < length:
        body += sock.recv(65536)
    if b" 200 " not in head.split(b"\r\n")[0]:
        raise AssertionError("answered %r" % head.split(b"\r\n")[0])
    return time.monotonic() - started


def clicks(port, count):
    """Answer times of count clicks on new connections, then of count on one kept-alive one."""
    fresh = []
    for _ in range(count):
        with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
            fresh.append(answer_time(s, CLICK))
    kept = []
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        for _ in range(count):
            kept.append(answer_time(s, CLICK))
    return fresh, kept


def hold_idle(port, sockets):
    for _ in range(IDLE):
        try:
            sockets.append(socket.create_connection(("127.0.0.1", port), timeout=5))
        except OSError:
            pass  # refused or timed out: the server guarding itself


def slowloris(port, stop, closed):
    """A request head sent a byte a second; counts the sockets the server closed."""
    sockets = []
    for _ in range(SLOWLORIS):
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=5)
            s.sendall(b"GET / HTTP/1.1\r\n")
            s.setblocking(False)
            sockets.append(s)
        except OSError:
            closed.append(None)
    while not stop.is_set() and sockets:
        for s in list(sockets):
            try:
                if s.recv(4096) == b"":
                    raise ConnectionError
            except BlockingIOError:
                try:
                    s.send(b"X")
                    continue
                except OSError:
                    pass
            except OSError:
                pass
            closed.append(s)
            sockets.remove(s)
            s.close()
        stop.wait(1.0)
    for s in sockets:
        s.close()


def server_connections(port):
    """The connections the server holds open on its port."""
    out = subprocess.run(["ss", "-tnH", "state", "established", "( sport = :%d )" % port], capture_output=True,
                         text=True).stdout
    return len(out.splitlines())


def closed_by_server(sock):
    sock.setblocking(False)
    try:
        return sock.recv(4096) == b""
    except BlockingIOError:
        return False
    except OSError:
        return True


def summary(times):
    times = sorted(times)
    return "median %.1f ms, max %.1f ms" % (statistics.median(times) * 1000, times[-1] * 1000)


def measure(panelhost, panel, attack_s=13.0):
    """Runs the whole scene; returns the figures."""
    server = serve_process.start(panelhost, [panel])
    port = server.port
    figures = {}
    idle, closed = [], []
    stop = threading.Event()
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
            answer_time(s, b"POST /api/flight?action=play&speed=16 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n")
        tabs = [LiveTab(port) for _ in range(3)]
        first = tabs[0]
        time.sleep(1.0)
        figures["fresh_before"], figures["kept_before"] = clicks(port, 20)
        start = time.monotonic()  # the frames alone, without the clicks' batches
        time.sleep(3.0)
        figures["rate_before"] = min(tab.rate(start, start + 3.0) for tab in tabs)

        # The attack: a tab that stops reading (with a small receive window, so it is
        # soon behind), the idle connections and the slowloris.
        stalled = ws_client.Tab(port, rcvbuf=4096)
        never_reads = ws_client.Tab(port, rcvbuf=4096)
        never_reads_from = time.monotonic()
        snapshot = stalled.read_batch()
        whole = {m["id"] for m in snapshot if m["type"] == "gauge" and m["whole"]}
        live_from = len(first.times)
        hold_idle(port, idle)
        loris = threading.Thread(target=slowloris, args=(port, stop, closed), daemon=True)
        loris.start()
        attack = time.monotonic()
        time.sleep(1.0)
        figures["held"] = server_connections(port)
        figures["fresh_during"], figures["kept_during"] = clicks(port, 20)
        after_clicks = time.monotonic()
        time.sleep(max(0.0, attack + attack_s - time.monotonic()))
        figures["rate_during"] = min(tab.rate(after_clicks, attack + attack_s) for tab in tabs)
        figures["slowloris_closed"] = len(closed)
        figures["idle_held"] = len(idle)
        figures["idle_closed"] = sum(closed_by_server(s) for s in idle)

        # The stalled tab reads again: it gets a batch with the layout and every gauge
        # whole, as a tab that has just connected does, having missed batches on the way.
        stalled.sock.settimeout(20)
        got, deadline, caught_up = 0, time.monotonic() + 20, False
        while not caught_up and time.monotonic() < deadline:
            batch = stalled.read_batch()
            got += 1
            caught_up = any(m["type"] == "layout" for m in batch) and whole <= {
                m["id"] for m in batch if m["type"] == "gauge" and m["whole"]}
        figures["stalled_caught_up"] = caught_up
        figures["stalled_batches"] = got
        figures["live_batches"] = len(first.times) - live_from
        stalled.close()
        # The tab that never read (nor answered a ping) has been closed: what the
        # server had sent it is there, then the end.
        time.sleep(max(0.0, never_reads_from + TAB_IDLE_S + 3.0 - time.monotonic()))
        never_reads.sock.settimeout(1.0)
        figures["never_reads_closed"], deadline = False, time.monotonic() + 5.0
        try:
            while time.monotonic() < deadline and not figures["never_reads_closed"]:
                figures["never_reads_closed"] = never_reads.sock.recv(1 << 20) == b""
        except ConnectionResetError:
            figures["never_reads_closed"] = True
        except socket.timeout:
            pass
        never_reads.close()
        figures["tabs_alive"] = sum(tab.error is None and tab.thread.is_alive() for tab in tabs)
    finally:
        stop.set()
        for s in idle:
            s.close()
        started = time.monotonic()
        figures["exit"] = server.stop()
        figures["stop_ms"] = (time.monotonic() - started) * 1000
    return figures


def report(figures):
    print("clicks before, new connections:  ", summary(figures["fresh_before"]))
    print("clicks before, kept alive:       ", summary(figures["kept_before"]))
    print("clicks during, new connections:  ", summary(figures["fresh_during"]))
    print("clicks during, kept alive:       ", summary(figures["kept_during"]))
    print("batches a second per tab (the slowest of 3): before %.1f, during %.1f" %
          (figures["rate_before"], figures["rate_during"]))
    print("slowloris sockets closed by the server: %d of %d" % (figures["slowloris_closed"], SLOWLORIS))
    print("connections the server held, one second into the attack: %d (at most %d an address, and the tabs)" %
          (figures["held"], PER_ADDRESS))
    print("idle sockets opened: %d of %d, closed by the server by the end: %d" %
          (figures["idle_held"], IDLE, figures["idle_closed"]))
    print("stalled tab caught up with everything whole: %s, after %d batches (a live tab had %d)" %
          (figures["stalled_caught_up"], figures["stalled_batches"], figures["live_batches"]))
    print("a tab that never read was closed:", figures["never_reads_closed"])
    print("live tabs at the end: %d of 3; stopped in %.0f ms, %r" %
          (figures["tabs_alive"], figures["stop_ms"], figures["exit"]))


def main():
    panelhost, panel = sys.argv[1:3]
    figures = measure(panelhost, panel)
    report(figures)
    failures = []
    if max(figures["fresh_during"] + figures["kept_during"]) > 5.0:
        failures.append("one stalled tab, idle sockets and a slowloris stalled the clicks")
    if statistics.median(figures["kept_during"]) > statistics.median(figures["fresh_during"]) + 0.030:
        failures.append("keep-alive costs more than a new connection")
    if figures["rate_during"] < figures["rate_before"] / 4:
        failures.append("one tab that never reads starved the others")
    if figures["held"] > PER_ADDRESS + 5:
        failures.append("the server held %d connections from one address" % figures["held"])
    if figures["slowloris_closed"] < SLOWLORIS:
        failures.append("the slowloris was not timed out")
    if not figures["stalled_caught_up"]:
        failures.append("a tab that fell behind did not get its pictures whole again")
    if not figures["never_reads_closed"]:
        failures.append("a tab that never reads was never dropped")
    if figures["tabs_alive"] != 3:
        failures.append("a live tab was dropped")
    if figures["exit"][0] != 0:
        failures.append("serve stopped with %r" % (figures["exit"],))
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
