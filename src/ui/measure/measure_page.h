#pragma once

#include <QObject>
#include <chrono>

#include "measure/measure_sequences.h"
#include "ui/measure/measure_controls.h"
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
    // `controls` as the page's layout made them; `pollingTimer` is Timer4.
    // Lives as long as the page (its QObject parent).
    MeasurePage(const MeasureControls& controls, QTimer& pollingTimer, const PageContext& context,
                std::function<bool()> firstPageActive);

    // "Прочитать однократно".
    void readOnce();
    // "Начать циклический опрос", "Завершить циклический опрос".
    void startPolling();
    void stopPolling();
    // "Сброс счетчиков циклов и ошибок".
    void resetCountersAsked();
    // The polling tick.
    void pollingTimerTick();
    // Measurement log switch.
    void switchMeasurementLog();

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
