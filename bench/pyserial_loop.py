#!/usr/bin/env python3
"""The plain client of the query benchmark, as a lab script would be written: a pyserial loop
that sends "ECHO? n" and reads its answer up to CR LF.

usage: pyserial_loop.py DEVICE COUNT    prints "lost L shifted S"
"""
import sys

import serial


def main():
    device, count = sys.argv[1], int(sys.argv[2])
    port = serial.Serial(device, 9600, timeout=1)
    lost = shifted = 0
    for n in range(count):
        port.write(("ECHO? %d\r\n" % n).encode())
        answer = port.read_until(b"\r\n")
        if not answer.endswith(b"\r\n"):
            lost += 1
        elif answer[:-2].decode("latin-1") != str(n):
            shifted += 1
    port.close()
    print("lost %d shifted %d" % (lost, shifted))


if __name__ == "__main__":
    main()
