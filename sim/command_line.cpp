#include "sim/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace m8163::sim {

namespace {

struct FaultName {
    const char* name;
    FaultKind kind;
};
constexpr FaultName kFaultNames[] = {
    {"silence", FaultKind::Silence},
    {"crc", FaultKind::CorruptCrc},
    {"address", FaultKind::WrongAddress},
    {"truncate", FaultKind::Truncate},
    {"extra", FaultKind::ExtraBytes},
    {"delay", FaultKind::Delay},
    {"gap", FaultKind::Gap},
    {"exception", FaultKind::Exception},
    {"keep", FaultKind::KeepOld},
};

[[noreturn]] void bad(const std::string& message) {
    throw std::invalid_argument(message);
}

long number(const std::string& text, long low, long high, const std::string& what) {
    if (text.empty())
        bad(what + ": a number is missing");
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 0);  // decimal, or hexadecimal with 0x
    if (errno != 0 || *end != '\0')
        bad(what + ": \"" + text + "\" is not a number");
    if (value < low || value > high)
        bad(what + ": " + text + " is outside " + std::to_string(low) + " ... " +
            std::to_string(high));
    return value;
}

double probability(const std::string& text, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !(value > 0.0 && value <= 1.0))
        bad(what + ": probability \"" + text + "\" must be above 0 and at most 1");
    return value;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        std::size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos)
            return parts;
        from = at + 1;
    }
}

ModuleSetup parseModule(const std::string& text) {
    const std::string what = "--module " + text;
    std::vector<std::string> parts = split(text, ':');
    if (parts.size() > 3)
        bad(what + ": expected ADDR[:SPEED[:PARITY]]");
    ModuleSetup setup;
    setup.address = static_cast<int>(number(parts[0], 1, 247, what + ": address"));
    if (parts.size() > 1) {
        setup.format.speed = static_cast<int>(number(parts[1], 1, 115200, what + ": speed"));
        if (codeForSpeed(setup.format.speed) == 0)
            bad(what + ": speed must be one of 1200 2400 4800 9600 19200 38400 57600 115200");
    }
    if (parts.size() > 2) {
        const std::string& p = parts[2];
        if (p == "N" || p == "n") {
            setup.format.parity = kNone;
        } else if (p == "O" || p == "o") {
            setup.format.parity = kOdd;
        } else if (p == "E" || p == "e") {
            setup.format.parity = kEven;
        } else {
            bad(what + ": parity must be N, O or E");
        }
    }
    return setup;
}

