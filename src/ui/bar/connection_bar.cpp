#include "ui/bar/connection_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <initializer_list>

#include "config/connection_file.h"
#include "link/line_format.h"
#include "link/port_open.h"
#include "ui/bar/device_watch.h"
#include "ui/bar/port_chooser.h"
#include "ui/bar/port_state_line.h"
#include "ui/shell/log_switch.h"
#include "ui/shell/parity_boxes.h"
#include "ui/shell/refresh_guard.h"

namespace m8163 {

namespace {

const char* parityText(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return " нечетный паритет ";
        case Parity::Even:
            return " четный паритет ";
        case Parity::None:
            break;
    }
    return " без паритета ";
}

}  // namespace

std::string connectionCaption(const ConnectionSettings& settings) {
    std::string caption = "COM" + std::to_string(static_cast<unsigned>(settings.portNumber)) + ", ";
    if (const LineFormat* format = lineFormatByBitRate(settings.speed))
        caption += std::to_string(format->bitRate) + " ,";
    return caption + parityText(settings.parity);
}

ConnectionBar::ConnectionBar(const BarControls& controls, QCheckBox& measurementLog,
                             const PageContext& context, std::function<void()> stopPolling)
    : QObject(controls.client),
      context_(context),
      stopPolling_(std::move(stopPolling)),
      c_(controls),
      measurementLog_(measurementLog),
      stateLine_(new PortStateLine(*controls.stateLine, *controls.joinGroup)),
      deviceWatch_(new DeviceWatch(this, [this] { devicesChanged(); })) {
    setObjectName(QStringLiteral("ConnectionBar"));
    CommandGuard& commands = context_.commands;
    // Only the user's picks and clicks are changes; the program showing the
    // settings raises none. A change that cannot run now (another command
    // holds the line) springs back, so that the bar never shows a connection
    // that is not the one in use.
    auto change = [this] {
        if (!context_.commands.runWithLine([this](LineLease& line) { connectionChanged(line); }))
            refresh();
    };
    for (QComboBox* list : {c_.port, c_.speed, c_.module})
        QObject::connect(list, &QComboBox::activated, this, change);
    for (QCheckBox* box : {c_.parityOn, c_.parityEven})
        QObject::connect(box, &QCheckBox::clicked, this, change);
    // Writes to the module: a close waits for their end.
    commands.connectLine(
        c_.blink, &QPushButton::clicked, this, [this](LineLease& line) { blink(line); },
        CommandKind::Write);
    commands.connectLine(
        c_.init, &QPushButton::clicked, this, [this](LineLease& line) { setInit(line); },
        CommandKind::Write);
    commands.connect(c_.exchangeLog, &QCheckBox::clicked, this, [this] { switchExchangeLog(); });
    commands.connectLine(c_.chooser, &QPushButton::clicked, this,
                         [this](LineLease& line) { choosePort(line); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), c_.client);
    shortcut->setObjectName(QStringLiteral("PortChooserShortcut"));
    commands.connectLine(shortcut, &QShortcut::activated, this,
                         [this](LineLease& line) { choosePort(line); });
    stateLine_->show(context_.state.portState);
}

void ConnectionBar::connectionChanged(LineLease& line) {
    if (context_.state.refreshGuard)
        return;
    applyControls();
    line.pump().processPending();
    updateCaption();
    reopenPort(line.port());
}

void ConnectionBar::blink(LineLease& line) {
    runBlink(line.line(), context_.boxes, *this);
}

void ConnectionBar::setInit(LineLease& line) {
    runSetInit(context_.state.connection, line.port(), line.pump(), context_.boxes, *this);
}

void ConnectionBar::switchExchangeLog() {
    ConnectionSettings& settings = context_.state.connection;
    settings.useLogFile = checkedLogSwitch(c_.exchangeLog->isChecked() ? 1 : 0,
                                           settings.logFileName, LogKind::Exchange, context_.boxes);
    c_.exchangeLog->setChecked(settings.useLogFile == 1);
}

namespace {

// The slot of the COM number in the mapping, as the open picks it: numbers
// outside 1 ... 8 open COM1.
std::size_t comIndex(int portNumber) {
    return portNumber >= 1 && portNumber <= 8 ? static_cast<std::size_t>(portNumber - 1) : 0;
}

}  // namespace

void ConnectionBar::choosePort(LineLease& line) {
    if (!c_.chooser->isEnabled())
        return;  // a search has the connection
    const std::size_t index = comIndex(context_.state.connection.portNumber);
    PortChooser dialog(c_.chooser->window(), static_cast<int>(index) + 1,
                       context_.state.comPorts.devices[index]);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string path = dialog.chosenPath();
    if (!path.empty())
        useChosenPort(line, path);
}

