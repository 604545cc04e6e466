#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/event_pump.h"
#include "base/message_boxes.h"
#include "module/register_image.h"
#include "protocol/transactions.h"

// The commands of the sensor-settings page ("Прочитать", "Записать" and
// their covered twins) as sequences over the register image, the line, the
// pump and a small view that the page implements, so that their order is
// tested without a window.

namespace m8163 {

// The sensor settings as the page shows them: reals in their display form,
// list entries as indexes (the page decides what an index without an entry
// shows).
struct SensorDisplay {
    std::string rangeMin;              // Edit6
    std::string rangeMax;              // Edit7
    std::string offset;                // Edit8 and Edit25
    std::string adjustment;            // Edit9 and Edit26
    std::uint16_t sensorType = 0;      // ComboBox10, and its text in Panel16
    std::string constructionRangeMin;  // Panel13
    std::string constructionRangeMax;  // Panel14
    bool squareRoot = false;           // CheckBox5
    std::uint16_t averaging = 0;       // ComboBox11 and ComboBox17

    bool operator==(const SensorDisplay&) const = default;
};

SensorDisplay sensorDisplay(const SensorSettings& sensor);

// Which edit marks "Записать" clears before its questions.
enum class EditMarks {
    All,      // Button36: every editor of the page
    Covered,  // Button21: the covered editors only
};

class SensorView {
  public:
    virtual ~SensorView() = default;
    // The polling switch of the measured-value page goes off.
    virtual void switchPollingOff() = 0;
    // Fills the editors and panels of the settings; their change reactions
    // mark the editors.
    virtual void showSensorSettings(const SensorDisplay& display) = 0;
    // Paints the editors that showSensorSettings() filled white.
    virtual void clearSettingsMarks() = 0;
    // Edit24 gets the user text and is painted white; Panel15 the type name.
    virtual void showTexts(const std::string& userText, const std::string& typeName) = 0;
    virtual void clearEditMarks(EditMarks marks) = 0;
};

// What the user entered on the page for "Записать", as the page reads it.
struct SensorEntry {
    std::string offset;      // Edit25
    std::string adjustment;  // Edit26
    // ComboBox17: the entry whose text the list shows; -1 when the shown
    // text is none of them (nothing picked yet, or typed).
    int averaging = -1;
    std::string userText;  // Edit24
    std::string typeName;  // Edit22
};

// Take-overs: what the user entered into the register image, with the checks
// and messages of refused input. A refusal shows one box (caption "Ошибка
// ввода", warning icon, OK) and ends the take-over at once: the fields before
// the refused one keep their new values, the later ones are not taken.

// Offset, adjustment and averaging into `sensor`. A real that still holds
// the very text shown for the value in the image gives that value back
// unchanged (readShownReal), whatever its form; an unreadable real stores 0
// and is refused. An averaging of -1 is refused and leaves the averaging as
// it was.
bool takeOverSensorEntry(const SensorEntry& entry, SensorSettings& sensor, MessageBoxes& boxes);

// Packs `text` into the UserText registers: the first 16 characters, blanks
// after a shorter text. A character among them that has no Windows-1251 form
// (the module could only get '?') is refused, naming it, and nothing is
// packed.
bool takeOverUserText(const std::string& text, RegisterImage& image, MessageBoxes& boxes);

// What the sensor commands work on.
struct SensorData {
    RegisterImage& image;
    // Cleared at start-up; set by the first read or write that looks at it.
    bool& settingsRead;
};

// The read's twins differ in the texts: the covered one leaves them alone.
enum class SensorReadTexts { Shown, Left };

// "Прочитать": polling off, the five block reads; a failure shows its one
// box and leaves the page as it was; otherwise the page shows the settings
// and the success box follows.
void runSensorRead(const SensorData& data, const ModbusLine& line, EventPump& pump,
                   MessageBoxes& boxes, SensorView& view, SensorReadTexts texts);

// "Записать": marks cleared, the questions, the take-overs of `entry` (a
// refusal ends the command before any exchange), the three block writes, the
// success box. The covered twin (EditMarks::Covered) also packs the type
// name.
void runSensorWrite(const SensorData& data, const SensorEntry& entry, const ModbusLine& line,
                    EventPump& pump, MessageBoxes& boxes, SensorView& view, EditMarks marks);

// The value of a real editor of the page that "Записать" sends: while the
// editor still holds the very text shown for the value read (`shown`) and
// that text does not carry the value whole (a large value in the exponent
// form, "nan", "inf", "-inf"), the value read, unchanged; else what
// readReal() makes of the text (nullopt when it is no number), so that a
// value shown in the fixed form keeps the rounding of its text.
std::optional<float> readShownReal(std::string_view editorText, float shown);

}  // namespace m8163
