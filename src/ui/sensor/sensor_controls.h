#pragma once

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The controls of the page "Настройки датчика" that the program works with,
// as the page's layout makes them (object names in comments): the visible
// layer and, beneath it, the covered controls of an earlier layout that the
// sensor commands still fill and read.

namespace m8163 {

struct SensorControls {
    QWidget* page = nullptr;
    // The covered layer.
    QLineEdit* rangeMin = nullptr;           // Edit6
    QLineEdit* rangeMax = nullptr;           // Edit7
    QLineEdit* coveredOffset = nullptr;      // Edit8
    QLineEdit* coveredAdjustment = nullptr;  // Edit9
    QLineEdit* edit20 = nullptr;             // Edit20: marked when changed, never read
    QLineEdit* edit21 = nullptr;             // Edit21: marked when changed, never read
    QLineEdit* typeName = nullptr;           // Edit22
    QLineEdit* edit23 = nullptr;             // Edit23: marked when changed, never read
    QComboBox* sensorType = nullptr;         // ComboBox10
    QCheckBox* squareRoot = nullptr;         // CheckBox5
    QComboBox* coveredAveraging = nullptr;   // ComboBox11
    QComboBox* designType = nullptr;         // ComboBox14
    QComboBox* mountingLength = nullptr;     // ComboBox15
    QComboBox* caseType = nullptr;           // ComboBox16
    QPushButton* copyTypeName = nullptr;     // BitBtn1
    QPushButton* coveredRead = nullptr;      // Button20
    QPushButton* coveredWrite = nullptr;     // Button21
    // The visible layer.
    QLabel* constructionMin = nullptr;  // Panel13
    QLabel* constructionMax = nullptr;  // Panel14
    QLineEdit* offset = nullptr;        // Edit25
    QLineEdit* adjustment = nullptr;    // Edit26
    QLabel* typeNameShown = nullptr;    // Panel15
    QLineEdit* userText = nullptr;      // Edit24
    QLabel* sensorTypeShown = nullptr;  // Panel16
    QComboBox* averaging = nullptr;     // ComboBox17
    QPushButton* read = nullptr;        // Button35
    QPushButton* write = nullptr;       // Button36
};

namespace ui {
// Places the page's controls on `page`, hints included.
SensorControls buildSensorPage(QWidget* page);
}  // namespace ui

}  // namespace m8163
