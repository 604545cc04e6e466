#pragma once

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "ser2net_server.h"

// The other serial device servers Linux users run, each serving one device
// to the tests on a free local port through socat's `fork` listener (as
// inetd would start them): sredird (RFC 2217, one process per connection)
// and socat's raw bridge of the device (plain TCP).

namespace m8163::sim::test {

class SocatServer {
  public:
    enum class Kind { Sredird, RawBridge };

    SocatServer(Kind kind, const std::string& folder, const std::string& device)
        : kind_(kind), folder_(folder), device_(device), port_(freeLoopbackPort()) {}

    static bool installed(Kind kind) {
        const bool socat = !findProgram("socat").empty();
        if (kind == Kind::RawBridge)
            return socat;
        return socat &&
               (!findProgram("sredird").empty() || ::access("/usr/sbin/sredird", X_OK) == 0);
    }

    std::string url() const {
        return std::string(kind_ == Kind::Sredird ? "rfc2217" : "socket") +
               "://127.0.0.1:" + std::to_string(port_);
    }

    // Starts socat and waits until it listens.
    void start() {
        const std::string listen =
            "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork";
        std::string serve;
        if (kind_ == Kind::Sredird) {
            std::string sredird = findProgram("sredird");
            if (sredird.empty())
                sredird = "/usr/sbin/sredird";
            // Log level 5; its UUCP lock file in the test's folder.
            serve = "EXEC:" + sredird + " 5 " + device_ + " " + folder_ + "/LCK..sredird";
        } else {
            serve = "FILE:" + device_ + ",raw,echo=0";
        }
        process_ = startServer({findProgram("socat"), listen, serve}, {port_});
    }
    void stop() { stopServer(process_); }
    ~SocatServer() { stop(); }

  private:
    Kind kind_;
    std::string folder_;
    std::string device_;
    int port_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace m8163::sim::test
