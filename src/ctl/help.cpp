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
               "  scan               search the line for modules\n"
               "  save FILE          keep the module's settings in a JSON file\n"
               "  restore FILE       write a saved file's settings, then read them back\n\n"
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
        case Command::Save:
            text =
                "Usage: m8163ctl [LINE OPTIONS] save FILE [--address LIST]\n"
                "Reads the module's identity, exchange parameters and sensor settings as\n"
                "the pages do and writes them as one JSON document to FILE (through a\n"
                "temporary file, so FILE is never left half written); - writes to\n"
                "standard output. A line per module on standard output.\n"
                "  --address LIST  modules to save, e.g. 1,3,5-9 (default: the line's);\n"
                "                  FILE then names each with {address} (module number)\n"
                "                  or {factory} (factory number, as 123-456)\n"
                "Exit code 1 when a module could not be read or its file written; the\n"
                "others are saved all the same.\n";
            break;
        case Command::Restore:
            text =
                "Usage: m8163ctl [LINE OPTIONS] restore FILE [--address LIST] [--exchange]\n"
                "                [--force] [--yes] [--dry-run]\n"
                "Writes averaging, offset, adjustment and user text of a saved FILE (- for\n"
                "standard input) with the sensor page's write sequence, reads them back\n"
                "and compares. The file is checked first: a value outside the limits of\n"
                "the pages is refused with exit 2 and nothing is sent. A module of another\n"
                "model code than the file's is not written (exit 2).\n"
                "  --address LIST  modules to restore, e.g. 1,3,5-9 (default: the line's),\n"
                "                  the same file to each, a line per module\n"
                "  --exchange      also write speed, parity and network number, follow the\n"
                "                  module to them and read it back there (one module); on a\n"
                "                  terminal it asks first\n"
                "  --yes           ask nothing\n"
                "  --force         write a module of another model code too\n"
                "  --dry-run       print the frames instead of sending anything\n"
                "Exit code 0 when every value read back equals the file's; 1 when a\n"
                "module failed or holds other values (named on stderr), the others are\n"
                "restored all the same; 2 as above.\n";
            break;
    }
    return text + "\n" + kLineHelp + "\n" + kExitHelp;
}

}  // namespace m8163::ctl
