#pragma once

// Ties the running program to its menu entry: the application id that the
// desktop file, the AppStream metadata and the Wayland app id share, and the
// window icon drawn from the menu entry's own SVG.

namespace m8163 {

// The id, without ".desktop".
const char* applicationId();

// Sets the application's name ("8163", also its X11 class, which the menu
// entry names as StartupWMClass), its desktop file name and its window
// icon. Call once the QApplication exists.
void setApplicationIdentity();

}  // namespace m8163
