#pragma once

namespace m8163 {

// Gives the application the classic look the window's layout was drawn for:
// Qt's "Windows" style (flat panels, notebook pages in the window's own
// colour). The application owns the style.
void installWindowStyle();

}  // namespace m8163
