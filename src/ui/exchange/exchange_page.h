#pragma once

#include <QObject>

#include "module/exchange_sequences.h"
#include "ui/shell/page_context.h"
#include "ui/shell/page_takeover.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The page "Параметры обмена": the module's identity (read-only panels over
// the editors that hold it) and its exchange parameters, with "Прочитать"
// and "Записать". The commands are sequences in module/; the page resolves
// its controls once, wires them and shows the register image.

namespace m8163 {

class ConnectionBar;

class ExchangePage : public QObject, public ExchangePageView {
  public:
    // `root` holds the page's controls; lives as long as it (its QObject
    // parent). After a write the connection follows the module through `bar`.
    ExchangePage(QWidget& root, const PageContext& context, ConnectionBar& bar);

    // "Прочитать", "Записать".
    void Button9Click();
    void Button1Click();
    // A change of a list or a parity box by the user: the editors into the
    // register image, then the page shown again from it.
    void pageChanged();

    // The editors into the register image; false after a refused field.
    bool takeOver();
    // The register image on the page: editors, their panels, lists and boxes.
    // A speed code outside the table and a network number above 255 leave
    // their lists as they were.
    void refresh();

    // Selects `number` in the new-number list (ComboBox5): a module taken
    // over from the search page. A number the list lacks leaves it as it was.
    void selectNetworkNumber(int number);

    void showExchangePage() override { refresh(); }

  private:
    PageContext context_;
    ConnectionBar& bar_;
    QLineEdit& modelCode_;       // Edit3, under Panel19
    QLineEdit& factoryNumber1_;  // Edit1, under Panel5
    QLineEdit& factoryNumber2_;  // Edit2, under Panel6
    QLineEdit& software_;        // Edit4, under Panel20
    QLineEdit& hardware_;        // Edit5, under Panel21
    QComboBox& day_;             // ComboBox7, under Panel8
    QComboBox& month_;           // ComboBox8, under Panel9
    QComboBox& year_;            // ComboBox9, under Panel17
    QComboBox& speed_;           // ComboBox4
    QComboBox& networkNumber_;   // ComboBox5
    QComboBox& watchdog_;        // ComboBox6 (hidden)
    QCheckBox& parityOn_;        // CheckBox3
    QCheckBox& parityEven_;      // CheckBox4
    QLabel& modelPanel_;         // Panel19
    QLabel& factoryPanel1_;      // Panel5
    QLabel& factoryPanel2_;      // Panel6
    QLabel& softwarePanel_;      // Panel20
    QLabel& hardwarePanel_;      // Panel21
    QLabel& dayPanel_;           // Panel8
    QLabel& monthPanel_;         // Panel9
    QLabel& yearPanel_;          // Panel17
    QPushButton& read_;          // Button9
    QPushButton& write_;         // Button1
    // What the take-over reads: the members above.
    ExchangeEditors editors_;
};

}  // namespace m8163
