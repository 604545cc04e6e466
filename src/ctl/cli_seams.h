#pragma once

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/event_pump.h"
#include "base/message_boxes.h"
#include "link/serial_port.h"

// The seams of the window, filled for a program that runs in a shell.

namespace m8163::ctl {

// Boxes become lines on standard error: the text, then each detail line
// indented. A question is answered Yes: scripts are not asked.
class StderrBoxes final : public MessageBoxes {
  public:
    BoxAnswer show(const MessageBox& box) override;
};

// Ctrl+C and SIGTERM are blocked for the whole run and taken only while the
// program waits, so an exchange in progress always ends cleanly and the
// program notices the request at its next wait or check.
class StopSignals {
  public:
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits `duration` in the kernel; false when a stop signal came first
    // (or had come before).
    bool wait(std::chrono::milliseconds duration);
    // Takes a stop signal that is pending; true once one has come.
    bool check() { return !wait(std::chrono::milliseconds(0)); }

  private:
    sigset_t set_{};
    bool stopped_ = false;
};

// A wait cut short by Ctrl+C or SIGTERM; the program ends with 130.
struct Interrupted : std::runtime_error {
    Interrupted() : std::runtime_error("interrupted") {}
};

// The port's wait is the kernel's; a stop signal that has come gives up a
// connection attempt to a device server (exchanges end by their time-outs).
class StopAwarePortWait final : public PortWait {
  public:
    explicit StopAwarePortWait(StopSignals& signals) : signals_(signals) {}
    short wait(int fd, short events, Deadline deadline) override {
        return waitInKernel(fd, events, deadline);
    }
    bool stopAsked() const override { return signals_.check(); }

  private:
    StopSignals& signals_;
};

// Pauses are real waits: there are no window messages to run.
class WaitingPump final : public EventPump {
  public:
    explicit WaitingPump(StopSignals& signals) : signals_(signals) {}
    void processPending() override { signals_.check(); }
    void pause(std::chrono::milliseconds duration) override;

  private:
    StopSignals& signals_;
};

// For a sequence of writes: a stop signal waits until the last one is sent,
// so that the module never keeps half of the settings.
class SleepingPump final : public EventPump {
  public:
    void processPending() override {}
    void pause(std::chrono::milliseconds duration) override;
};

// For --dry-run: no pauses at all.
class NoPausePump final : public EventPump {
  public:
    void processPending() override {}
    void pause(std::chrono::milliseconds) override {}
};

// For --dry-run: a port that keeps every frame written to it and answers a
// write of registers as the module would, so that a write operation runs
// through all its steps without a line.
class FrameRecorderPort final : public SerialPort {
  public:
    OpenResult open(const std::string&, const LineSettings&, const PortTimeouts&) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setTimeouts(const PortTimeouts&) override {}
    void purge() override {}
    unsigned clearErrors() override { return 0; }
    void clearRtsAndDtr() override {}
    void clearRtsSetDtr() override {}
    void setOptions(const PortOptions&) override {}
    bool echoes() const override { return false; }
    std::size_t write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* buffer, std::size_t size) override;

    const std::vector<std::vector<std::uint8_t>>& frames() const { return frames_; }

  private:
    bool open_ = true;
    std::vector<std::vector<std::uint8_t>> frames_;
};

// "01 10 04 16 ...": a frame as the exchange log and mbpoll show bytes.
std::string hexFrame(const std::vector<std::uint8_t>& frame);

}  // namespace m8163::ctl
