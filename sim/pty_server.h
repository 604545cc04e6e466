#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/line.h"
#include "sim/module_model.h"

// Serves a line of simulated modules on a pseudo-terminal (or an existing
// serial device) from a background thread.
//
//   sim::ServerOptions options;
//   options.link = dir + "/port";                  // optional symlink
//   sim::PtyServer server(std::move(options));
//   server.start();                                 // throws std::runtime_error
//   open server.path() with the real termios port, talk Modbus to it
//   server.withModule(1, [](sim::ModuleModel& m) { m.faults.push_back(...); });
//   server.waitUntil([](const sim::Line& l) { return l.modules()[0].counters.blinks > 0; },
//                    std::chrono::seconds(5));
//
// The server keeps both ends of the pseudo-terminal open, so the far end can
// be closed and opened again by the code under test. A request is the bytes
// that arrive until the line is silent for 3.5 character times (at least
// 2 ms). The line's speed and parity are read from the pseudo-terminal's
// settings for every request; parity shows through INPCK (on) and PARODD
// (odd), because the kernel drops PARENB on a pseudo-terminal.
//
// Exclusive mode (TIOCEXCL) set on the far end outlives its close: the
// pseudo-terminal lives on with the server, so for anyone but root the next
// open fails with EBUSY unless the port cleared it (TIOCNXCL) before closing.

namespace m8163::sim {

struct ServerOptions {
    std::string link;                  // symlink to publish for the far end; empty: none
    std::string device;                // serve this serial device instead of a pseudo-terminal
    std::vector<ModuleModel> modules;  // empty: one module at 1, 19200, no parity
    bool pace = false;                 // send replies at the line's speed (11 bits a byte)
    bool echo = false;                 // hand back every request before any reply
    // Each reply in two bursts this far apart, cut in its middle (a USB
    // adapter's latency timer running out inside the reply); 0: at once.
    std::chrono::milliseconds burst{0};
    std::string stateFile;   // JSON of registers and counters after every request
    std::uint32_t seed = 1;  // for faults given by probability
    // Event lines (a blink), called on the server thread.
    std::function<void(const std::string&)> onEvent;
};

class PtyServer {
  public:
    explicit PtyServer(ServerOptions options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal (or opens the device), publishes the link
    // and starts serving. Throws std::runtime_error naming what failed.
    void start();
    // Stops serving, removes the link and closes everything. Idempotent.
    void stop();

    // What the code under test opens: the link if one was asked for, else the
    // far end's device name (or the served device).
    std::string path() const;
    // The far end's device name (/dev/pts/N), or the served device.
    std::string deviceName() const { return farName_; }

    // Runs `f` on the line or on the module whose own address is `address`
    // (std::out_of_range if none), under the server's lock. Changes are
    // written to the state file.
    void withLine(const std::function<void(Line&)>& f);
    void withModule(int address, const std::function<void(ModuleModel&)>& f);
    // Waits until `done` holds (checked after every request and change), or
    // the time-out passes; returns whether it holds.
    bool waitUntil(const std::function<bool(const Line&)>& done, std::chrono::milliseconds timeout);
    // Waits until the reply to the last request is all out (delays and gaps
    // included), or the time-out passes; returns whether it is.
    bool waitIdle(std::chrono::milliseconds timeout);

    // False once the served device failed (hung up, read error); see error().
    bool healthy() const;
    std::string error() const;

  private:
    void serve();
    bool readFrame(std::vector<std::uint8_t>& frame);
    LineFormat lineFormat() const;
    void send(const Reply& reply, const LineFormat& format);
    bool writeAll(const std::uint8_t* data, std::size_t size);
    bool pause(std::chrono::steady_clock::time_point until);
    void saveState();  // caller holds mutex_
    void fail(const std::string& what);

    ServerOptions options_;
    Line line_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    int fd_ = -1;      // pseudo-terminal master or the served device
    int farFd_ = -1;   // our own handle on the far end
    int stopFd_ = -1;  // eventfd that wakes the server thread
    std::string farName_;
    bool linked_ = false;
    bool running_ = false;
    bool sending_ = false;  // a reply is being sent
    std::string error_;
    std::string stateWarning_;  // first failed state-file write
    bool stateWarned_ = false;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace m8163::sim
