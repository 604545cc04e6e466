#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "module/exchange_sequences.h"
#include "ui/bar/bar_controls.h"
#include "ui/shell/page_context.h"

class QCheckBox;

// The connection bar above the notebook: port, speed, module number, the
// parity boxes and the caption that sums them up, "Помигать", "Выставить
// INIT" and the exchange log switch; in its free space the port chooser
// ("Выбрать порт…", Ctrl+P) and the port's state line.

namespace m8163 {

class DeviceWatch;
class PortStateLine;

// The caption of the connection bar: "COM1, 19200 , без паритета ".
std::string connectionCaption(const ConnectionSettings& settings);

class ConnectionBar : public QObject, public ConnectionView {
  public:
    // `controls` as the bar's layout made them; lives as long as the client
    // area that holds them (its QObject parent). `stopPolling` switches
    // cyclic polling off.
    ConnectionBar(const BarControls& controls, QCheckBox& measurementLog,
                  const PageContext& context, std::function<void()> stopPolling);

    // A change of port, speed, module number or parity by the user: the bar
    // into the connection settings, messages run once, the caption, the port
    // reopened. Nothing while the refresh guard is set.
    void connectionChanged(LineLease& line);
    // "Помигать".
    void blink(LineLease& line);
    // "Выставить INIT".
    void setInit(LineLease& line);
    // "Запись обмена в файл".
    void switchExchangeLog();
    // "Выбрать порт…" and Ctrl+P: the chooser for the COM number of the
    // connection settings; a path accepted goes to useChosenPort.
    void choosePort(LineLease& line);
    // Maps the COM number in use to `path`, reopens the port and saves
    // dev.dat at once, as the close would.
    void useChosenPort(LineLease& line, const std::string& path);
    // The port lost its device or got it back by itself (a pulled adapter,
    // a hang-up): the state line follows.
    void portChangedByItself(const SerialPort& port);
    // A device came or went, or its rights changed, where the port's device
    // lives: a port that is not open tries its device again now rather than
    // at the next command (not while a command holds the line, which tries
    // it anyway).
    void devicesChanged();

    // The connection settings and the two log switches shown on the bar,
    // with the caption.
    void refresh();
    // The caption from the connection settings.
    void updateCaption();
    // The bar into the connection settings. A list without a selection
    // leaves its setting as it was.
    void applyControls();

    // Moves the program to another module or line format: the connection
    // settings take them, the port is reopened and the bar shows them.
    // Nothing is sent.
    void changeConnection(LineLease& line, int speed, Parity parity, int moduleAddress);

    // While a search runs the bar's connection controls are disabled.
    void setSearchLock(bool locked);

    void stopPolling() override;
    void showConnection() override { refresh(); }
    void reopenPort(SerialPort& port) override;
    // The port's state on the line (also after a search's reopens); the
    // watch looks again while it may change without a sign.
    void showPortState();

  private:
    PageContext context_;
    std::function<void()> stopPolling_;
    BarControls c_;
    QCheckBox& measurementLog_;  // CheckBox7, on the measured-value page
    PortStateLine* stateLine_;
    DeviceWatch* deviceWatch_;
};

}  // namespace m8163
