#pragma once

class QWidget;

// Take-overs: the editors of a page read back into the register image, with
// the checks and messages of refused input. A take-over never talks to the
// module and never changes an editor; it only fills the register image and
// says whether every field was taken. A refusal shows one box (caption
// "Ошибка ввода", warning icon, OK) and ends the take-over at once: the fields
// before the refused one keep their new values, the later ones are not taken.
//
// Controls are found by object name below `window` (TForm1 or any widget
// holding controls of the same names and kinds), so these work on any form
// laid out like the main window. A missing control throws std::logic_error.
//
// Callers in the window:
//   takeOverExchangePage - page change reactions of "Параметры обмена"
//                          (then the page refresh), and the close sequence;
//   takeOverSensorPage   - "Записать" of "Настройки датчика", before any
//                          exchange; a refusal ends the command;
//   takeOverUserText     - "Записать" of "Настройки датчика", after the
//                          sensor page take-over;
//   takeOverTypeName     - the covered "Записать" (Button21), before the
//                          user text.

namespace m8163 {

struct AppState;
class MessageBoxes;

// Reads Edit3 (model code, hexadecimal), Edit1 and Edit2 (factory number
// words, 0 ... 65535), ComboBox7 to ComboBox9 (day, month, year), ComboBox4
// (speed), CheckBox3 and CheckBox4 (parity), ComboBox5 (network number),
// Edit5 and Edit4 (hardware and software versions, low 16 bits of any signed
// 32-bit number) and ComboBox6 (watchdog) into state.image, in that order.
// A model code above 0xFFFF stores 0xFFFF and is refused. The refresh guard
// is set while it runs.
bool takeOverExchangePage(const QWidget& window, AppState& state, MessageBoxes& boxes);

// Reads Edit25 (offset), Edit26 (adjustment) and ComboBox17 (averaging) into
// state.image.sensor. An unreadable real stores 0 and is refused. The
// averaging is the entry whose text the list shows; a text that matches no
// entry (nothing picked yet, or typed) is refused and leaves the averaging
// as it was. The refresh guard is set while it runs.
bool takeOverSensorPage(const QWidget& window, AppState& state, MessageBoxes& boxes);

// Packs the text of Edit24 into the UserText registers: the first 16
// characters, blanks after a shorter text.
void takeOverUserText(const QWidget& window, AppState& state);

// Packs the text of Edit22 into the TypeName registers (32 characters).
void takeOverTypeName(const QWidget& window, AppState& state);

}  // namespace m8163
