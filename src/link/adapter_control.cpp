#include "link/adapter_control.h"

#include <sys/ioctl.h>

#include <cerrno>

namespace m8163 {
namespace {

class KernelAdapterControl final : public AdapterControl {
  public:
    int getRs485(int fd, serial_rs485& mode) override { return request(fd, TIOCGRS485, &mode); }
    int setRs485(int fd, const serial_rs485& mode) override {
        serial_rs485 copy = mode;  // the kernel writes back what it took
        return request(fd, TIOCSRS485, &copy);
    }
    int getSerial(int fd, serial_struct& info) override { return request(fd, TIOCGSERIAL, &info); }
    int setSerial(int fd, const serial_struct& info) override {
        serial_struct copy = info;
        return request(fd, TIOCSSERIAL, &copy);
    }

  private:
    static int request(int fd, unsigned long code, void* argument) {
        return ioctl(fd, code, argument) == 0 ? 0 : errno;
    }
};

// RTS on while sending, off after it (or the other way round), with the
// delays around the frame.
serial_rs485 rs485Mode(const serial_rs485& base, const PortOptions& options) {
    serial_rs485 mode = base;
    mode.flags |= SER_RS485_ENABLED;
    mode.flags &= ~static_cast<__u32>(SER_RS485_RTS_ON_SEND | SER_RS485_RTS_AFTER_SEND |
                                      SER_RS485_RX_DURING_TX);
    mode.flags |= options.rtsAfterSend ? SER_RS485_RTS_AFTER_SEND : SER_RS485_RTS_ON_SEND;
    mode.delay_rts_before_send = options.delayBeforeMs;
    mode.delay_rts_after_send = options.delayAfterMs;
    return mode;
}

}  // namespace

AdapterControl& kernelAdapterControl() {
    static KernelAdapterControl control;  // holds no state
    return control;
}

AdapterSetup setUpAdapter(AdapterControl& control, int fd, const PortOptions& options) {
    AdapterSetup setup;
    if (options.rs485) {
        serial_rs485 saved{};
        int error = control.getRs485(fd, saved);
        if (error == 0)
            error = control.setRs485(fd, rs485Mode(saved, options));
        if (error == 0) {
            setup.restore.rs485 = true;
            setup.restore.savedRs485 = saved;
        }
        setup.rs485Refused = error;
    }
    if (options.lowLatency) {
        serial_struct saved{};
        if (control.getSerial(fd, saved) == 0) {
            if ((saved.flags & ASYNC_LOW_LATENCY) != 0) {
                setup.lowLatency = true;
            } else {
                serial_struct wanted = saved;
                wanted.flags |= ASYNC_LOW_LATENCY;
                if (control.setSerial(fd, wanted) == 0) {
                    setup.lowLatency = true;
                    setup.restore.lowLatency = true;
                    setup.restore.savedSerial = saved;
                }
            }
        }
    }
    return setup;
}

void restoreAdapter(AdapterControl& control, int fd, const AdapterRestore& restore) {
    if (restore.lowLatency)
        control.setSerial(fd, restore.savedSerial);
    if (restore.rs485)
        control.setRs485(fd, restore.savedRs485);
}

}  // namespace m8163
