#pragma once

#include "base/message_boxes.h"
#include "link/com_port_map.h"
#include "link/connection_settings.h"
#include "link/port_state.h"
#include "link/serial_devices.h"
#include "link/serial_port.h"

// Opening and closing the program's one serial port by COM number.

namespace m8163 {

// The line format the connection settings stand for.
inline LineSettings lineSettings(const ConnectionSettings& settings) {
    return {settings.speed, settings.parity};
}

// Closes whatever the port held, then opens COM<portNumber> (numbers outside
// 1 ... 8 open COM1) through the name-to-device map: 8 data bits, one stop
// bit and the parity of `line` (odd and even with checking); read
// interval and multiplier from the speed, constant `timeoutMs`; RTS and DTR
// off (the open raised them). A failed open shows the error box with the
// device and the system's reason, and what the user can do: for a missing
// device the serial devices present and how to map one, for a busy one the
// processes that hold it, for a refused one the group that grants access.
// The port is then closed, so every exchange fails until the next
// successful open. Gives the port's state after the open (a failed open
// also leaves its words on the port for the box of an exchange that tries
// it). The adapter options of the COM number go with the open;
// a device that refuses the RS-485 mode they ask for is told of in a warning
// box once (the port stays open).
// `picker` says how the box's reader picks another device.
PortState openPort(SerialPort& port, const ComPortMap& map, int portNumber,
                   const LineSettings& line, int timeoutMs, MessageBoxes& boxes,
                   PortPicker picker = PortPicker::Chooser);

void closePort(SerialPort& port);

// The time-outs a freshly opened port gets: interval = multiplier from the
// speed, constant = timeoutMs, no write time-out.
PortTimeouts openingTimeouts(int speed, int timeoutMs);

}  // namespace m8163
