#!/usr/bin/python3
"""A MODBUS slave written by others (pymodbus) that speaks RTU framing, CRC included, over TCP:
the counterpart the program's "MODBUS TCP" link expects. Used by the interoperability tests.

Prints "tcp: 127.0.0.1:PORT" once it accepts connections and serves until killed.
"""
import argparse
import asyncio
import logging
import socket
import sys

import modbus_compat  # noqa: F401  (must come before pymodbus)

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartAsyncTcpServer


def free_port(host):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind((host, 0))
        return probe.getsockname()[1]


def initial_registers(text):
    """The register values to start from: "START=WORD,WORD,..." with START decimal or 0x-hex and
    the words in hex; none: zeros everywhere."""
    registers = [0] * 65536
    if text:
        start, words = text.split("=", 1)
        at = int(start, 0)
        for word in words.split(","):
            registers[at] = int(word, 16)
            at += 1
    return registers


async def serve(args, framer):
    # zero_mode: register N of a request is entry N of the block, as the MODBUS data model
    # numbers holding registers on the wire.
    block = ModbusSequentialDataBlock(0, initial_registers(args.registers))
    slave = ModbusSlaveContext(hr=block, zero_mode=True)
    # What report slave ID (0x11) answers with: pymodbus appends the run indicator itself.
    slave.reportSlaveIdData = args.id.encode("cp1251")
    context = ModbusServerContext(slaves={args.slave: slave}, single=False)
    port = args.port or free_port(args.host)
    server = await StartAsyncTcpServer(
        context=context, address=(args.host, port), framer=framer, defer_start=True,
        ignore_missing_slaves=True)
    task = asyncio.create_task(server.serve_forever())
    for _ in range(200):
        if server.server is not None:
            break
        await asyncio.sleep(0.01)
    print(f"tcp: {args.host}:{port}", flush=True)
    await task


def run(framer, description):
    """Serves with the framer given until killed; the two server scripts differ only in it."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--slave", type=int, default=1)
    parser.add_argument("--id", default="4242 PY v1.00 2024-02-29")
    parser.add_argument("--registers", help="START=WORD,WORD,... (words as hex) to start from")
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)
    try:
        asyncio.run(serve(args, framer))
    except KeyboardInterrupt:
        pass
    return 0


def main():
    return run(ModbusRtuFramer, __doc__)


if __name__ == "__main__":
    sys.exit(main())
