#include "module/sensor_sequences.h"

#include <cmath>

#include "base/number_text.h"
#include "module/block_operations.h"
#include "module/register_codec.h"
#include "protocol/exchange_failure.h"

namespace m8163 {
namespace {

constexpr const char* kConfirmCaption = "Подтвердите действие";
constexpr const char* kResultCaption = "Результат операции";

bool confirmed(MessageBoxes& boxes, const char* question) {
    return boxes.show({question, kConfirmCaption, BoxIcon::Warning, BoxButtons::YesNo, {}}) ==
           BoxAnswer::Yes;
}

void reportSuccess(MessageBoxes& boxes, const char* text) {
    boxes.show({text, kResultCaption, BoxIcon::Information, BoxButtons::Ok, {}});
}

}  // namespace

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

void runSensorWrite(const SensorData& data, const ModbusLine& line, EventPump& pump,
                    MessageBoxes& boxes, SensorView& view, EditMarks marks) {
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
    if (!view.takeOverSettings())
        return;
    if (marks == EditMarks::Covered)
        view.takeOverTypeName();
    if (!view.takeOverUserText())
        return;
    const ExchangeStatus status = writeSensorSettings(line, pump, data.image);
    if (!status.ok()) {
        reportExchangeFailure(boxes, status);
        return;
    }
    reportSuccess(boxes, "Запись параметров датчика успешно осуществлено.");
}

std::optional<float> readShownReal(std::string_view editorText, float shown) {
    const bool shownWhole = std::isfinite(shown) && !shownInExponentForm(shown);
    if (!shownWhole && editorText == formatShownReal(shown))
        return shown;
    return readReal(editorText);
}

}  // namespace m8163
