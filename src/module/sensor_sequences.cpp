#include "module/sensor_sequences.h"

#include <cmath>

#include "base/cp1251.h"
#include "base/number_text.h"
#include "base/standard_boxes.h"
#include "module/block_operations.h"
#include "module/field_rules.h"
#include "module/register_codec.h"
#include "protocol/exchange_failure.h"

namespace m8163 {

SensorDisplay sensorDisplay(const SensorSettings& sensor) {
    return {formatShownReal(sensor.rangeMin),
            formatShownReal(sensor.rangeMax),
            formatShownReal(sensor.offset),
            formatShownReal(sensor.adjustment),
            sensor.sensorType,
            formatShownReal(sensor.constructionRangeMin),
            formatShownReal(sensor.constructionRangeMax),
            squareRootOn(sensor),
            sensor.averaging};
}

void runSensorRead(const SensorData& data, const ModbusLine& line, EventPump& pump,
                   MessageBoxes& boxes, SensorView& view, SensorReadTexts texts) {
    view.switchPollingOff();
    data.settingsRead = true;
    const ExchangeStatus status = readSensorSettings(line, pump, data.image);
    if (!status.ok()) {
        reportExchangeFailure(boxes, status);
        return;
    }
    view.showSensorSettings(sensorDisplay(data.image.sensor));
    // The fills raised the change reactions; let what they queued run before
    // the marks are cleared.
    pump.processPending();
    view.clearSettingsMarks();
    if (texts == SensorReadTexts::Shown)
        view.showTexts(userText(data.image), typeName(data.image));
    reportSuccess(boxes, "Чтение параметров датчика успешно осуществлено.");
}

void runSensorWrite(const SensorData& data, const SensorEntry& entry, const ModbusLine& line,
                    EventPump& pump, MessageBoxes& boxes, SensorView& view, EditMarks marks) {
    // Before the questions: even a No leaves the marks cleared.
    view.clearEditMarks(marks);
    if (!data.settingsRead) {
        // Asked once after start-up, whatever the answer.
        data.settingsRead = true;
        if (!confirmed(boxes, "Данные настроек еще ни разу не считывались, продолжить?"))
            return;
    }
    if (!confirmed(boxes, "Данные канала будут переписаны."))
        return;
    if (!takeOverSensorEntry(entry, data.image.sensor, boxes))
        return;
    if (marks == EditMarks::Covered)
        setTypeName(data.image, entry.typeName);
    if (!takeOverUserText(entry.userText, data.image, boxes))
        return;
    const ExchangeStatus status = writeSensorSettings(line, pump, data.image);
    if (!status.ok()) {
        reportExchangeFailure(boxes, status);
        return;
    }
    reportSuccess(boxes, "Запись параметров датчика успешно осуществлено.");
}

bool takeOverSensorEntry(const SensorEntry& entry, SensorSettings& sensor, MessageBoxes& boxes) {
    auto offset = readShownReal(entry.offset, sensor.offset);
    sensor.offset = offset.value_or(0.0f);
    if (!offset)
        return refuseInput(boxes, std::string(kOffsetRefused));

    auto adjustment = readShownReal(entry.adjustment, sensor.adjustment);
    sensor.adjustment = adjustment.value_or(0.0f);
    if (!adjustment)
        return refuseInput(boxes, std::string(kAdjustmentRefused));

    // An averaging code outside the list would reach the module as it is.
    if (entry.averaging < 0)
        return refuseInput(boxes, "Усреднение не выбрано из списка. Проверьте поле ввода.");
    sensor.averaging = static_cast<std::uint16_t>(entry.averaging);
    return true;
}

bool takeOverUserText(const std::string& text, RegisterImage& image, MessageBoxes& boxes) {
    if (auto character = characterWithoutCp1251(text, kUserTextCharacters)) {
        return refuseInput(boxes, "Символа \"" + *character +
                                      "\" нет в кодировке Windows-1251, и модуль не может его "
                                      "показать. Исправьте пользовательский текст.");
    }
    setUserText(image, text);
    return true;
}

std::optional<float> readShownReal(std::string_view editorText, float shown) {
    const bool shownWhole = std::isfinite(shown) && !shownInExponentForm(shown);
    if (!shownWhole && editorText == formatShownReal(shown))
        return shown;
    return readReal(editorText);
}

}  // namespace m8163
