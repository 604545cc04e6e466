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
#include "ui/bar/port_chooser.h"
#include "ui/bar/port_state_line.h"
#include "ui/shell/log_switch.h"
#include "ui/shell/named_control.h"
#include "ui/shell/refresh_guard.h"

namespace m8163 {

namespace {

const char* parityText(int code) {
    switch (parityFromCode(code)) {
        case Parity::Odd:
            return " нечетный паритет ";
        case Parity::Even:
            return " четный паритет ";
        case Parity::None:
            break;
    }
    return " без паритета ";
}

Parity parityOf(const QCheckBox& on, const QCheckBox& even) {
    if (!on.isChecked())
        return Parity::None;
    return even.isChecked() ? Parity::Even : Parity::Odd;
}

}  // namespace

void showParity(QCheckBox& on, QCheckBox& even, int code) {
    const Parity parity = parityFromCode(code);
    on.setChecked(parity != Parity::None);
    even.setChecked(parity == Parity::Even);
}

std::string connectionCaption(const ConnectionSettings& settings) {
    std::string caption = "COM" + std::to_string(static_cast<unsigned>(settings.portNumber)) + ", ";
    if (const LineFormat* format = lineFormatByBitRate(settings.speed))
        caption += std::to_string(format->bitRate) + " ,";
    return caption + parityText(settings.parity);
}

ConnectionBar::ConnectionBar(QWidget& root, const PageContext& context,
                             std::function<void()> stopPolling)
    : QObject(&root),
      context_(context),
      stopPolling_(std::move(stopPolling)),
      port_(namedControl<QComboBox>(root, "ComboBox1")),
      speed_(namedControl<QComboBox>(root, "ComboBox2")),
      module_(namedControl<QComboBox>(root, "ComboBox3")),
      parityOn_(namedControl<QCheckBox>(root, "CheckBox1")),
      parityEven_(namedControl<QCheckBox>(root, "CheckBox2")),
      caption_(namedControl<QLabel>(root, "Label5")),
      exchangeLog_(namedControl<QCheckBox>(root, "CheckBox6")),
      measurementLog_(namedControl<QCheckBox>(root, "CheckBox7")),
      blink_(namedControl<QPushButton>(root, "Button2")),
      init_(namedControl<QPushButton>(root, "Button15")),
      chooser_(namedControl<QPushButton>(root, "PortChooserButton")),
      stateLine_(new PortStateLine(root)) {
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
    for (QComboBox* list : {&port_, &speed_, &module_})
        QObject::connect(list, &QComboBox::activated, this, change);
    for (QCheckBox* box : {&parityOn_, &parityEven_})
        QObject::connect(box, &QCheckBox::clicked, this, change);
    commands.connectLine(&blink_, &QPushButton::clicked, this,
                         [this](LineLease& line) { Button2Click(line); });
    commands.connectLine(&init_, &QPushButton::clicked, this,
                         [this](LineLease& line) { Button15Click(line); });
    commands.connect(&exchangeLog_, &QCheckBox::clicked, this, [this] { CheckBox6Click(); });
    commands.connectLine(&chooser_, &QPushButton::clicked, this,
                         [this](LineLease& line) { choosePort(line); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), &root);
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

void ConnectionBar::Button2Click(LineLease& line) {
    runBlink(line.line(), context_.boxes, *this);
}

void ConnectionBar::Button15Click(LineLease& line) {
    runSetInit(context_.state.connection, line.port(), line.pump(), context_.boxes, *this);
}

void ConnectionBar::CheckBox6Click() {
    ConnectionSettings& settings = context_.state.connection;
    settings.useLogFile = checkedLogSwitch(exchangeLog_.isChecked() ? 1 : 0, settings.logFileName,
                                           LogKind::Exchange, context_.boxes);
    exchangeLog_.setChecked(settings.useLogFile == 1);
}

namespace {

// The slot of the COM number in the mapping, as the open picks it: numbers
// outside 1 ... 8 open COM1.
std::size_t comIndex(int portNumber) {
    return portNumber >= 1 && portNumber <= 8 ? static_cast<std::size_t>(portNumber - 1) : 0;
}

}  // namespace

void ConnectionBar::choosePort(LineLease& line) {
    if (!chooser_.isEnabled())
        return;  // a search has the connection
    const std::size_t index = comIndex(context_.state.connection.portNumber);
    PortChooser dialog(chooser_.window(), static_cast<int>(index) + 1,
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
    }
    stateLine_->show(state);
}

void ConnectionBar::refresh() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    const ConnectionSettings& settings = context_.state.connection;
    const bool knownPort = settings.portNumber >= 1 && settings.portNumber <= port_.count();
    port_.setCurrentIndex(knownPort ? settings.portNumber - 1 : 0);
    const LineFormat* format = lineFormatByBitRate(settings.speed);
    speed_.setCurrentIndex((format != nullptr ? format : lineFormatByBitRate(9600))->listIndex);
    showParity(parityOn_, parityEven_, settings.parity);
    updateCaption();
    module_.setCurrentIndex(settings.moduleAddress);
    measurementLog_.setChecked(context_.state.measurementLog.writeFile == 1);
    exchangeLog_.setChecked(settings.useLogFile == 1);
}

void ConnectionBar::updateCaption() {
    caption_.setText(QString::fromStdString(connectionCaption(context_.state.connection)));
    // The label grows with its text, as wide as the caption needs.
    caption_.adjustSize();
}

void ConnectionBar::applyControls() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    ConnectionSettings& settings = context_.state.connection;
    if (port_.currentIndex() >= 0)
        settings.portNumber = port_.currentIndex() + 1;
    if (const LineFormat* format = lineFormatByListIndex(speed_.currentIndex()))
        settings.speed = format->bitRate;
    settings.parity = parityCode(parityOf(parityOn_, parityEven_));
    if (module_.currentIndex() >= 0)
        settings.moduleAddress = module_.currentIndex();
}

void ConnectionBar::changeConnection(LineLease& line, int speed, int parity, int moduleAddress) {
    ConnectionSettings& settings = context_.state.connection;
    settings.speed = speed;
    settings.parity = parity;
    settings.moduleAddress = moduleAddress;
    reopenPort(line.port());
    refresh();
}

void ConnectionBar::setSearchLock(bool locked) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             &port_, &speed_, &module_, &parityOn_, &parityEven_, &blink_, &init_, &chooser_}) {
        control->setEnabled(!locked);
    }
}

void ConnectionBar::stopPolling() {
    stopPolling_();
}

void ConnectionBar::reopenPort(SerialPort& port) {
    const ConnectionSettings& settings = context_.state.connection;
    context_.state.portState =
        openPort(port, context_.state.comPorts, settings.portNumber, settings.speed, 8,
                 settings.parity, settings.stopBits, settings.timeoutMs, context_.boxes);
    stateLine_->show(context_.state.portState);
}

}  // namespace m8163
