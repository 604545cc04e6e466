#pragma once

#include <linux/serial.h>

#include "link/port_options.h"

// The driver requests behind the port options: the kernel's RS-485 mode
// (TIOCGRS485 / TIOCSRS485) and the low-latency flag (TIOCGSERIAL /
// TIOCSSERIAL). They go through AdapterControl so that a test can record
// them and play a driver that refuses.

namespace m8163 {

class AdapterControl {
  public:
    virtual ~AdapterControl() = default;
    // Each returns 0, or the errno of the refused request.
    virtual int getRs485(int fd, serial_rs485& mode) = 0;
    virtual int setRs485(int fd, const serial_rs485& mode) = 0;
    virtual int getSerial(int fd, serial_struct& info) = 0;
    virtual int setSerial(int fd, const serial_struct& info) = 0;
};

// The requests as the kernel answers them.
AdapterControl& kernelAdapterControl();

// What an open changed on the device, to be put back at close.
struct AdapterRestore {
    bool rs485 = false;
    serial_rs485 savedRs485{};
    bool lowLatency = false;
    serial_struct savedSerial{};
};

struct AdapterSetup {
    AdapterRestore restore;
    int rs485Refused = 0;     // errno of a refused RS-485 mode, else 0
    bool lowLatency = false;  // the driver hands bytes over without its latency wait
};

// Sets the kernel's RS-485 mode as the options ask (RTS on while sending, or
// after sending, and the RTS delays), and asks for low latency unless the
// options say not to. A driver without the low-latency request (a
// pseudo-terminal, some USB chips) is passed over silently.
AdapterSetup setUpAdapter(AdapterControl& control, int fd, const PortOptions& options);

// Puts back what setUpAdapter() changed; failures are of no interest then.
void restoreAdapter(AdapterControl& control, int fd, const AdapterRestore& restore);

}  // namespace m8163
