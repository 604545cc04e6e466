#pragma once

class QWidget;

// Take-overs: the editors of a page read back into the register image, with
// the checks and messages of refused input. A take-over never talks to the
// module and never changes an editor; it only fills the register image and
// says whether every field was taken. A refusal shows one box (caption
// "Ошибка ввода", warning icon, OK) and ends the take-over at once: the fields
// before the refused one keep their new values, the later ones are not taken.
//
// The take-overs read the page's editors, which the page resolves once by
// name (find() below `root`: TForm1 or any widget holding controls of the same
// names and kinds); a missing control throws std::logic_error.
//
// Callers in the window:
//   takeOverExchangePage - page change reactions of "Параметры обмена"
//                          (then the page refresh), and the close sequence;
//   takeOverSensorPage   - "Записать" of "Настройки датчика", before any
//                          exchange; a refusal ends the command;
//   takeOverUserText     - "Записать" of "Настройки датчика", after the
//                          sensor page take-over; a refusal ends the command;
//   takeOverTypeName     - the covered "Записать" (Button21), before the
//                          user text.

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace m8163 {

struct AppState;
class MessageBoxes;

// The editors of the page "Параметры обмена" that its take-over reads.
struct ExchangeEditors {
    const QLineEdit& modelCode;       // Edit3
    const QLineEdit& factoryNumber1;  // Edit1
    const QLineEdit& factoryNumber2;  // Edit2
    const QComboBox& day;             // ComboBox7
    const QComboBox& month;           // ComboBox8
    const QComboBox& year;            // ComboBox9
    const QComboBox& speed;           // ComboBox4
    const QCheckBox& parityOn;        // CheckBox3
    const QCheckBox& parityEven;      // CheckBox4
    const QComboBox& networkNumber;   // ComboBox5
    const QLineEdit& hardware;        // Edit5
    const QLineEdit& software;        // Edit4
    const QComboBox& watchdog;        // ComboBox6

    static ExchangeEditors find(const QWidget& root);
};

// The editors of the page "Настройки датчика" that its take-overs read.
struct SensorEditors {
    const QLineEdit& offset;      // Edit25
    const QLineEdit& adjustment;  // Edit26
    const QComboBox& averaging;   // ComboBox17
    const QLineEdit& userText;    // Edit24
    const QLineEdit& typeName;    // Edit22

    static SensorEditors find(const QWidget& root);
};

// Reads Edit3 (model code, hexadecimal), Edit1 and Edit2 (factory number
// words, 0 ... 65535), ComboBox7 to ComboBox9 (day, month, year), ComboBox4
// (speed), CheckBox3 and CheckBox4 (parity), ComboBox5 (network number),
// Edit5 and Edit4 (hardware and software versions, low 16 bits of any signed
// 32-bit number) and ComboBox6 (watchdog) into state.image, in that order.
// A model code above 0xFFFF stores 0xFFFF and is refused. The refresh guard
// is set while it runs.
bool takeOverExchangePage(const ExchangeEditors& editors, AppState& state, MessageBoxes& boxes);

// Reads Edit25 (offset), Edit26 (adjustment) and ComboBox17 (averaging) into
// state.image.sensor. A real editor that still holds the very text shown for
// the value in the image gives that value back unchanged (readShownReal),
// whatever its form; an unreadable real stores 0 and is refused. The
// averaging is the entry whose text the list shows; a text that matches no
// entry (nothing picked yet, or typed) is refused and leaves the averaging
// as it was. The refresh guard is set while it runs.
bool takeOverSensorPage(const SensorEditors& editors, AppState& state, MessageBoxes& boxes);

// Packs the text of Edit24 into the UserText registers: the first 16
// characters, blanks after a shorter text. A character among them that has
// no Windows-1251 form (the module could only get '?') is refused, naming
// it, and nothing is packed.
bool takeOverUserText(const SensorEditors& editors, AppState& state, MessageBoxes& boxes);

// Packs the text of Edit22 into the TypeName registers (32 characters).
void takeOverTypeName(const SensorEditors& editors, AppState& state);

}  // namespace m8163
