#pragma once

#include <QObject>

#include "ui/page_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

// The connection bar above the notebook: port, speed, module number, the
// parity boxes, "Помигать", "Выставить INIT" and the exchange log switch.

namespace m8163 {

class ConnectionBar : public QObject {
  public:
    // `root` holds the bar's controls; lives as long as it (its QObject parent).
    ConnectionBar(QWidget& root, const PageContext& context);

    // Exchange log switch.
    void CheckBox6Click();

    // While a search runs the bar's connection controls are disabled.
    void setSearchLock(bool locked);

  private:
    PageContext context_;
    QComboBox& port_;         // ComboBox1
    QComboBox& speed_;        // ComboBox2
    QComboBox& module_;       // ComboBox3
    QCheckBox& parityOn_;     // CheckBox1
    QCheckBox& parityEven_;   // CheckBox2
    QLabel& caption_;         // Label5
    QCheckBox& exchangeLog_;  // CheckBox6
    QPushButton& blink_;      // Button2
    QPushButton& init_;       // Button15
};

}  // namespace m8163
