#pragma once

#include <QObject>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

// The page "Измеренное значение": single reading, cyclic polling with its
// counters, and the switches of the two log files. It finds its controls in
// the window by name, connects them by pointer and runs the commands on the
// window's state, port and seams.

namespace m8163 {

class TForm1;

class MeasurePage : public QObject {
  public:
    // Wires the page into the window and shows the polling switch and the
    // counters; lives as long as the window (its QObject parent).
    explicit MeasurePage(TForm1& window);

    // "Прочитать однократно".
    void Button17Click();
    // "Начать циклический опрос", "Завершить циклический опрос".
    void Button18Click();
    void Button19Click();
    // "Сброс счетчиков циклов и ошибок".
    void Button16Click();
    // The polling tick.
    void Timer4Timer();
    // Measurement log and exchange log switches.
    void CheckBox7Click();
    void CheckBox6Click();

    void showMeasurement(std::uint16_t status, unsigned exchangeResult);
    void showCounters();
    // Button18 enabled exactly when polling is off, Button19 when it is on.
    void showPollingSwitch();

  private:
    TForm1& window_;
    QLabel& value_;              // Panel1
    QLabel& relativeValue_;      // Panel10
    QLabel& status_;             // Panel2
    QLabel& exchange_;           // Panel3
    QLabel& cycles_;             // Label54
    QLabel& measurementErrors_;  // Label55
    QLabel& exchangeErrors_;     // Label56
    QPushButton& start_;         // Button18
    QPushButton& stop_;          // Button19
    QCheckBox& measurementLog_;  // CheckBox7
    QCheckBox& exchangeLog_;     // CheckBox6
    QTimer& timer_;              // Timer4
};

}  // namespace m8163
