#pragma once

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The controls of the page "Параметры обмена" that the program works with,
// as the page's layout makes them (object names in comments). Flat panels
// with white displays lie over the editors and lists of the identity; the
// commands fill and read those covered controls.

namespace m8163 {

struct ExchangeControls {
    QWidget* page = nullptr;
    QComboBox* speed = nullptr;           // ComboBox4
    QComboBox* networkNumber = nullptr;   // ComboBox5
    QCheckBox* parityOn = nullptr;        // CheckBox3
    QCheckBox* parityEven = nullptr;      // CheckBox4
    QPushButton* write = nullptr;         // Button1
    QComboBox* watchdog = nullptr;        // ComboBox6 (hidden)
    QLineEdit* factoryNumber1 = nullptr;  // Edit1, under Panel5
    QLineEdit* factoryNumber2 = nullptr;  // Edit2, under Panel6
    QComboBox* day = nullptr;             // ComboBox7, under Panel8
    QComboBox* month = nullptr;           // ComboBox8, under Panel9
    QComboBox* year = nullptr;            // ComboBox9, under Panel17
    QLineEdit* modelCode = nullptr;       // Edit3, under Panel19
    QLineEdit* software = nullptr;        // Edit4, under Panel20
    QLineEdit* hardware = nullptr;        // Edit5, under Panel21
    QLabel* factoryPanel1 = nullptr;      // Panel5
    QLabel* factoryPanel2 = nullptr;      // Panel6
    QLabel* dayPanel = nullptr;           // Panel8
    QLabel* monthPanel = nullptr;         // Panel9
    QLabel* yearPanel = nullptr;          // Panel17
    QLabel* modelPanel = nullptr;         // Panel19
    QLabel* softwarePanel = nullptr;      // Panel20
    QLabel* hardwarePanel = nullptr;      // Panel21
    QPushButton* read = nullptr;          // Button9
};

namespace ui {
// Places the page's controls on `page`, hints included.
ExchangeControls buildExchangePage(QWidget* page);
}  // namespace ui

}  // namespace m8163
