#pragma once

#include <functional>

class QWidget;

namespace m8163 {

// Runs `action` once, as soon as the first paint of `window` has been
// delivered to the screen (the next turn of the event loop after the first
// paint event). Used to time start-up and to take screenshots.
void afterFirstPaint(QWidget& window, std::function<void()> action);

}  // namespace m8163
