#pragma once

#include "base/clock.h"
#include "base/event_pump.h"
#include "base/message_boxes.h"
#include "link/serial_port.h"
#include "protocol/transactions.h"
#include "ui/app_state.h"
#include "ui/command_guard.h"

// What a page works with: the program's state, the port and the seams. Pages
// get this instead of reaching through the window.

namespace m8163 {

struct PageContext {
    AppState& state;
    SerialPort& port;
    MessageBoxes& boxes;
    // The command pump: a pause or message pass in it ends the command once
    // a close is waiting.
    EventPump& pump;
    Clock& clock;
    CommandGuard& commands;

    ModbusLine line() const { return {port, state.connection, clock}; }
};

}  // namespace m8163
