#include "ctl/options.h"

namespace m8163::ctl {
namespace {

constexpr const char* kLineHelp =
    "Line options (before or after the subcommand):\n"
    "  --device PATH      serial device, or a device server: rfc2217://HOST:PORT\n"
    "                     or socket://HOST:PORT (default: COM port of dev.dat)\n"
    "  --com N            COM1 ... COM8 through the COM_PORTS map of dev.dat\n"
    "  --speed B          1200 2400 4800 9600 19200 38400 57600 115200\n"
    "  --parity P         none, odd or even\n"
    "  --address N        module number 0 ... 247\n"
    "  --timeout MS       fixed part of every read time-out, 0 ... 60000\n"
    "  --line-options L   adapter options, comma-separated: rs485,\n"
    "                     rs485-rts-after-send, rs485-delay-before=MS,\n"
    "                     rs485-delay-after=MS, echo, no-low-latency (default:\n"
    "                     COM_OPTIONS of dev.dat for --com; none for --device)\n"
    "  -v, --trace        every request and reply decoded on stderr: time, hex\n"
    "                     bytes, meaning, duration and result\n"
    "Defaults come from dev.dat in the working folder; without it: COM1,\n"
    "19200, no parity, module 1, 2000 ms.\n";

constexpr const char* kExitHelp =
    "Exit codes: 0 success, 1 exchange failure (its text on stderr), 2 usage or\n"
    "bad input (nothing sent), 3 port cannot be opened, 130 stopped by Ctrl+C.\n";

}  // namespace

std::string generalHelp() {
    return std::string(
               "Usage: m8163ctl [LINE OPTIONS] SUBCOMMAND [OPTIONS]\n"
               "Talks to an 8163 measuring module over Modbus RTU.\n\n"
               "Subcommands:\n"
               "  read               one measured value\n"
               "  poll               measured value cyclically, counters at the end\n"
               "  identity           model code, factory number, versions, date, exchange\n"
               "                     parameters\n"
               "  sensor             sensor configuration\n"
               "  sensor set         write averaging, offset, adjustment, user text\n"
               "  exchange set       write the module's speed, parity and module number\n"
               "  blink              make the module blink its indicator\n"
               "  scan               search the line for modules\n\n"
               "Output: readable text; --json (JSON lines for poll and scan) or --csv\n"
               "(read, poll, scan). Numbers always with \".\".\n"
               "'m8163ctl SUBCOMMAND --help' describes each subcommand; --version prints\n"
               "the version.\n\n") +
           kLineHelp + "\n" + kExitHelp;
}

std::string commandHelp(Command command) {
    std::string text;
    switch (command) {
        case Command::Read:
            text =
                "Usage: m8163ctl read [--json | --csv]\n"
                "Reads the measured value once: value, relative value, status, exchange.\n";
            break;
        case Command::Poll:
            text =
                "Usage: m8163ctl poll [--interval MS] [--count N] [--json | --csv]\n"
                "Reads the measured value, waits MS (default 1000) and reads again, one\n"
                "line per cycle, until N cycles or Ctrl+C; each line carries the time of\n"
                "its reading in ISO 8601 with the UTC offset. Then the cycle, measurement\n"
                "error and exchange error counters (on stderr with --csv). A failed\n"
                "cycle is shown with its failure and no value or status (empty in CSV,\n"
                "null in JSON, where the result bits, the exception code and the failure\n"
                "text follow) and counted, the next one comes at least 100 ms later,\n"
                "and the exit code is then 1; after Ctrl+C it is 130.\n";
            break;
        case Command::Identity:
            text =
                "Usage: m8163ctl identity [--json]\n"
                "Reads model code, factory number, software and hardware versions,\n"
                "manufacturing date and the module's exchange parameters.\n";
            break;
        case Command::Sensor:
            text =
                "Usage: m8163ctl sensor [--json]\n"
                "Reads the sensor configuration.\n";
            break;
        case Command::SensorSet:
            text =
                "Usage: m8163ctl sensor set [--averaging N] [--offset X] [--adjustment X]\n"
                "                          [--text S] [--dry-run] [--json]\n"
                "Reads the sensor configuration, changes the values given and writes\n"
                "averaging, offset and adjustment, and user text back.\n"
                "  --averaging N   1 2 4 8 16 32 64 128 256 512\n"
                "  --offset X, --adjustment X   reals with \".\"\n"
                "  --text S        up to 16 characters of Windows-1251\n"
                "  --dry-run       read, then print the frames instead of writing\n";
            break;
        case Command::ExchangeSet:
            text =
                "Usage: m8163ctl [LINE OPTIONS] exchange set --speed B --parity P\n"
                "                --address N [--dry-run] [--json]\n"
                "Writes the module's exchange parameters, follows the module to them and\n"
                "checks that it answers there. After 'set', --speed, --parity and\n"
                "--address are the new values; the line's own go before 'exchange'.\n"
                "The new module number is 1 ... 247 (0 is the broadcast address).\n"
                "  --dry-run       print the frame instead of sending it\n";
            break;
        case Command::Blink:
            text =
                "Usage: m8163ctl blink [--dry-run]\n"
                "Makes the module blink its indicator.\n";
            break;
        case Command::Scan:
            text =
                "Usage: m8163ctl scan [--speeds B,B...] [--parities P,P...] [--from N]\n"
                "                     [--to N] [--json | --csv]\n"
                "Tries every speed (ascending), module number (from ... to) and parity\n"
                "(none, odd, even) with a read of the measured value; each module that\n"
                "answers is printed, progress goes to stderr. Defaults: 9600 and 19200,\n"
                "all parities, modules 1 ... 5. Exit code 1 when none answers.\n";
            break;
    }
    return text + "\n" + kLineHelp + "\n" + kExitHelp;
}

}  // namespace m8163::ctl
