"""A bare WebSocket client for the serve tests: frames built by hand, so that a test can
also send the ones a browser never would (unmasked, reserved bits, bad UTF-8)."""

import base64
import json
import os
import socket
import struct

OP_TEXT, OP_BINARY, OP_CLOSE, OP_PING, OP_PONG = 0x1, 0x2, 0x8, 0x9, 0xA


def frame(opcode, payload=b"", mask=True, rsv=0, fin=True):
    head = bytes([(0x80 if fin else 0) | (rsv << 4) | opcode])
    size = len(payload)
    bit = 0x80 if mask else 0
    if size < 126:
        head += bytes([bit | size])
    elif size < 65536:
        head += bytes([bit | 126]) + struct.pack(">H", size)
    else:
        head += bytes([bit | 127]) + struct.pack(">Q", size)
    if not mask:
        return head + payload
    key = os.urandom(4)
    return head + key + bytes(b ^ key[i % 4] for i, b in enumerate(payload))


class Tab:
    """One WebSocket to /ws; raises on a refused handshake."""

    def __init__(self, port, timeout=10.0, rcvbuf=None, headers=None):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        if rcvbuf:
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
        self.sock.settimeout(timeout)
        self.sock.connect(("127.0.0.1", port))
        if headers is None:
            headers = {"Sec-WebSocket-Key": base64.b64encode(os.urandom(16)).decode(), "Sec-WebSocket-Version": "13"}
        request = "GET /ws HTTP/1.1\r\nHost: localhost\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        request += "".join("%s: %s\r\n" % item for item in headers.items()) + "\r\n"
        self.sock.sendall(request.encode())
        self.buffer = b""
        while b"\r\n\r\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed during the handshake: %r" % self.buffer)
            self.buffer += chunk
        head, _, self.buffer = self.buffer.partition(b"\r\n\r\n")
        self.status = int(head.split(b" ")[1])
        if self.status != 101:
            raise ConnectionRefusedError("handshake answered %d: %r" % (self.status, head + self.buffer))

    def _take(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise ConnectionError("closed")
            self.buffer += chunk
        out, self.buffer = self.buffer[:n], self.buffer[n:]
        return out

    def read_frame(self):
        """(opcode, payload) of the next frame; raises ConnectionError once closed."""
        first, second = self._take(2)
        size = second & 0x7F
        if size == 126:
            size = struct.unpack(">H", self._take(2))[0]
        elif size == 127:
            size = struct.unpack(">Q", self._take(8))[0]
        if second & 0x80:
            raise AssertionError("the server masked a frame")
        return first & 0x0F, self._take(size)

    def read_batch(self):
        """The next text message as its list of messages; pings are answered, as a
        browser does."""
        while True:
            opcode, payload = self.read_frame()
            if opcode == OP_TEXT:
                return json.loads(payload)
            if opcode == OP_PING:
                self.sock.sendall(frame(OP_PONG, payload))
            if opcode == OP_CLOSE:
                raise ConnectionError("closed by the server: %r" % payload)

    def read_close(self):
        """The close code and reason the server sends next, skipping any other frame."""
        while True:
            opcode, payload = self.read_frame()
            if opcode == OP_CLOSE:
                return (struct.unpack(">H", payload[:2])[0] if len(payload) >= 2 else None), payload[2:].decode()

    def send(self, data):
        self.sock.sendall(data)

    def close(self):
        self.sock.close()