// ADDR,KIND[,AMOUNT][,p=P][,n=N][,every=K][,regs=FIRST-LAST]
std::pair<int, Fault> parseFault(const std::string& text) {
    const std::string what = "--fault " + text;
    std::vector<std::string> parts = split(text, ',');
    if (parts.size() < 2)
        bad(what + ": expected ADDR,KIND[,AMOUNT][,p=P][,n=N][,every=K][,regs=A-B]");
    int address = static_cast<int>(number(parts[0], 1, 247, what + ": address"));
    Fault fault;
    bool known = false;
    for (const FaultName& f : kFaultNames) {
        if (parts[1] == f.name) {
            fault.kind = f.kind;
            known = true;
        }
    }
    if (!known)
        bad(what + ": unknown fault \"" + parts[1] +
            "\" (silence, crc, address, truncate, extra, delay, gap, exception, keep)");
    bool amountGiven = false;
    for (std::size_t i = 2; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.rfind("p=", 0) == 0) {
            fault.probability = probability(part.substr(2), what);
        } else if (part.rfind("n=", 0) == 0) {
            fault.count = static_cast<int>(number(part.substr(2), 1, 1000000000, what + ": n"));
        } else if (part.rfind("every=", 0) == 0) {
            fault.every = static_cast<int>(number(part.substr(6), 1, 1000000, what + ": every"));
        } else if (part.rfind("regs=", 0) == 0) {
            std::vector<std::string> range = split(part.substr(5), '-');
            if (range.size() != 2)
                bad(what + ": regs=FIRST-LAST expected");
            fault.first = static_cast<std::uint16_t>(number(range[0], 0, 0xFFFF, what + ": regs"));
            fault.last = static_cast<std::uint16_t>(number(range[1], 0, 0xFFFF, what + ": regs"));
            if (fault.first > fault.last)
                bad(what + ": regs: FIRST above LAST");
        } else if (!amountGiven) {
            fault.amount = static_cast<int>(number(part, 0, 60000, what + ": amount"));
            amountGiven = true;
        } else {
            bad(what + ": unexpected \"" + part + "\"");
        }
    }
    bool needsAmount = fault.kind == FaultKind::Truncate || fault.kind == FaultKind::ExtraBytes ||
                       fault.kind == FaultKind::Delay || fault.kind == FaultKind::Gap ||
                       fault.kind == FaultKind::Exception;
    if (needsAmount && !amountGiven)
        bad(what + ": this fault needs an amount");
    if (fault.kind == FaultKind::Exception && (fault.amount < 1 || fault.amount > 255))
        bad(what + ": exception code must be 1 ... 255");
    return {address, fault};
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    std::vector<ModuleSetup> setups;
    std::vector<std::pair<int, Fault>> faults;
    struct ForcedStatus {
        int address;
        std::uint16_t bits;
        std::uint64_t first = 0;
        std::uint64_t last = UINT64_MAX;
    };
    std::vector<ForcedStatus> statuses;
    bool init = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                bad(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            result.help = true;
        } else if (arg == "--link") {
            result.server.link = value();
        } else if (arg == "--device") {
            result.server.device = value();
        } else if (arg == "--module") {
            setups.push_back(parseModule(value()));
        } else if (arg == "--init") {
            init = true;
        } else if (arg == "--pace") {
            result.server.pace = true;
        } else if (arg == "--echo") {
            result.server.echo = true;
        } else if (arg == "--burst") {
            result.server.burst = std::chrono::milliseconds(number(value(), 1, 1000, arg));
        } else if (arg == "--state") {
            result.server.stateFile = value();
        } else if (arg == "--seed") {
            result.server.seed = static_cast<std::uint32_t>(number(value(), 0, 0xFFFFFFFF, arg));
        } else if (arg == "--fault") {
            faults.push_back(parseFault(value()));
        } else if (arg == "--status") {
            const std::string& text = value();
            const std::string what = "--status " + text;
            std::vector<std::string> parts = split(text, ',');
            if (parts.size() < 2 || parts.size() > 3)
                bad(what + ": expected ADDR,BITS[,requests=FIRST-LAST]");
            ForcedStatus status{static_cast<int>(number(parts[0], 1, 247, what + ": address")),
                                static_cast<std::uint16_t>(number(parts[1], 0, 0xFFFF, what))};
            if (parts.size() == 3) {
                const std::string prefix = "requests=";
                std::vector<std::string> range = parts[2].rfind(prefix, 0) == 0
                                                     ? split(parts[2].substr(prefix.size()), '-')
                                                     : std::vector<std::string>{};
                if (range.size() != 2)
                    bad(what + ": requests=FIRST-LAST expected");
                status.first = static_cast<std::uint64_t>(
                    number(range[0], 1, 0xFFFFFFFF, what + ": requests"));
                status.last = static_cast<std::uint64_t>(
                    number(range[1], 1, 0xFFFFFFFF, what + ": requests"));
                if (status.first > status.last)
                    bad(what + ": requests: FIRST above LAST");
            }
            statuses.push_back(status);
        } else {
            bad("unknown option \"" + arg + "\"");
        }
    }
    if (result.help)
        return result;
    if (result.server.link.empty() == result.server.device.empty())
        bad("give either --link PATH or --device PATH");
    if (setups.empty())
        setups.emplace_back();
    for (ModuleSetup& setup : setups)
        setup.init = init;

    auto moduleFor = [&](int address, const std::string& option) -> std::size_t {
        for (std::size_t m = 0; m < setups.size(); ++m) {
            if (setups[m].address == address)
                return m;
        }
        bad(option + ": no module at address " + std::to_string(address));
    };
    for (const ModuleSetup& setup : setups)
        result.server.modules.emplace_back(setup);
    for (const auto& [address, fault] : faults)
        result.server.modules[moduleFor(address, "--fault")].faults.push_back(fault);
    for (const ForcedStatus& status : statuses) {
        ModuleModel& module = result.server.modules[moduleFor(status.address, "--status")];
        module.setForcedStatus(status.bits, status.first, status.last);
        module.updateMeasurement(0.0);
    }
    return result;
}

std::string usage() {
    return R"(Usage: sim8163 --link PATH [options]
       sim8163 --device PATH [options]

Simulates 8163 measuring modules (Modbus RTU slaves) on a serial line.

  --link PATH       create a pseudo-terminal and publish its far end as the
                    symbolic link PATH (removed again on SIGINT or SIGTERM)
  --device PATH     serve an existing serial device instead
  --module ADDR[:SPEED[:PARITY]]
                    a module at network number ADDR (1 ... 247), SPEED bit/s
                    (1200 ... 115200, default 19200), PARITY N, O or E
                    (default N); repeatable. Default: one module, 1:19200:N
  --init            modules start in INIT mode: address 1, 19200, no parity,
                    until their exchange parameters are written
  --pace            send replies at the line's speed (11 bits a byte)
  --echo            hand back every request before its reply, as an RS-485
                    adapter whose receiver stays on while it sends
  --burst MS        send each reply in two bursts MS ms apart, cut in its
                    middle, as a USB adapter with a latency timer of MS ms
                    does when the timer runs out inside a reply
  --state FILE      write registers and counters as JSON after every request
  --seed N          seed for faults given by probability (default 1)
  --fault ADDR,KIND[,AMOUNT][,p=P][,n=N][,every=K][,regs=FIRST-LAST]
                    make module ADDR misbehave; repeatable. KIND:
                      silence          no reply
                      crc              reply with a wrong CRC
                      address          reply from another address
                      truncate,N       drop the last N bytes of the reply
                      extra,N          send N bytes more after the reply
                      delay,MS         wait MS ms before the reply
                      gap,MS           pause MS ms in the middle of the reply
                      exception,CODE   exception reply; with regs= only for
                                       requests touching those registers
                      keep             a write is answered as carried out, but
                                       the module keeps its old values; with
                                       regs= only writes touching those
                    p=P strikes with probability P, n=N only the next N
                    requests, every=K only every K-th request (K-th, 2K-th,
                    ...); without any it strikes every request
  --status ADDR,BITS[,requests=FIRST-LAST]
                    status word bits set in module ADDR, always or only for
                    its requests FIRST to LAST (counted from 1)
                    (1 break, 2 below range, 4 above range, 8 EEPROM, 16 ADC)
  --help            this text

Prints "READY <path>" once it serves, and "BLINK module A count N" each time
a module is told to blink. Numbers may be written in hexadecimal as 0x...
)";
}

}  // namespace m8163::sim
