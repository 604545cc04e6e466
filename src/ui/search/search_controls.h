#pragma once

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

// The controls of the page "Поиск" that the program works with, as the
// page's layout makes them (object names in comments).

namespace m8163 {

struct SearchControls {
    QWidget* page = nullptr;
    QListWidget* found = nullptr;    // ListBox1
    QLabel* progress = nullptr;      // Panel11
    QProgressBar* trials = nullptr;  // SearchProgress: trials done of planned
    // CheckBox9 ... CheckBox14, CheckBox18, CheckBox19: 1200 ... 115200 bit/s.
    std::array<QCheckBox*, 8> speeds{};
    // CheckBox15 ... CheckBox17: none, odd, even.
    std::array<QCheckBox*, 3> parities{};
    QComboBox* firstAddress = nullptr;  // ComboBox12
    QComboBox* lastAddress = nullptr;   // ComboBox13
    QPushButton* start = nullptr;       // Button33
    QPushButton* stop = nullptr;        // Button34
};

namespace ui {
// Places the page's controls on `page`, hints included.
SearchControls buildSearchPage(QWidget* page);
}  // namespace ui

}  // namespace m8163
