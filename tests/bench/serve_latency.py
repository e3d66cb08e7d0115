#!/usr/bin/python3
"""What `panelhost serve` costs a user, end to end: the time from starting serve to the
first page picture (the first WebSocket batch with every shown gauge's picture), and the
round trip of one input (a click on COM1's kHz knob, POSTed as the page does, until its
answer, and until the new picture arrives over the WebSocket), the median of N clicks.
Figures are for notes, never for pass or fail.

    serve_latency.py PANELHOST PANEL [CLICKS] [SERVE_ARG...]   (--module X.gau: under Wine)
"""

import base64
import json
import os
import re
import signal
import socket
import statistics
import subprocess
import sys
import time


def ws_connect(port):
    s = socket.create_connection(("127.0.0.1", port), timeout=60)
    key = base64.b64encode(os.urandom(16)).decode()
    s.sendall(("GET /ws HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n" % (port, key)).encode())
    head = b""
    while b"\r\n\r\n" not in head:
        head += s.recv(1)
    assert b" 101 " in head.split(b"\r\n")[0], head
    return s


def read_exact(s, n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            raise EOFError("the server closed the WebSocket")
        data += chunk
    return data


def ws_message(s):
    """The next text message (the server's frames are not masked)."""
    message = b""
    while True:
        first, second = read_exact(s, 2)
        length = second & 0x7F
        if length == 126:
            length = int.from_bytes(read_exact(s, 2), "big")
        elif length == 127:
            length = int.from_bytes(read_exact(s, 8), "big")
        payload = read_exact(s, length)
        opcode = first & 0x0F
        if opcode in (1, 0):
            message += payload
            if first & 0x80:
                return json.loads(message)
        elif opcode == 8:
            raise EOFError("the server closed the WebSocket")


def post(port, what, query):
    with socket.create_connection(("127.0.0.1", port), timeout=60) as s:
        s.sendall(("POST /api/%s?%s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                   % (what, query)).encode())
        answer = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            answer += chunk
    status = answer.split(b"\r\n")[0]
    assert b" 200 " in status, answer[:300]


def main():
    panelhost, panel = sys.argv[1:3]
    clicks = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    extra = sys.argv[4:]
    start = time.monotonic()
    process = subprocess.Popen([panelhost, "serve", panel, "--port", "0", *extra], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    try:
        line = process.stdout.readline()
        found = re.search(r"at http://[^ ]+:(\d+)/", line)
        assert found, "serve did not start: " + line + process.stderr.read()
        listening = time.monotonic() - start
        port = int(found.group(1))
        ws = ws_connect(port)
        batch = ws_message(ws)
        first_picture = time.monotonic() - start
        layout = next(m for m in batch if m["type"] == "layout")
        pictures = sum(1 for m in batch if m["type"] == "gauge")
        print("serve %s: listening after %.0f ms, first page picture (%d gauges) after %.0f ms"
              % (" ".join(extra) or "(Linux build)", listening * 1000, pictures, first_picture * 1000))
        post(port, "flight", "action=pause")
        com1 = next((g["id"] for g in layout["gauges"] if g["name"] == "Old_COM1"), None)
        if com1 is None:
            radios = next(w["ident"] for w in layout["windows"] if w["title"] == "Radio Stack")
            post(port, "window", "ident=%d&action=open" % radios)
        while com1 is None:  # the layout with the radio stack open
            for m in ws_message(ws):
                if m["type"] == "layout":
                    com1 = next((g["id"] for g in m["gauges"] if g["name"] == "Old_COM1"), None)
        post(port, "click", "gauge=%d&x=20&y=105" % com1)  # COM1 on
        answers, pictures_back = [], []
        for i in range(clicks):
            sent = time.monotonic()
            post(port, "click", "gauge=%d&x=%d&y=75" % (com1, 205 if i % 2 == 0 else 194))
            answers.append(time.monotonic() - sent)
            while not any(m["type"] == "gauge" and m["id"] == com1 for m in ws_message(ws)):
                pass
            pictures_back.append(time.monotonic() - sent)
        print("one click on COM1's kHz knob, median of %d: answered in %.2f ms, new picture in %.2f ms"
              % (clicks, statistics.median(answers) * 1000, statistics.median(pictures_back) * 1000))
        ws.close()
    finally:
        process.send_signal(signal.SIGTERM)
        stopping = time.monotonic()
        _, err = process.communicate(timeout=60)
        print("stopped in %.0f ms, exit %d: %s" % ((time.monotonic() - stopping) * 1000, process.returncode,
                                                    err.strip().splitlines()[-1] if err.strip() else ""))


if __name__ == "__main__":
    main()
