#pragma once

#include <QtGlobal>
#include <optional>
#include <string>
#include <vector>

// The window program takes no arguments of its own: it works in the current
// folder. Only --help and --version are answered, without touching any file,
// and anything else is refused before a window or a settings file is made.

namespace m8163 {

enum class StartRequest { Window, Help, Version, Refused };

struct CommandLine {
    StartRequest request = StartRequest::Window;
    // What to print: the help or the version on stdout, the refusal on
    // stderr; empty for the window.
    std::string text;
};

CommandLine readCommandLine(const std::vector<std::string>& arguments);

// Answers the command line before anything else is made: the help, the
// version or the refusal printed and the exit status returned (0, 0, 2), or
// 1 with one line when the environment names no display at all (no X, no
// Wayland, no Qt platform such as offscreen). Nothing when the window is to
// be opened.
std::optional<int> answerCommandLine(const std::vector<std::string>& arguments);

// While it lives, Qt's failure to open the display it was given (a fatal
// message inside the application's constructor, which would abort) ends the
// program with one line on stderr and exit status 1, and Qt's notes about
// its platform plugins are not printed; its other messages are.
class DisplayOpening {
  public:
    DisplayOpening();
    ~DisplayOpening();
    DisplayOpening(const DisplayOpening&) = delete;
    DisplayOpening& operator=(const DisplayOpening&) = delete;

  private:
    QtMessageHandler previous_;
};

}  // namespace m8163
