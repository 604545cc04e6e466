#!/usr/bin/python3
"""An independent Modbus RTU slave for the tests of m8163ctl: pymodbus on one
pseudo-terminal, bridged to a second one published as a symbolic link for the
master under test.

Usage: pymodbus_slave.py LINK UNIT MODEL_CODE

Holding registers 0x0000 ... 0x05FF are zero but for the model code at 0x0400.
Prints "READY" once it serves, then "WRITE <address> <value> ..." for every
register write it carries out, with addresses as on the wire. Ends on SIGTERM
or SIGINT and removes the link.
"""

import asyncio
import os
import signal
import sys
import tty

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server.async_io import ModbusSerialServer

REGISTERS = 0x0600
MODEL_CODE_REGISTER = 0x0400


class RecordingBlock(ModbusSequentialDataBlock):
    """Holding registers that print every write."""

    def setValues(self, address, values):  # pylint: disable=invalid-name
        super().setValues(address, values)
        print("WRITE", address, *values, flush=True)


def raw_pty():
    """A pseudo-terminal without echo or line editing: (master, slave path)."""
    master, slave = os.openpty()
    tty.setraw(slave)
    return master, slave, os.ttyname(slave)


async def main(link, unit, model_code):
    block = RecordingBlock(0, [0] * REGISTERS)
    block.values[MODEL_CODE_REGISTER] = model_code
    context = ModbusServerContext(
        slaves={unit: ModbusSlaveContext(hr=block, zero_mode=True)}, single=False)

    # pymodbus serves one end, the master under test the other; the bytes
    # cross over between the two master sides.
    served_master, served_slave, served_path = raw_pty()
    outer_master, outer_slave, outer_path = raw_pty()
    loop = asyncio.get_running_loop()

    def bridge(source, target):
        def copy():
            try:
                data = os.read(source, 4096)
            except OSError:
                return  # the far end is closed for the moment
            os.write(target, data)
        loop.add_reader(source, copy)

    bridge(served_master, outer_master)
    bridge(outer_master, served_master)

    server = ModbusSerialServer(context, framer=ModbusRtuFramer, port=served_path,
                                baudrate=19200, parity="N", stopbits=1, bytesize=8)
    await server.start()
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(outer_path, link)

    stop = asyncio.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    print("READY", flush=True)
    try:
        await stop.wait()
    finally:
        os.unlink(link)
        for fd in (served_master, served_slave, outer_master, outer_slave):
            os.close(fd)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    asyncio.run(main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3], 0)))
