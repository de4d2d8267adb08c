"""Lets pymodbus 3.0 load without python3-serial-asyncio.

pymodbus.client and pymodbus.server import serial_asyncio at import time even when only TCP is
used; Debian's package does not pull it in. The interoperability tests use TCP only, so a stand-in
that refuses serial connections is enough when the real module is missing.
"""
import sys
import types

try:
    import serial_asyncio  # noqa: F401
except ImportError:
    stand_in = types.ModuleType("serial_asyncio")

    def create_serial_connection(*_args, **_kwargs):
        raise RuntimeError("serial connections need python3-serial-asyncio")

    stand_in.create_serial_connection = create_serial_connection
    sys.modules["serial_asyncio"] = stand_in
