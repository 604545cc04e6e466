#pragma once

class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

// The controls of the page "Измеренное значение" that the program works
// with, as the page's layout makes them (object names in comments).

namespace m8163 {

struct MeasureControls {
    QWidget* page = nullptr;
    QLabel* value = nullptr;              // Panel1
    QLabel* relativeValue = nullptr;      // Panel10
    QLabel* status = nullptr;             // Panel2
    QLabel* exchange = nullptr;           // Panel3
    QLabel* cycles = nullptr;             // Label54
    QLabel* measurementErrors = nullptr;  // Label55
    QLabel* exchangeErrors = nullptr;     // Label56
    QPushButton* read = nullptr;          // Button17
    QPushButton* start = nullptr;         // Button18
    QPushButton* stop = nullptr;          // Button19
    QPushButton* reset = nullptr;         // Button16
    QCheckBox* measurementLog = nullptr;  // CheckBox7
};

namespace ui {
// Places the page's controls on `page`, hints included.
MeasureControls buildMeasurePage(QWidget* page);
}  // namespace ui

}  // namespace m8163
