#pragma once

#include <string>

#include "base/message_boxes.h"

// The window's two log switches ("Запись обмена в файл", "Запись результатов
// измерения в файл") meet their file when they are switched on: at start-up
// and by the user's tick.

namespace m8163 {

enum class LogKind { Exchange, Measurement };

// The switch as it is to stay: a log switched on (1) whose file cannot take
// records (a FIFO, a device, a folder) is switched off (0), with one warning
// box naming the file and the reason. A switch that is off stays as it is.
int checkedLogSwitch(int logSwitch, const std::string& fileName, LogKind kind, MessageBoxes& boxes);

}  // namespace m8163
