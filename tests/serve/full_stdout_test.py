#!/usr/bin/python3
"""`panelhost serve` with a standard output nobody reads (a full pipe): the findings it
prints on start and after each save wait or are dropped, and the panel still reloads,
answers inputs and stops on SIGTERM at once. Once the pipe is read again the newest
findings come out.

    full_stdout_test.py PANELHOST EXAMPLE_PANEL"""

import fcntl
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

import ws_client

F_SETPIPE_SZ = 1031
WAIT_S = 20


def read_until(fd, pattern, timeout=WAIT_S):
    text = b""
    deadline = time.monotonic() + timeout
    while not re.search(pattern, text):
        ready, _, _ = select.select([fd], [], [], max(0.0, deadline - time.monotonic()))
        if not ready:
            raise AssertionError("no %r in what serve printed: %r" % (pattern, text[-2000:]))
        chunk = os.read(fd, 65536)
        if not chunk:
            raise AssertionError("serve's output closed: %r" % text[-2000:])
        text += chunk
    return text


def fill(fd):
    """Writes until the pipe takes no more, through a description of its own (opened again
    through /proc) so that serve's stays blocking."""
    mine = os.open("/proc/self/fd/%d" % fd, os.O_WRONLY | os.O_NONBLOCK)
    try:
        while True:
            os.write(mine, b"." * 512)
    except BlockingIOError:
        pass
    finally:
        os.close(mine)


def post(port, path, timeout=5.0):
    request = urllib.request.Request("http://127.0.0.1:%d/api/%s" % (port, path), method="POST")
    with urllib.request.urlopen(request, timeout=timeout) as answer:
        return answer.status


def main():
    panelhost, example = sys.argv[1:3]
    work = tempfile.mkdtemp(prefix="full_stdout_")
    folder = os.path.dirname(os.path.abspath(example))
    for name in os.listdir(folder):
        if os.path.isfile(os.path.join(folder, name)):
            shutil.copy(os.path.join(folder, name), work)
    panel = os.path.join(work, os.path.basename(example))
    out_r, out_w = os.pipe()
    fcntl.fcntl(out_w, F_SETPIPE_SZ, 4096)
    process = subprocess.Popen([panelhost, "serve", panel, "--port", "0"], stdout=out_w,
                               stderr=subprocess.DEVNULL)
    try:
        port = int(re.search(rb"at http://[^ ]+:(\d+)/", read_until(out_r, rb"at http://[^ ]+:\d+/")).group(1))
        fill(out_w)  # from here on nobody reads: the findings on start find no room

        # A save from outside: the page's tabs get the panel read again.
        with open(panel, "rb") as f:
            text = f.read()
        found = re.search(rb"(?im)^(\s*gauge\d+\s*=[^,\r\n]*,\s*)(-?\d+)", text)
        moved = text[:found.start(2)] + str(int(found.group(2)) + 3).encode() + text[found.end(2):]
        time.sleep(1.0)  # the first check's findings are printed, or wait to be
        with open(panel + ".new", "wb") as f:
            f.write(moved)
        os.rename(panel + ".new", panel)
        # The page gets the panel read again, then the checker's findings of it (which
        # serve prints as it shows them), and inputs are still answered after that.
        tab = ws_client.Tab(port)
        reloaded = checked = False
        signal.signal(signal.SIGALRM, lambda *_: (_ for _ in ()).throw(TimeoutError("no batch from the page's socket")))
        signal.alarm(WAIT_S)  # the socket's pings keep a read waiting past any socket timeout
        try:
            while not checked:
                for m in tab.read_batch():
                    reloaded = reloaded or (m.get("type") == "reload" and m.get("ok"))
                    checked = reloaded and m.get("type") == "findings" and m.get("checked")
        except (TimeoutError, ConnectionError):
            pass
        signal.alarm(0)
        assert reloaded, "the save was not read again while standard output was full"
        assert checked, "the findings of the save never reached the page while standard output was full"
        assert post(port, "flight?action=pause") == 200
        tab.close()

        # Read again: the newest findings come out.
        read_until(out_r, rb"findings? in " + re.escape(panel.encode()))

        # Full again, and stopped: it ends at once, as it would with a reader.
        fill(out_w)
        process.send_signal(signal.SIGTERM)
        code = process.wait(timeout=10)
        assert code == 0, "serve exited %d" % code
        print("serve with a full standard output: reloaded, answered and stopped")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        os.close(out_r)
        os.close(out_w)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
