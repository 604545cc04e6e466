#pragma once

#include <QObject>
#include <functional>

#include "module/sensor_sequences.h"
#include "ui/sensor/sensor_controls.h"
#include "ui/shell/page_context.h"

// The page "Настройки датчика": reads the module's sensor settings, shows
// them, and writes back averaging, offset, adjustment and user text. The
// commands are sequences in module/; the page wires the controls its layout
// made, and shows what the sequences give it. An editor the user
// changes is painted aqua until the next read or write clears the mark.

namespace m8163 {

// What the user entered for "Записать", as the page's controls show it.
SensorEntry readSensorEntry(const SensorControls& controls);

class SensorPage : public QObject, public SensorView {
  public:
    // `controls` as the page's layout made them; lives as long as the page
    // (its QObject parent). `pollingOff` switches the measured-value page's
    // polling off. Installs the decimal keys of its real fields.
    SensorPage(const SensorControls& controls, const PageContext& context,
               std::function<void()> pollingOff);

    // "Прочитать" and its covered twin, which leaves the texts alone.
    void readSensorSettings();
    void readSensorSettingsCovered();
    // "Записать" and its covered twin, which also packs the type name.
    void writeSensorSettings();
    void writeSensorSettingsCovered();
    // "Скопировать": joins the catalogue choices into the type name field.
    void copyTypeName();

    void switchPollingOff() override;
    void showSensorSettings(const SensorDisplay& display) override;
    void clearSettingsMarks() override;
    void showTexts(const std::string& userText, const std::string& typeName) override;
    void clearEditMarks(EditMarks marks) override;

  private:
    SensorData data();
    void write(EditMarks marks);
    void connectEditMarks();

    SensorControls c_;
    PageContext context_;
    std::function<void()> pollingOff_;
};

}  // namespace m8163
