#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/port_holders.h"
#include "link/serial_port.h"

// What the program's one port is doing, in the words of the connection bar's
// state line: the device open, or why it is not and what fixes it.

namespace m8163 {

enum class PortCondition {
    Closed,    // nothing opened yet, or closed by the program
    Open,      // the device is open
    Lost,      // the open device went away; the port reopens it when it returns
    Missing,   // the mapped path names no device
    NoAccess,  // the system refuses us the device
    Busy,      // another program holds it
    Failed,    // any other failed open
};

struct PortState {
    PortCondition condition = PortCondition::Closed;
    std::string device;                // the path opened or tried, as the user named it
    std::string description;           // Open: the adapter's product or driver
    std::string reason;                // Failed: the system's reason
    std::optional<std::string> group;  // NoAccess: the group that grants access
    std::vector<PortHolder> holders;   // Busy: who holds it
    // The device node a link such as /dev/serial/by-id/... leads to, where it
    // resolves to another name: what the kernel's messages and other tools
    // call it.
    std::string node;

    bool open() const { return condition == PortCondition::Open; }
};

// The state after an open of `device` with `result`; finds the adapter's
// name, the group or the holders as the case needs.
PortState portStateAfterOpen(const std::string& device, const OpenResult& result);

// The state line: "/dev/serial/by-id/usb-FTDI… · FTDI FT232R" for an open
// port, else why it is not open and what to do. The device is named as the
// user named it; the node it leads to is for the line's hint.
std::string portStateText(const PortState& state);

// The line's hint: the whole line, and the device node a link leads to.
std::string portStateHint(const PortState& state);
std::string portStateText(const PortState& state);

}  // namespace m8163
