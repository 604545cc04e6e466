#include "ui/measure_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "measure/measured_value.h"
#include "measure/measurement_log.h"
#include "measure/polling.h"
#include "protocol/exchange_failure.h"
#include "ui/main_window.h"

namespace m8163 {

namespace {

QColor colourOf(PanelColour colour) {
    switch (colour) {
        case PanelColour::White:
            return QColor(255, 255, 255);
        case PanelColour::Yellow:
            return QColor(255, 255, 0);
        case PanelColour::ButtonFace:
            break;
    }
    return QApplication::palette().color(QPalette::Button);
}

void paint(QLabel& panel, PanelColour colour) {
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, colourOf(colour));
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
}

void setText(QLabel& label, const std::string& text) {
    label.setText(QString::fromStdString(text));
}

}  // namespace

MeasurePage::MeasurePage(TForm1& window)
    : QObject(&window),
      window_(window),
      value_(window.control<QLabel>("Panel1")),
      relativeValue_(window.control<QLabel>("Panel10")),
      status_(window.control<QLabel>("Panel2")),
      exchange_(window.control<QLabel>("Panel3")),
      cycles_(window.control<QLabel>("Label54")),
      measurementErrors_(window.control<QLabel>("Label55")),
      exchangeErrors_(window.control<QLabel>("Label56")),
      start_(window.control<QPushButton>("Button18")),
      stop_(window.control<QPushButton>("Button19")),
      measurementLog_(window.control<QCheckBox>("CheckBox7")),
      exchangeLog_(window.control<QCheckBox>("CheckBox6")),
      timer_(window.timer(4)) {
    setObjectName(QStringLiteral("MeasurePage"));
    // A coarse timer may fire up to 5 % early or late; the cycle is meant to
    // be the interval plus the tick's own time.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&window.control<QPushButton>("Button17"), &QPushButton::clicked, this,
            &MeasurePage::Button17Click);
    connect(&start_, &QPushButton::clicked, this, &MeasurePage::Button18Click);
    connect(&stop_, &QPushButton::clicked, this, &MeasurePage::Button19Click);
    connect(&window.control<QPushButton>("Button16"), &QPushButton::clicked, this,
            &MeasurePage::Button16Click);
    connect(&timer_, &QTimer::timeout, this, &MeasurePage::Timer4Timer);
    // Only the user's clicks change the switches; the program ticking the
    // boxes to show a loaded value does not.
    connect(&measurementLog_, &QCheckBox::clicked, this, &MeasurePage::CheckBox7Click);
    connect(&exchangeLog_, &QCheckBox::clicked, this, &MeasurePage::CheckBox6Click);
    showPollingSwitch();
    showCounters();
}

void MeasurePage::Button17Click() {
    AppState& state = window_.state();
    const ModbusLine line{window_.port(), state.connection, window_.clock()};
    const ExchangeStatus status = readMeasuredValue(line, state.measurement);
    if (!status.ok()) {
        reportExchangeFailure(window_.boxes(), status);
        return;
    }
    showMeasurement(state.measurement.izmerr, state.measurement.exerr & 0xFFFFu);
    appendMeasurementLine(state.measurementLog, state.measurement, window_.clock());
    window_.boxes().show({"Прочитано измеренное значение.",
                          "Результат операции",
                          BoxIcon::Information,
                          BoxButtons::Ok,
                          {}});
}

void MeasurePage::Button18Click() {
    startPolling(window_.state().polling);
    showPollingSwitch();
}

void MeasurePage::Button19Click() {
    stopPolling(window_.state().polling);
    showPollingSwitch();
}

void MeasurePage::Button16Click() {
    // The box has only OK, so the reset always follows it. Polling goes on.
    if (window_.boxes().show(resetCountersBox()) != BoxAnswer::Ok)
        return;
    resetCounters(window_.state().polling);
    showCounters();
}

void MeasurePage::Timer4Timer() {
    // Stopped for the whole tick, so that ticks never overlap, even when a
    // slow exchange outlasts the interval.
    timer_.stop();
    AppState& state = window_.state();
    if (applyPageRule(state.polling, window_.notebook().currentIndex() == TForm1::kMeasurePage)) {
        showPollingSwitch();
    }
    if (state.polling.polling) {
        const ModbusLine line{window_.port(), state.connection, window_.clock()};
        const unsigned result = readMeasuredValue(line, state.measurement).result;
        showMeasurement(state.measurement.izmerr, state.measurement.exerr & 0xFFFFu);
        showCounters();
        countCycle(state.polling, result, state.measurement);
        showCounters();
        appendMeasurementLine(state.measurementLog, state.measurement, window_.clock());
    }
    timer_.setInterval(kPollingInterval);
    timer_.start();
}

void MeasurePage::CheckBox7Click() {
    window_.state().measurementLog.writeFile = measurementLog_.isChecked() ? 1 : 0;
}

void MeasurePage::CheckBox6Click() {
    window_.state().connection.useLogFile = exchangeLog_.isChecked() ? 1 : 0;
}

void MeasurePage::showMeasurement(std::uint16_t status, unsigned exchangeResult) {
    const MeasurementView view =
        measurementView(window_.state().measurement, status, exchangeResult);
    setText(value_, view.value);
    setText(relativeValue_, view.relativeValue);
    paint(value_, view.valueColour);
    paint(relativeValue_, view.valueColour);
    setText(status_, view.status);
    paint(status_, view.statusColour);
    setText(exchange_, view.exchange);
    paint(exchange_, view.exchangeColour);
}

void MeasurePage::showCounters() {
    const CounterTexts texts = counterTexts(window_.state().polling);
    setText(cycles_, texts.cycles);
    setText(measurementErrors_, texts.measurementErrors);
    setText(exchangeErrors_, texts.exchangeErrors);
}

void MeasurePage::showPollingSwitch() {
    const bool on = window_.state().polling.polling;
    start_.setEnabled(!on);
    stop_.setEnabled(on);
}

}  // namespace m8163
