#!/usr/bin/python3
"""A MODBUS master written by others (pymodbus) talking standard MODBUS TCP (MBAP header, no CRC)
to a slave such as quillon-sim --mbap: reads holding registers (3), writes multiple registers
(16) and asks for the slave ID (17). Prints one "name: value" line per result, for the
interoperability tests.
"""
import sys

import modbus_compat  # noqa: F401  (must come before pymodbus)

from pymodbus.framer.socket_framer import ModbusSocketFramer

from pymodbus_rtu_tcp_client import run

if __name__ == "__main__":
    sys.exit(run(ModbusSocketFramer, __doc__))
