#pragma once

#include <QObject>
#include <chrono>

#include "measure/measure_sequences.h"
#include "ui/shell/page_context.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

// The page "Измеренное значение": single reading, cyclic polling with its
// counters, and the measurement log switch. The commands are sequences in
// measure/; the page resolves its controls once, wires them, and shows what
// the sequences give it.

namespace m8163 {

class TrendStrip;

class MeasurePage : public QObject, public MeasureView {
  public:
    // `root` holds the page's controls; `pollingTimer` is Timer4. Lives as
    // long as the window (its QObject parent).
    MeasurePage(QWidget& root, QTimer& pollingTimer, const PageContext& context,
                std::function<bool()> firstPageActive);

    // "Прочитать однократно".
    void Button17Click();
    // "Начать циклический опрос", "Завершить циклический опрос".
    void Button18Click();
    void Button19Click();
    // "Сброс счетчиков циклов и ошибок".
    void Button16Click();
    // The polling tick.
    void Timer4Timer();
    // Measurement log switch.
    void CheckBox7Click();

    // The one writer of the polling switch: the state, the two buttons and
    // Timer4, which runs only while polling is on.
    void setPolling(bool on);
    // Switch off and no more ticks: the start of the close sequence.
    void stopForClose();

    // Polling off, counters zero, shown: the start-up state.
    void resetForStartup();

    void showPollingSwitch(bool on) override;
    void showMeasurement(const MeasurementView& view) override;
    void showCounters(const CounterTexts& texts) override;

    TrendStrip& trend() { return *trend_; }

  private:
    void pollingTick(LineLease& line);

    MeasureData data() const;

    PageContext context_;
    std::function<bool()> firstPageActive_;
    QLabel& value_;              // Panel1
    QLabel& relativeValue_;      // Panel10
    QLabel& status_;             // Panel2
    QLabel& exchange_;           // Panel3
    QLabel& cycles_;             // Label54
    QLabel& measurementErrors_;  // Label55
    QLabel& exchangeErrors_;     // Label56
    QPushButton& read_;          // Button17
    QPushButton& start_;         // Button18
    QPushButton& stop_;          // Button19
    QPushButton& reset_;         // Button16
    QCheckBox& measurementLog_;  // CheckBox7
    QTimer& timer_;              // Timer4
    TrendStrip* trend_;          // below the counters; a child of the page
    // When Timer4 was last armed, or would have been had it run freely.
    std::chrono::steady_clock::time_point timerArmed_;
};

}  // namespace m8163
