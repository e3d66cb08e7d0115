#!/usr/bin/python3
"""The server's CPU time per second of flight with N tabs open: each tab a raw
WebSocket client that reads everything it is sent. Figures for notes, not pass or fail.

    serve_load.py PANELHOST PANEL.cfg [TABS] [SECONDS] [SCENARIO.scn]

With a scenario, the flight plays it at speed 1."""

import base64
import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "serve"))
import serve_process  # noqa: E402


def tab(port, counts, index, stop):
    s = socket.create_connection(("127.0.0.1", port))
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall(("GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n" % key).encode())
    s.settimeout(0.5)
    while not stop.is_set():
        try:
            data = s.recv(1 << 20)
        except socket.timeout:
            continue
        if not data:
            break
        counts[index] += len(data)
    s.close()


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    panelhost, panel = sys.argv[1:3]
    tabs = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 10.0
    scenario = sys.argv[5:6]
    server = serve_process.start(panelhost, [panel] + (["--scenario", scenario[0]] if scenario else []))
    counts, stop = [0] * tabs, threading.Event()
    threads = [threading.Thread(target=tab, args=(server.port, counts, i, stop)) for i in range(tabs)]
    for t in threads:
        t.start()
    time.sleep(2)  # every tab has its first pictures
    if scenario:
        with socket.create_connection(("127.0.0.1", server.port)) as s:
            s.sendall(b"POST /api/flight?action=play&speed=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n"
                      b"Connection: close\r\n\r\n")
            assert b" 200 " in s.recv(4096)
    start_cpu, start_bytes, start = cpu_seconds(server.process.pid), sum(counts), time.monotonic()
    time.sleep(seconds)
    cpu, sent, wall = cpu_seconds(server.process.pid) - start_cpu, sum(counts) - start_bytes, time.monotonic() - start
    stop.set()
    for t in threads:
        t.join()
    server.stop()
    print("%d tabs, %.1f s of flight at 18 frames a second: server CPU %.3f s per second of flight, "
          "%.0f kB a second to each tab" % (tabs, wall, cpu / wall, sent / wall / tabs / 1000))


if __name__ == "__main__":
    main()
