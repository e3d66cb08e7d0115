"""Starts `panelhost serve` for a test and stops it the way a user does (SIGTERM)."""

import re
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
            _, err = self.process.communicate(timeout=START_S)
        except subprocess.TimeoutExpired:
            self.process.kill()
            _, err = self.process.communicate()
            return -1, "did not stop on SIGTERM: " + err
        return self.process.returncode, err


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
