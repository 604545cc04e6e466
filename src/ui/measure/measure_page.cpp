#include "ui/measure/measure_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

#include "module/register_codec.h"
#include "ui/shell/log_switch.h"
#include "ui/trend/trend_strip.h"

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

// Polling shows every cycle; only a panel whose colour or text changed is
// repainted.
void paint(QLabel& panel, PanelColour colour) {
    const QColor wanted = colourOf(colour);
    if (panel.autoFillBackground() && panel.palette().color(QPalette::Window) == wanted)
        return;
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, wanted);
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
}

void setText(QLabel& label, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (label.text() != shown)
        label.setText(shown);
}

}  // namespace

MeasurePage::MeasurePage(const MeasureControls& controls, QTimer& pollingTimer,
                         const PageContext& context, std::function<bool()> firstPageActive)
    : QObject(controls.page),
      context_(context),
      firstPageActive_(std::move(firstPageActive)),
      value_(*controls.value),
      relativeValue_(*controls.relativeValue),
      status_(*controls.status),
      exchange_(*controls.exchange),
      cycles_(*controls.cycles),
      measurementErrors_(*controls.measurementErrors),
      exchangeErrors_(*controls.exchangeErrors),
      read_(*controls.read),
      start_(*controls.start),
      stop_(*controls.stop),
      reset_(*controls.reset),
      measurementLog_(*controls.measurementLog),
      timer_(pollingTimer),
      trend_(new TrendStrip(*controls.page, context.state.trend, context.boxes, context.commands)),
      timerArmed_(std::chrono::steady_clock::now()) {
    setObjectName(QStringLiteral("MeasurePage"));
    // The trend names the module it reads, the user text and sensor type
    // the program knows of it.
    trend_->setLabelSource([&state = context.state] {
        TrendLabels labels;
        labels.moduleAddress = state.connection.moduleAddress;
        // The module keeps its user text padded with blanks.
        labels.userText = userText(state.image);
        labels.userText.erase(labels.userText.find_last_not_of(' ') + 1);
        if (state.sensorSettingsRead)
            labels.unit = trendUnit(state.image.sensor.sensorType);
        return labels;
    });
    // A coarse timer may fire up to 5 % early or late; the cycle is meant to
    // be the interval plus the tick's own time.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kPollingInterval);
    // The cycle counter changes on every tick. Painting their own background
    // (the window's colour, as what lies beneath them shows) spares the
    // notebook and the window beneath them a repaint each time.
    for (QLabel* counter : {&cycles_, &measurementErrors_, &exchangeErrors_})
        counter->setAutoFillBackground(true);
    // Shown texts are plain: no rich-text check on each change.
    for (QLabel* shown : {&value_, &relativeValue_, &status_, &exchange_, &cycles_,
                          &measurementErrors_, &exchangeErrors_})
        shown->setTextFormat(Qt::PlainText);
    CommandGuard& commands = context_.commands;
    QObject::connect(&read_, &QPushButton::clicked, this, [this] { readOnce(); });
    commands.connect(&start_, &QPushButton::clicked, this, [this] { startPolling(); });
    commands.connect(&stop_, &QPushButton::clicked, this, [this] { stopPolling(); });
    commands.connect(&reset_, &QPushButton::clicked, this, [this] { resetCountersAsked(); });
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { pollingTimerTick(); });
    // Only the user's clicks change the switch; the program ticking the box
    // to show a loaded value does not.
    commands.connect(&measurementLog_, &QCheckBox::clicked, this,
                     [this] { switchMeasurementLog(); });
    showPollingSwitch(context_.state.polling.polling);
    showCounters(counterTexts(context_.state.polling));
}

MeasureData MeasurePage::data() const {
    AppState& state = context_.state;
    return {state.polling, state.measurement, state.measurementLog, state.trend};
}

void MeasurePage::readOnce() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSingleRead(data(), line.line(), context_.boxes, *this);
        // A failed reading shows nothing else, but its gap belongs in the trend.
        trend_->refresh();
    });
}

void MeasurePage::startPolling() {
    setPolling(true);
}

void MeasurePage::stopPolling() {
    setPolling(false);
}

void MeasurePage::resetCountersAsked() {
    // The box has only OK, so the reset always follows it. Polling goes on.
    if (context_.boxes.show(resetCountersBox()) != BoxAnswer::Ok)
        return;
    resetCounters(context_.state.polling);
    showCounters(counterTexts(context_.state.polling));
}

void MeasurePage::pollingTimerTick() {
    // While a command holds the line (a single reading waiting for its
    // reply, a pause of a block operation) the tick runs right after it.
    context_.commands.runTick([this](LineLease& line) { pollingTick(line); });
}

void MeasurePage::pollingTick(LineLease& line) {
    // Stopped for the whole tick, so that ticks never overlap, even when a
    // slow exchange outlasts the interval.
    timer_.stop();
    runPollingTick(data(), line.line(), firstPageActive_(), *this);
    // A tick that finds polling off (the page rule, or a stop during the
    // tick's exchange) does no more work: the timer stays off until the next
    // start. Its rhythm counts from here all the same.
    timerArmed_ = std::chrono::steady_clock::now();
    if (context_.state.polling.polling)
        timer_.start(kPollingInterval);
}

void MeasurePage::switchMeasurementLog() {
    MeasurementLogSettings& log = context_.state.measurementLog;
    log.writeFile = checkedLogSwitch(measurementLog_.isChecked() ? 1 : 0, log.fileName,
                                     LogKind::Measurement, context_.boxes);
    measurementLog_.setChecked(log.writeFile == 1);
}

void MeasurePage::setPolling(bool on) {
    if (on) {
        m8163::setPolling(context_.state.polling, true);
        // The first read comes when the free-running timer would have given
        // it: within one interval of the start.
        if (!timer_.isActive())
            timer_.start(firstTickDelay(std::chrono::steady_clock::now() - timerArmed_));
    } else {
        m8163::setPolling(context_.state.polling, false);
        timer_.stop();
    }
    showPollingSwitch(on);
}

void MeasurePage::stopForClose() {
    setPolling(false);
}

void MeasurePage::resetForStartup() {
    setPolling(false);
    resetCounters(context_.state.polling);
    showCounters(counterTexts(context_.state.polling));
}

void MeasurePage::showPollingSwitch(bool on) {
    start_.setEnabled(!on);
    stop_.setEnabled(on);
}

void MeasurePage::showMeasurement(const MeasurementView& view) {
    setText(value_, view.value);
    setText(relativeValue_, view.relativeValue);
    paint(value_, view.valueColour);
    paint(relativeValue_, view.valueColour);
    setText(status_, view.status);
    paint(status_, view.statusColour);
    setText(exchange_, view.exchange);
    paint(exchange_, view.exchangeColour);
    // Beside the panels, before a success box of a single reading opens.
    trend_->refresh();
}

void MeasurePage::showCounters(const CounterTexts& texts) {
    setText(cycles_, texts.cycles);
    setText(measurementErrors_, texts.measurementErrors);
    setText(exchangeErrors_, texts.exchangeErrors);
}

}  // namespace m8163
