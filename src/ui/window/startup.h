#pragma once

#include <exception>

#include "base/message_boxes.h"

namespace m8163 {

class LineLease;
class TForm1;

// What the window runs when it is created: loads dev.dat, then recent.prf
// with the design catalogue, from the working folder; fills the window;
// empties the found-device table and shows the search settings; enables
// what a search disables; shows the register image on the exchange page and the connection settings
// on the connection bar; opens the port and sets its control lines; switches
// polling off. An error of a settings file is shown in the standard error
// box and ends the sequence there: false, and the program ends without
// showing the half-built window or writing a settings file (a file of the
// wrong kind is refused before any of the three is written). Nothing is
// sent. A close asked for during the sequence (a signal while one of its
// boxes is open) ends that box and runs the close sequence right after a
// start-up that succeeded: the window is then closed() and is not shown.
[[nodiscard]] bool runStartupSequence(TForm1& window);

// What the window runs when the user closes it: stops polling, closes the
// port, takes the connection bar and the exchange page back into the
// settings, saves dev.dat, takes the search page's choices and saves
// recent.prf. An error of a settings file is shown as at start-up and skips
// the later steps; the window closes all the same, since a user who cannot
// remove the cause could otherwise never close it. Nothing is sent. Runs
// with the line held.
void runCloseSequence(TForm1& window, LineLease& line);

}  // namespace m8163
