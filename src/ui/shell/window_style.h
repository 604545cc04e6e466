#pragma once

class QPalette;

namespace m8163 {

// Gives the application the classic look the window's layout was drawn for:
// Qt's "Windows" style (flat panels, notebook pages in the window's own
// colour) with its own light palette. The desktop's palette is not taken:
// the layout's fixed colours (white and yellow panels, black texts) were
// chosen for a light one, and a dark desktop palette would leave black page
// texts on dark grey. The application owns the style.
void installWindowStyle();

// That light palette, with every role set, so that it stays the
// application's own when the desktop's palette changes.
QPalette windowPalette();

}  // namespace m8163
