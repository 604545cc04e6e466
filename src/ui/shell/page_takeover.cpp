#include "ui/shell/page_takeover.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/cp1251.h"
#include "base/message_boxes.h"
#include "base/number_text.h"
#include "link/line_format.h"
#include "module/field_rules.h"
#include "module/register_codec.h"
#include "module/register_image.h"
#include "module/sensor_sequences.h"
#include "ui/shell/app_state.h"
#include "ui/shell/named_control.h"
#include "ui/shell/refresh_guard.h"

namespace m8163 {
namespace {

constexpr const char* kRefusedCaption = "Ошибка ввода";

std::string editText(const QLineEdit& edit) {
    return edit.text().toStdString();
}

// A list index stored as a register: "no selection" (-1) becomes 0xFFFF.
std::uint16_t indexWord(int index) {
    return static_cast<std::uint16_t>(index);
}

bool refuse(MessageBoxes& boxes, std::string_view text) {
    boxes.show(
        MessageBox{std::string(text), kRefusedCaption, BoxIcon::Warning, BoxButtons::Ok, {}});
    return false;
}

std::optional<std::uint16_t> factoryWord(const QLineEdit& edit) {
    auto value = readWholeNumber(editText(edit));
    if (!value || *value < 0 || *value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// Without a selection in the speed list the module is given 9600 bit/s.
std::uint16_t speedCode(int index) {
    const LineFormat* format = lineFormatByListIndex(index);
    return (format != nullptr ? format : lineFormatByBitRate(9600))->moduleCode;
}

std::uint16_t parityWord(bool parityOn, bool even) {
    const Parity parity = !parityOn ? Parity::None : even ? Parity::Even : Parity::Odd;
    return static_cast<std::uint16_t>(parityCode(parity));
}

// The entry whose text the list shows; -1 when the shown text is none of
// them. The shown text of an editable list may have been typed while the
// current index still names an earlier pick.
int shownEntry(const QComboBox& list) {
    const QString shown = list.currentText().trimmed();
    if (list.currentIndex() >= 0 && list.itemText(list.currentIndex()).trimmed() == shown) {
        return list.currentIndex();
    }
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i).trimmed() == shown)
            return i;
    }
    return -1;
}

}  // namespace

ExchangeEditors ExchangeEditors::find(const QWidget& root) {
    return {namedControl<QLineEdit>(root, "Edit3"),     namedControl<QLineEdit>(root, "Edit1"),
            namedControl<QLineEdit>(root, "Edit2"),     namedControl<QComboBox>(root, "ComboBox7"),
            namedControl<QComboBox>(root, "ComboBox8"), namedControl<QComboBox>(root, "ComboBox9"),
            namedControl<QComboBox>(root, "ComboBox4"), namedControl<QCheckBox>(root, "CheckBox3"),
            namedControl<QCheckBox>(root, "CheckBox4"), namedControl<QComboBox>(root, "ComboBox5"),
            namedControl<QLineEdit>(root, "Edit5"),     namedControl<QLineEdit>(root, "Edit4"),
            namedControl<QComboBox>(root, "ComboBox6")};
}

SensorEditors SensorEditors::find(const QWidget& root) {
    return {namedControl<QLineEdit>(root, "Edit25"), namedControl<QLineEdit>(root, "Edit26"),
            namedControl<QComboBox>(root, "ComboBox17"), namedControl<QLineEdit>(root, "Edit24"),
            namedControl<QLineEdit>(root, "Edit22")};
}

bool takeOverExchangePage(const ExchangeEditors& editors, AppState& state, MessageBoxes& boxes) {
    RefreshGuardScope guard(state.refreshGuard);
    RegisterImage& image = state.image;

    constexpr const char* kModelRefused =
        "Вводимый код модели не получается представить целым числом.";
    auto model = readHex(editText(editors.modelCode));
    if (!model)
        return refuse(boxes, kModelRefused);
    if (*model > 0xFFFF) {
        image.word(reg::kModelCode) = 0xFFFF;
        return refuse(boxes, kModelRefused);
    }
    image.word(reg::kModelCode) = static_cast<std::uint16_t>(*model);

    auto factory1 = factoryWord(editors.factoryNumber1);
    auto factory2 = factoryWord(editors.factoryNumber2);
    if (!factory1 || !factory2) {
        return refuse(boxes,
                      "Вводимые данные заводского номера не получается представить целым числом.");
    }
    image.word(reg::kFactoryNumber1) = *factory1;
    image.word(reg::kFactoryNumber2) = *factory2;

    image.word(reg::kManufactureDay) = indexWord(editors.day.currentIndex() + 1);
    image.word(reg::kManufactureMonth) = indexWord(editors.month.currentIndex() + 1);
    image.word(reg::kManufactureYear) = indexWord(editors.year.currentIndex());
    image.word(reg::kSpeedCode) = speedCode(editors.speed.currentIndex());
    image.word(reg::kParityCode) =
        parityWord(editors.parityOn.isChecked(), editors.parityEven.isChecked());
    image.word(reg::kNetworkNumber) = indexWord(editors.networkNumber.currentIndex());

    auto hardware = readWholeNumber(editText(editors.hardware));
    if (!hardware) {
        return refuse(boxes,
                      "Вводимые данные версии железа не получается представить целым числом.");
    }
    image.word(reg::kHardwareVersion) = static_cast<std::uint16_t>(*hardware);

    auto software = readWholeNumber(editText(editors.software));
    if (!software) {
        return refuse(boxes, "Вводимые данные версии ПО не получается представить целым числом.");
    }
    image.word(reg::kSoftwareVersion) = static_cast<std::uint16_t>(*software);

    image.word(reg::kWatchdogTime) = indexWord(editors.watchdog.currentIndex());
    return true;
}

bool takeOverSensorPage(const SensorEditors& editors, AppState& state, MessageBoxes& boxes) {
    RefreshGuardScope guard(state.refreshGuard);
    SensorSettings& sensor = state.image.sensor;

    auto offset = readShownReal(editText(editors.offset), sensor.offset);
    sensor.offset = offset.value_or(0.0f);
    if (!offset) {
        return refuse(boxes, kOffsetRefused);
    }

    auto adjustment = readShownReal(editText(editors.adjustment), sensor.adjustment);
    sensor.adjustment = adjustment.value_or(0.0f);
    if (!adjustment) {
        return refuse(boxes, kAdjustmentRefused);
    }

    // An averaging code outside the list would reach the module as it is.
    int averaging = shownEntry(editors.averaging);
    if (averaging < 0) {
        return refuse(boxes, "Усреднение не выбрано из списка. Проверьте поле ввода.");
    }
    sensor.averaging = static_cast<std::uint16_t>(averaging);
    return true;
}

bool takeOverUserText(const SensorEditors& editors, AppState& state, MessageBoxes& boxes) {
    const std::string text = editText(editors.userText);
    if (auto character = characterWithoutCp1251(text, kUserTextCharacters)) {
        return refuse(boxes, "Символа \"" + *character +
                                 "\" нет в кодировке Windows-1251, и модуль не может его "
                                 "показать. Исправьте пользовательский текст.");
    }
    setUserText(state.image, text);
    return true;
}

void takeOverTypeName(const SensorEditors& editors, AppState& state) {
    setTypeName(state.image, editText(editors.typeName));
}

}  // namespace m8163
