#!/usr/bin/env python3
"""The PyVISA client of the query benchmark, as a lab script would be written: pyvisa with its
pure-Python backend (pyvisa-py) sends "ECHO? n" to TCPIP::HOST::INSTR (VXI-11) and reads the
answer.

usage: pyvisa_loop.py HOST COUNT    prints "lost L shifted S"
"""
import sys

import pyvisa


def main():
    host, count = sys.argv[1], int(sys.argv[2])
    instrument = pyvisa.ResourceManager("@py").open_resource("TCPIP::%s::INSTR" % host)
    instrument.timeout = 1000
    instrument.read_termination = "\r\n"
    instrument.write_termination = "\n"
    lost = shifted = 0
    for n in range(count):
        try:
            answer = instrument.query("ECHO? %d" % n)
        except pyvisa.errors.VisaIOError:
            lost += 1
            continue
        if answer != str(n):
            shifted += 1
    instrument.close()
    print("lost %d shifted %d" % (lost, shifted))


if __name__ == "__main__":
    main()
