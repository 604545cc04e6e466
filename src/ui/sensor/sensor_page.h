#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "module/sensor_sequences.h"
#include "ui/shell/page_context.h"
#include "ui/shell/page_takeover.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The page "Настройки датчика": reads the module's sensor settings, shows
// them, and writes back averaging, offset, adjustment and user text. The
// commands are sequences in module/; the page resolves its controls once,
// wires them, and shows what the sequences give it. An editor the user
// changes is painted aqua until the next read or write clears the mark.

namespace m8163 {

class SensorPage : public QObject, public SensorView {
  public:
    // `root` holds the page's controls; lives as long as it (its QObject
    // parent). `pollingOff` switches the measured-value page's polling off.
    // Installs the decimal keys of its real fields.
    SensorPage(QWidget& root, const PageContext& context, std::function<void()> pollingOff);

    // "Прочитать" and its covered twin, which leaves the texts alone.
    void Button35Click();
    void Button20Click();
    // "Записать" and its covered twin, which also packs the type name.
    void Button36Click();
    void Button21Click();
    // Joins the catalogue choices into Edit22.
    void BitBtn1Click();

    void switchPollingOff() override;
    void showSensorSettings(const SensorDisplay& display) override;
    void clearSettingsMarks() override;
    void showTexts(const std::string& userText, const std::string& typeName) override;
    void clearEditMarks(EditMarks marks) override;
    bool takeOverSettings() override;
    bool takeOverUserText() override;
    void takeOverTypeName() override;

  private:
    SensorData data();
    void connectEditMarks();

    QWidget& root_;
    PageContext context_;
    std::function<void()> pollingOff_;
    SensorEditors editors_;
    QLineEdit& rangeMin_;          // Edit6
    QLineEdit& rangeMax_;          // Edit7
    QLineEdit& coveredOffset_;     // Edit8
    QLineEdit& coveredAdjust_;     // Edit9
    QLineEdit& offset_;            // Edit25
    QLineEdit& adjustment_;        // Edit26
    QLineEdit& userText_;          // Edit24
    QLineEdit& typeName_;          // Edit22
    QComboBox& sensorType_;        // ComboBox10
    QComboBox& coveredAveraging_;  // ComboBox11
    QComboBox& averaging_;         // ComboBox17
    QComboBox& designType_;        // ComboBox14
    QComboBox& mountingLength_;    // ComboBox15
    QComboBox& caseType_;          // ComboBox16
    QCheckBox& squareRoot_;        // CheckBox5
    QLabel& constructionMin_;      // Panel13
    QLabel& constructionMax_;      // Panel14
    QLabel& typeNameShown_;        // Panel15
    QLabel& sensorTypeShown_;      // Panel16
};

}  // namespace m8163
