#include "ui/page_takeover.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "base/message_boxes.h"
#include "base/number_text.h"
#include "link/line_format.h"
#include "module/register_codec.h"
#include "module/register_image.h"
#include "ui/app_state.h"
#include "ui/named_control.h"

namespace m8163 {
namespace {

constexpr const char* kRefusedCaption = "Ошибка ввода";

// Sets the refresh guard for a take-over and gives back the value it had, so
// that a take-over inside a refresh leaves the refresh's guard standing.
class GuardScope {
  public:
    explicit GuardScope(bool& guard) : guard_(guard), before_(guard) { guard_ = true; }
    ~GuardScope() { guard_ = before_; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

  private:
    bool& guard_;
    bool before_;
};

std::string editText(const QWidget& window, const char* name) {
    return namedControl<QLineEdit>(window, name).text().toStdString();
}

int listIndex(const QWidget& window, const char* name) {
    return namedControl<QComboBox>(window, name).currentIndex();
}

bool checked(const QWidget& window, const char* name) {
    return namedControl<QCheckBox>(window, name).isChecked();
}

// A list index stored as a register: "no selection" (-1) becomes 0xFFFF.
std::uint16_t indexWord(int index) {
    return static_cast<std::uint16_t>(index);
}

bool refuse(MessageBoxes& boxes, const char* text) {
    boxes.show(MessageBox{text, kRefusedCaption, BoxIcon::Warning, BoxButtons::Ok, {}});
    return false;
}

std::optional<std::uint16_t> factoryWord(const QWidget& window, const char* name) {
    auto value = readWholeNumber(editText(window, name));
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

bool takeOverExchangePage(const QWidget& window, AppState& state, MessageBoxes& boxes) {
    GuardScope guard(state.refreshGuard);
    RegisterImage& image = state.image;

    constexpr const char* kModelRefused =
        "Вводимый код модели не получается представить целым числом.";
    auto model = readHex(editText(window, "Edit3"));
    if (!model)
        return refuse(boxes, kModelRefused);
    if (*model > 0xFFFF) {
        image.word(reg::kModelCode) = 0xFFFF;
        return refuse(boxes, kModelRefused);
    }
    image.word(reg::kModelCode) = static_cast<std::uint16_t>(*model);

    auto factory1 = factoryWord(window, "Edit1");
    auto factory2 = factoryWord(window, "Edit2");
    if (!factory1 || !factory2) {
        return refuse(boxes,
                      "Вводимые данные заводского номера не получается представить целым числом.");
    }
    image.word(reg::kFactoryNumber1) = *factory1;
    image.word(reg::kFactoryNumber2) = *factory2;

    image.word(reg::kManufactureDay) = indexWord(listIndex(window, "ComboBox7") + 1);
    image.word(reg::kManufactureMonth) = indexWord(listIndex(window, "ComboBox8") + 1);
    image.word(reg::kManufactureYear) = indexWord(listIndex(window, "ComboBox9"));
    image.word(reg::kSpeedCode) = speedCode(listIndex(window, "ComboBox4"));
    image.word(reg::kParityCode) =
        parityWord(checked(window, "CheckBox3"), checked(window, "CheckBox4"));
    image.word(reg::kNetworkNumber) = indexWord(listIndex(window, "ComboBox5"));

    auto hardware = readWholeNumber(editText(window, "Edit5"));
    if (!hardware) {
        return refuse(boxes,
                      "Вводимые данные версии железа не получается представить целым числом.");
    }
    image.word(reg::kHardwareVersion) = static_cast<std::uint16_t>(*hardware);

    auto software = readWholeNumber(editText(window, "Edit4"));
    if (!software) {
        return refuse(boxes, "Вводимые данные версии ПО не получается представить целым числом.");
    }
    image.word(reg::kSoftwareVersion) = static_cast<std::uint16_t>(*software);

    image.word(reg::kWatchdogTime) = indexWord(listIndex(window, "ComboBox6"));
    return true;
}

bool takeOverSensorPage(const QWidget& window, AppState& state, MessageBoxes& boxes) {
    GuardScope guard(state.refreshGuard);
    SensorSettings& sensor = state.image.sensor;

    auto offset = readReal(editText(window, "Edit25"));
    sensor.offset = offset.value_or(0.0f);
    if (!offset) {
        return refuse(boxes,
                      "Данные смещения не удается представить числом. Проверьте поле ввода.");
    }

    auto adjustment = readReal(editText(window, "Edit26"));
    sensor.adjustment = adjustment.value_or(0.0f);
    if (!adjustment) {
        return refuse(boxes,
                      "Данные подстройки не удается представить числом. Проверьте поле ввода.");
    }

    // An averaging code outside the list would reach the module as it is.
    int averaging = shownEntry(namedControl<QComboBox>(window, "ComboBox17"));
    if (averaging < 0) {
        return refuse(boxes, "Усреднение не выбрано из списка. Проверьте поле ввода.");
    }
    sensor.averaging = static_cast<std::uint16_t>(averaging);
    return true;
}

void takeOverUserText(const QWidget& window, AppState& state) {
    setUserText(state.image, editText(window, "Edit24"));
}

void takeOverTypeName(const QWidget& window, AppState& state) {
    setTypeName(state.image, editText(window, "Edit22"));
}

}  // namespace m8163
