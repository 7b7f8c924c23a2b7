#!/usr/bin/env python3
"""Opens a browser-source page in a real headless Chromium and saves what it shows once the
page has drawn a picture: what streaming software would capture.

    pageshot.py URL WIDTH HEIGHT OUT.png

Talks to Chromium over its DevTools WebSocket with nothing but the standard library.
Exits non-zero, saying why, when the page shows nothing within 30 s.
"""
import base64
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time


class Socket:
    """A WebSocket client, as far as DevTools needs one: text messages, masked."""

    def __init__(self, url):
        host, port, path = re.match(r"ws://([^:/]+):(\d+)(/.*)", url).groups()
        self.sock = socket.create_connection((host, int(port)), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            head += self.sock.recv(1)
        if not head.startswith(b"HTTP/1.1 101"):
            raise RuntimeError("DevTools refused the WebSocket: " + head.decode(errors="replace"))

    def send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        head = bytes([0x81])
        if len(payload) < 126:
            head += bytes([0x80 | len(payload)])
        else:
            head += bytes([0x80 | 126]) + len(payload).to_bytes(2, "big")
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def exact(self, count):
        data = b""
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise RuntimeError("DevTools closed the connection")
            data += chunk
        return data

    def receive(self):
        message = b""
        while True:
            first, second = self.exact(2)
            length = second & 0x7F
            if length == 126:
                length = int.from_bytes(self.exact(2), "big")
            elif length == 127:
                length = int.from_bytes(self.exact(8), "big")
            message += self.exact(length)
            if first & 0x80:
                return message.decode()


class Page:
    def __init__(self, socket_url):
        self.socket = Socket(socket_url)
        self.next_id = 0

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            answer = json.loads(self.socket.receive())
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", expression=expression,
                         returnByValue=True)["result"].get("value")


def main():
    url, width, height, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    profile = tempfile.mkdtemp(prefix="kestrune-pageshot-")
    browser = subprocess.Popen(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-port=0",
         f"--user-data-dir={profile}", f"--window-size={width},{height}",
         "--hide-scrollbars", "about:blank"],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        devtools = None
        deadline = time.monotonic() + 30
        while devtools is None and time.monotonic() < deadline:
            line = browser.stderr.readline()
            found = re.search(r"DevTools listening on (ws://\S+)", line)
            devtools = found.group(1) if found else None
            if not line and browser.poll() is not None:
                sys.exit("pageshot: chromium ended before it listened")
        if devtools is None:
            sys.exit("pageshot: chromium did not start its DevTools within 30 s")
        port = re.match(r"ws://[^:]+:(\d+)/", devtools).group(1)
        targets = json.loads(subprocess.run(
            ["python3", "-c", f"import urllib.request;print(urllib.request.urlopen("
                              f"'http://127.0.0.1:{port}/json/list').read().decode())"],
            capture_output=True, text=True, check=True).stdout)
        page = Page(next(t for t in targets if t["type"] == "page")["webSocketDebuggerUrl"])
        page.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=False)
        page.call("Page.navigate", url=url)
        # A picture shown, then still for half a second: the newest one, whole.
        deadline = time.monotonic() + 30
        frames = 0
        while time.monotonic() < deadline:
            now = page.evaluate("window.kestrune ? window.kestrune.frames : 0") or 0
            if now > 0 and now == frames:
                break
            frames = now
            time.sleep(0.5)
        else:
            sys.exit(f"pageshot: {url} showed no picture within 30 s")
        shot = page.call("Page.captureScreenshot", format="png",
                         clip={"x": 0, "y": 0, "width": width, "height": height, "scale": 1})
        with open(out, "wb") as file:
            file.write(base64.b64decode(shot["data"]))
    finally:
        browser.terminate()
        browser.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
