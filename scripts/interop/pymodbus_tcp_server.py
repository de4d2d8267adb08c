#!/usr/bin/python3
"""A MODBUS slave written by others (pymodbus) that speaks standard MODBUS TCP (MBAP header, no
CRC): the counterpart the program's "MODBUS TCP/IP" link expects. Used by the interoperability
tests.

Prints "tcp: 127.0.0.1:PORT" once it accepts connections and serves until killed.
"""
import sys

import modbus_compat  # noqa: F401  (must come before pymodbus)

from pymodbus.framer.socket_framer import ModbusSocketFramer

from pymodbus_rtu_tcp_server import run

if __name__ == "__main__":
    sys.exit(run(ModbusSocketFramer, __doc__))
