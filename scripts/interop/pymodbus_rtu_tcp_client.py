#!/usr/bin/python3
"""A MODBUS master written by others (pymodbus) talking RTU framing over TCP to a slave such as
quillon-sim: reads holding registers (3), writes multiple registers (16) and asks for the slave
ID (17). Prints one "name: value" line per result, for the interoperability tests.
"""
import argparse
import logging
import sys

import modbus_compat  # noqa: F401  (must come before pymodbus)

from pymodbus.client import ModbusTcpClient
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.other_message import ReportSlaveIdRequest


def hex_words(words):
    return " ".join(f"{w:04X}" for w in words)


def describe(response):
    if response is None:
        return "none"
    if response.isError():
        return f"error {getattr(response, 'exception_code', '?')}"
    return None


def run(framer, description):
    """Runs the exchanges the arguments ask for; the two client scripts differ only in the framer."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--slave", type=int, default=1)
    parser.add_argument("--read", help="START,COUNT")
    parser.add_argument("--write", help="START,WORD,WORD,... (words as hex)")
    parser.add_argument("--ident", action="store_true")
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)

    client = ModbusTcpClient(args.host, port=args.port, framer=framer, timeout=2, retries=1)
    if not client.connect():
        print("connect: failed", flush=True)
        return 1
    try:
        if args.write:
            parts = args.write.split(",")
            start = int(parts[0], 0)
            words = [int(p, 16) for p in parts[1:]]
            response = client.write_registers(start, words, slave=args.slave)
            print("write:", describe(response) or f"ok {response.address} {response.count}", flush=True)
        if args.read:
            start, count = (int(p, 0) for p in args.read.split(","))
            response = client.read_holding_registers(start, count, slave=args.slave)
            print("read:", describe(response) or hex_words(response.registers), flush=True)
        if args.ident:
            response = client.execute(ReportSlaveIdRequest(unit=args.slave))
            if describe(response):
                print("ident:", describe(response), flush=True)
            else:
                # pymodbus keeps the run indicator as the last byte of the identifier.
                identifier = bytes(response.identifier)
                print("ident:", identifier[:-1].decode("cp1251"), flush=True)
                print("running:", "yes" if response.status else "no", flush=True)
    finally:
        client.close()
    return 0


def main():
    return run(ModbusRtuFramer, __doc__)


if __name__ == "__main__":
    sys.exit(main())
