#pragma once

#include <QString>

namespace m8163 {

class TForm1;

// Saves the window as PNG to `pattern`; a "{page}" in it saves each notebook
// page, with the page's index in its place. Prints each file name saved to.
// False when a file could not be written.
bool saveWindowPictures(TForm1& window, const QString& pattern);

}  // namespace m8163
