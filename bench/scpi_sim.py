#!/usr/bin/env python3
"""An SCPI instrument of the benchmarks' own, written apart from sim_instrument so that a
figure does not rest on one simulator. It serves a pseudo-terminal: "ECHO? n" is answered with
n, "*IDN?" with an identification, every other query with 0; commands get no answer. Every
received line is appended to the log with a timestamp in microseconds, as sim_instrument does.

usage: scpi_sim.py --log FILE    prints the terminal's name ("pts/N"), then serves until SIGTERM
"""
import os
import select
import signal
import sys
import termios
import time
import tty


def answer(line):
    header, _, argument = line.partition(" ")
    header = header.upper()
    if not header.endswith("?"):
        return None
    if header == "ECHO?":
        return argument
    if header == "*IDN?":
        return "BENCH,PYSIM,1,1.0"
    return "0"


def main():
    log_path = sys.argv[sys.argv.index("--log") + 1] if "--log" in sys.argv else None
    master, slave = os.openpty()
    tty.setraw(slave)
    attributes = termios.tcgetattr(slave)
    attributes[3] &= ~termios.ECHO
    termios.tcsetattr(slave, termios.TCSANOW, attributes)
    print(os.ttyname(slave)[len("/dev/"):], flush=True)
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(True))
    log = open(log_path, "a", buffering=1) if log_path else None
    pending = b""
    while not stopping:
        try:
            ready, _, _ = select.select([master], [], [], 0.1)
        except InterruptedError:
            continue
        if not ready:
            continue
        try:
            data = os.read(master, 4096)
        except OSError:
            continue
        pending += data
        while True:
            cut = min((i for i in (pending.find(b"\r"), pending.find(b"\n")) if i >= 0), default=-1)
            if cut < 0:
                break
            line, pending = pending[:cut].decode("latin-1"), pending[cut + 1:]
            if not line:
                continue
            if log:
                log.write("%d %s\n" % (time.monotonic_ns() // 1000, line))
            reply = answer(line)
            if reply is not None:
                os.write(master, (reply + "\r\n").encode("latin-1"))
    os.close(slave)


if __name__ == "__main__":
    main()
