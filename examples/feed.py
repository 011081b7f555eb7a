#!/usr/bin/env python3
"""Feeds the example panel first-panel.qxproj over UDP.

Sends a pressure (#1), a temperature in tenths of a degree (#2) and a status
text (#3) to the panel's port 127.0.0.1:15005 twice a second, and prints the
frames the panel's push buttons (#10, #11) send back to 127.0.0.1:15006.

    python3 examples/feed.py              # until Ctrl+C
    python3 examples/feed.py --count 20   # 20 rounds, then stop
"""

import argparse
import math
import select
import socket
import time

STATES = ["Pumpe läuft", "Druck steigt", "Druck stabil", "Spülen"]


def frames(step):
    pressure = 3.5 + 1.5 * math.sin(step / 6)
    tenths = 215 + round(40 * math.sin(step / 11))
    status = STATES[(step // 8) % len(STATES)]
    return f"#1F{pressure:.2f};#2F{tenths};#3S{status};".encode("utf-8")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=15005, help="the panel's port")
    ap.add_argument("--listen", type=int, default=15006, help="where the panel sends")
    ap.add_argument("--interval", type=float, default=0.5, help="seconds between rounds")
    ap.add_argument("--count", type=int, default=0, help="rounds; 0: until Ctrl+C")
    args = ap.parse_args()

    out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    back = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    back.bind((args.host, args.listen))
    step = 0
    try:
        while args.count == 0 or step < args.count:
            out.sendto(frames(step), (args.host, args.port))
            step += 1
            deadline = time.monotonic() + args.interval
            while (left := deadline - time.monotonic()) > 0:
                ready, _, _ = select.select([back], [], [], left)
                if ready:
                    data, _ = back.recvfrom(4096)
                    print("vom Panel:", data.decode("utf-8", "replace"))
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
