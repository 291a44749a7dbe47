#!/usr/bin/env python3
"""Latency of new requests while the service holds many idle and slow connections.

usage: idle-probe.py HOST PORT PATH [idle] [slow] [probes] [header ...]
Opens `idle` keep-alive connections (each answered once, then silent) and `slow` connections
that send half a request and then one byte a second (reopened when the service cuts them
off), then times `probes` requests, each on a new connection, one after another.
Prints "p50-ms p99-ms max-ms answered probes cut-slow".
"""
import socket
import sys
import threading
import time


def request(path, headers, close):
    lines = [f"GET {path} HTTP/1.1", "Host: bench"] + headers
    if close:
        lines.append("Connection: close")
    return ("\r\n".join(lines) + "\r\n\r\n").encode()


def read_reply(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    while len(body) < length:
        chunk = sock.recv(65536)
        if not chunk:
            return None
        body += chunk
    return int(head.split(b" ")[1])


def main():
    host, port, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    idle_count = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
    slow_count = int(sys.argv[5]) if len(sys.argv) > 5 else 100
    probes = int(sys.argv[6]) if len(sys.argv) > 6 else 300
    headers = sys.argv[7:]

    idle = []
    for _ in range(idle_count):
        s = socket.create_connection((host, port))
        s.sendall(request(path, headers, False))
        if read_reply(s) != 200:
            sys.exit("an idle connection's first request failed")
        idle.append(s)

    stop = threading.Event()
    cut = [0]
    partial = request(path, headers + ["X-Slow: " + "x" * 4000], False)

    def slow_client():
        while not stop.is_set():
            s = None
            try:
                s = socket.create_connection((host, port))
                s.sendall(partial[:40])
                for i in range(40, len(partial)):
                    if stop.wait(1.0):
                        break
                    s.send(partial[i:i + 1])
                else:
                    continue
            except OSError:
                cut[0] += 1  # the service cut it off: open another
                continue
            finally:
                if s is not None:
                    s.close()

    slow = [threading.Thread(target=slow_client, daemon=True) for _ in range(slow_count)]
    for t in slow:
        t.start()
    time.sleep(1.5)  # every slow client has sent its first bytes

    latencies, answered = [], 0
    for _ in range(probes):
        start = time.perf_counter()
        try:
            s = socket.create_connection((host, port), timeout=5)
            s.sendall(request(path, headers, True))
            if read_reply(s) == 200:
                answered += 1
            s.close()
        except OSError:
            pass
        latencies.append((time.perf_counter() - start) * 1000)
        time.sleep(0.01)
    stop.set()
    # The idle connections are still open and answer.
    still = 0
    for s in idle[:: max(1, idle_count // 50)]:
        try:
            s.sendall(request(path, headers, False))
            still += read_reply(s) == 200
        except OSError:
            pass
    latencies.sort()
    p = lambda q: latencies[min(len(latencies) - 1, int(q * len(latencies)))]
    print(f"{p(0.5):.2f} {p(0.99):.2f} {latencies[-1]:.2f} {answered} {probes} {cut[0]} {still}")


if __name__ == "__main__":
    main()