void ConnectionBar::useChosenPort(LineLease& line, const std::string& path) {
    AppState& state = context_.state;
    state.comPorts.devices[comIndex(state.connection.portNumber)] = path;
    reopenPort(line.port());
    // The file keeps the mapping now, not only after a close that may never
    // come (a crash, a pulled plug).
    if (!state.comPorts.file.empty())
        saveConnectionSettings(state.comPorts.file, state.connection, state.comPorts);
}

void ConnectionBar::portChangedByItself(const SerialPort& port) {
    PortState& state = context_.state.portState;
    // Named by its mapping, as the port names it: a link to a vanished
    // device no longer resolves.
    const std::string& mapped =
        context_.state.comPorts.devices[comIndex(context_.state.connection.portNumber)];
    if (port.lost()) {
        state = PortState{};
        state.condition = PortCondition::Lost;
        state.device = mapped;
    } else if (port.isOpen()) {
        state = portStateAfterOpen(mapped, OpenResult{true, 0, {}, 0});
    } else {
        // A refused open tried again, and refused otherwise this time.
        state = portStateAfterOpen(mapped, port.lastOpen());
    }
    showPortState();
}

void ConnectionBar::showPortState() {
    const PortState& state = context_.state.portState;
    stateLine_->show(state);
    // Nothing in the folders tells when another program lets the device go
    // or its rights change.
    deviceWatch_->recheck(state.condition == PortCondition::Busy ||
                          state.condition == PortCondition::NoAccess);
}

void ConnectionBar::devicesChanged() {
    if (context_.state.portState.open())
        return;
    // The port tries a lost or refused device again before it purges; an
    // open one has nothing waiting between commands.
    context_.commands.runWithLine([](LineLease& line) { line.port().purge(); });
}

void ConnectionBar::refresh() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    const ConnectionSettings& settings = context_.state.connection;
    const bool knownPort = settings.portNumber >= 1 && settings.portNumber <= c_.port->count();
    c_.port->setCurrentIndex(knownPort ? settings.portNumber - 1 : 0);
    const LineFormat* format = lineFormatByBitRate(settings.speed);
    c_.speed->setCurrentIndex((format != nullptr ? format : lineFormatByBitRate(9600))->listIndex);
    showParity(*c_.parityOn, *c_.parityEven, settings.parity);
    updateCaption();
    c_.module->setCurrentIndex(settings.moduleAddress);
    measurementLog_.setChecked(context_.state.measurementLog.writeFile == 1);
    c_.exchangeLog->setChecked(settings.useLogFile == 1);
}

void ConnectionBar::updateCaption() {
    c_.caption->setText(QString::fromStdString(connectionCaption(context_.state.connection)));
    // The label grows with its text, as wide as the caption needs.
    c_.caption->adjustSize();
}

void ConnectionBar::applyControls() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    ConnectionSettings& settings = context_.state.connection;
    if (c_.port->currentIndex() >= 0)
        settings.portNumber = c_.port->currentIndex() + 1;
    if (const LineFormat* format = lineFormatByListIndex(c_.speed->currentIndex()))
        settings.speed = format->bitRate;
    settings.parity = parityOf(*c_.parityOn, *c_.parityEven);
    if (c_.module->currentIndex() >= 0)
        settings.moduleAddress = c_.module->currentIndex();
}

void ConnectionBar::changeConnection(LineLease& line, int speed, Parity parity, int moduleAddress) {
    ConnectionSettings& settings = context_.state.connection;
    settings.speed = speed;
    settings.parity = parity;
    settings.moduleAddress = moduleAddress;
    reopenPort(line.port());
    refresh();
}

void ConnectionBar::setSearchLock(bool locked) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{c_.port, c_.speed, c_.module, c_.parityOn, c_.parityEven,
                                         c_.blink, c_.init, c_.chooser}) {
        control->setEnabled(!locked);
    }
}

void ConnectionBar::stopPolling() {
    stopPolling_();
}

void ConnectionBar::reopenPort(SerialPort& port) {
    const ConnectionSettings& settings = context_.state.connection;
    context_.state.portState = openPort(port, context_.state.comPorts, settings.portNumber,
                                        lineSettings(settings), settings.timeoutMs, context_.boxes);
    deviceWatch_->follow(context_.state.comPorts.devices[comIndex(settings.portNumber)]);
    showPortState();
}

}  // namespace m8163
