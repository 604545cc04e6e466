#pragma once

#include <QObject>
#include <array>

#include "ui/page_context.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;

// The page "Поиск": what to scan (speeds, parities, module numbers), start
// and stop, and the list of found modules.

namespace m8163 {

class SearchPage : public QObject {
  public:
    // `root` holds the page's controls; lives as long as it (its QObject parent).
    SearchPage(QWidget& root, const PageContext& context);

    // While a search runs the page's choices and its start button are disabled.
    void setSearchLock(bool locked);

  private:
    PageContext context_;
    // CheckBox9 ... CheckBox14, CheckBox18, CheckBox19: 1200 ... 115200 bit/s.
    std::array<QCheckBox*, 8> speeds_{};
    // CheckBox15 ... CheckBox17: none, odd, even.
    std::array<QCheckBox*, 3> parities_{};
    QComboBox& firstAddress_;  // ComboBox12
    QComboBox& lastAddress_;   // ComboBox13
    QPushButton& start_;       // Button33
    QPushButton& stop_;        // Button34
};

}  // namespace m8163
