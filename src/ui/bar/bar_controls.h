#pragma once

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

// The controls of the connection bar that the program works with, as the
// bar's layout makes them (object names in comments), and in its free space
// the port chooser's button and the port's state line.

namespace m8163 {

struct BarControls {
    QWidget* client = nullptr;         // the window's client area, which holds the bar
    QComboBox* port = nullptr;         // ComboBox1
    QComboBox* speed = nullptr;        // ComboBox2
    QComboBox* module = nullptr;       // ComboBox3
    QCheckBox* parityOn = nullptr;     // CheckBox1
    QCheckBox* parityEven = nullptr;   // CheckBox2
    QPushButton* init = nullptr;       // Button15
    QPushButton* blink = nullptr;      // Button2
    QLabel* caption = nullptr;         // Label5
    QCheckBox* exchangeLog = nullptr;  // CheckBox6
    QPushButton* chooser = nullptr;    // PortChooserButton
    QPushButton* joinGroup = nullptr;  // JoinGroupButton
    QLabel* stateLine = nullptr;       // PortStateLine
    QPushButton* monitor = nullptr;    // ExchangeMonitorButton: "Монитор обмена…"
};

namespace ui {
// Places the bar's controls on the window's client area, hints included.
BarControls buildConnectionBar(QWidget* client);
}  // namespace ui

}  // namespace m8163
