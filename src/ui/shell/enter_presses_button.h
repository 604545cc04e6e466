#pragma once

class QWidget;

// Enter and keypad Enter on a focused push button press it, as Space does:
// the keyboard rule of the platform the window's layout comes from. Qt
// gives buttons outside dialogs Space only.

namespace m8163 {

// Applies the rule to every push button under `root` at the time of the
// call; the rule lives as long as `root`.
void pressButtonsOnEnter(QWidget& root);

}  // namespace m8163
