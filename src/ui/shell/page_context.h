#pragma once

#include "base/clock.h"
#include "base/event_pump.h"
#include "base/message_boxes.h"
#include "ui/shell/app_state.h"
#include "ui/shell/command_guard.h"

// What a page works with: the program's state and the seams. Pages get this
// instead of reaching through the window. The port is not among them: a
// command reaches it only through the line lease the guard hands out.

namespace m8163 {

struct PageContext {
    AppState& state;
    MessageBoxes& boxes;
    // The command pump: a pause or message pass in it ends the command once
    // a close is waiting.
    EventPump& pump;
    Clock& clock;
    CommandGuard& commands;
};

}  // namespace m8163
