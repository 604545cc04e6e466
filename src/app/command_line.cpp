#include "app/command_line.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace m8163 {
namespace {

constexpr std::string_view kHelp =
    "Usage: m8163 [--help | --version]\n"
    "\n"
    "Configures and monitors the 8163 measuring module, a Modbus RTU slave on an\n"
    "RS-485 line, in a window (texts in Russian).\n"
    "\n"
    "The program takes no other arguments. It keeps its settings (dev.dat,\n"
    "recent.prf, konstr_type.prf) and its logs in the current folder; started\n"
    "from the desktop menu, in $XDG_CONFIG_HOME/m8163 (usually ~/.config/m8163).\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "m8163ctl does the module's jobs from a shell. See m8163(1), m8163ctl(1).\n";

constexpr int kExitOk = 0;
constexpr int kExitNoDisplay = 1;
constexpr int kExitUsage = 2;

bool named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
    const auto known = [](const std::string& argument) {
        return argument == "--help" || argument == "-h" || argument == "--version";
    };
    if (arguments.empty())
        return {};
    if (arguments.size() == 1 && arguments.front() == "--version")
        return {StartRequest::Version, "m8163 " M8163_VERSION "\n"};
    if (arguments.size() == 1 && known(arguments.front()))
        return {StartRequest::Help, std::string(kHelp)};
    // Nothing is half obeyed: the first word not understood is named, or,
    // when all are understood, that only one of them is taken.
    const auto unknown = std::find_if_not(arguments.begin(), arguments.end(), known);
    std::string reason = "give only one of --help and --version";
    if (unknown != arguments.end()) {
        // Bounded, so that a huge argument does not flood the terminal.
        constexpr std::size_t kShown = 200;
        std::string word = unknown->substr(0, kShown);
        if (unknown->size() > kShown)
            word += "...";
        reason = "unknown argument '" + word + "' (the program takes none)";
    }
    return {StartRequest::Refused, "m8163: " + reason + "\nTry 'm8163 --help'.\n"};
}

std::optional<int> answerCommandLine(const std::vector<std::string>& arguments) {
    const CommandLine line = readCommandLine(arguments);
    switch (line.request) {
        case StartRequest::Help:
        case StartRequest::Version:
            std::fputs(line.text.c_str(), stdout);
            return kExitOk;
        case StartRequest::Refused:
            std::fputs(line.text.c_str(), stderr);
            return kExitUsage;
        case StartRequest::Window:
            break;
    }
    if (named("DISPLAY") || named("WAYLAND_DISPLAY") || named("QT_QPA_PLATFORM"))
        return std::nullopt;
    std::fputs(
        "m8163: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not "
        "set); start it in a desktop session, or use m8163ctl from a shell\n",
        stderr);
    return kExitNoDisplay;
}

namespace {

void whileOpening(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr,
                     "m8163: cannot open the display%s%s; start it in a desktop session, or use "
                     "m8163ctl from a shell\n",
                     display != nullptr && *display != '\0' ? " " : "",
                     display != nullptr ? display : "");
        std::fflush(stderr);
        // Qt would abort after this message; nothing has been written yet.
        std::_Exit(kExitNoDisplay);
    }
    if (context.category != nullptr && std::string_view(context.category).starts_with("qt.qpa"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

}  // namespace

DisplayOpening::DisplayOpening() : previous_(qInstallMessageHandler(whileOpening)) {}

DisplayOpening::~DisplayOpening() {
    qInstallMessageHandler(previous_);
}

}  // namespace m8163
