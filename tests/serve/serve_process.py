"""Starts `panelhost serve` for a test and stops it the way a user does (SIGTERM)."""

import os
import re
import select
import signal
import subprocess
import threading
import time

START_S = 20


class Server:
    def __init__(self, process, url, port):
        self.process, self.url, self.port = process, url, port
        self.output = []  # what it printed after its address

    def read_output(self):
        try:
            for line in self.process.stdout:
                self.output.append(line)
        except (ValueError, OSError):
            pass  # stop() took the rest

    def stop(self):
        """SIGTERM; returns the exit code and what it printed on standard error."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=START_S)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return -1, "did not stop on SIGTERM: " + self.rest_of_stderr()
        return self.process.returncode, self.rest_of_stderr()

    def rest_of_stderr(self):
        """What the ended server wrote on standard error. Not read to the pipe's end, which
        may never come: with a .gau, Wine's services keep the pipe open while another Wine
        command runs in the prefix."""
        fd = self.process.stderr.fileno()
        os.set_blocking(fd, False)
        data = b""
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            if not select.select([fd], [], [], max(0.0, deadline - time.monotonic()))[0]:
                break
            try:
                chunk = os.read(fd, 65536)
            except BlockingIOError:
                break
            if not chunk:
                break
            data += chunk
        self.process.stderr.close()
        return data.decode(errors="replace")


def start(panelhost, args, port=0):
    """Serves args on port (0: any free one); retries while the port is still taken."""
    deadline = time.monotonic() + START_S
    while True:
        process = subprocess.Popen([panelhost, "serve", *args, "--port", str(port)], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        line = process.stdout.readline()
        found = re.search(r"at (http://[^ ]+:(\d+)/)", line)
        if found:
            server = Server(process, found.group(1), int(found.group(2)))
            # serve prints the findings on start and after every reload: read on, or a
            # full pipe would stall it.
            threading.Thread(target=server.read_output, daemon=True).start()
            return server
        _, err = process.communicate()
        if "cannot listen" not in err or time.monotonic() > deadline:
            raise AssertionError("serve did not start: " + line + err)
        time.sleep(0.3)
