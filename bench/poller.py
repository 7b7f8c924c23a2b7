#!/usr/bin/env python3
"""Polls the data as a control surface or a graphics engine does, until SECONDS have passed.

    poller.py PORT PATH CLIENTS HZ SECONDS

Each client asks HZ times a second on one kept connection (a new one when the server closes
it) and sends back the ETag it was last given, so an unchanged answer is a 304 with no body.
Prints the answers counted by status.
"""
import http.client
import sys
import threading
import time
from collections import Counter

port, path, clients, hz, seconds = (int(sys.argv[1]), sys.argv[2], int(sys.argv[3]),
                                    float(sys.argv[4]), float(sys.argv[5]))
counts = Counter()
lock = threading.Lock()


def poll():
    etag = None
    end = time.monotonic() + seconds
    next_at = time.monotonic()
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    while time.monotonic() < end:
        headers = {"If-None-Match": etag} if etag else {}
        try:
            connection.request("GET", path, headers=headers)
            answer = connection.getresponse()
            answer.read()
            etag = answer.getheader("ETag", etag)
            status = answer.status
        except (OSError, http.client.HTTPException):
            status = "error"
            connection.close()
        with lock:
            counts[status] += 1
        next_at += 1.0 / hz
        time.sleep(max(0.0, next_at - time.monotonic()))
    connection.close()


threads = [threading.Thread(target=poll) for _ in range(clients)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
print(" ".join(f"{status}:{count}" for status, count in sorted(counts.items(), key=str)))
