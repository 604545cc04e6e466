#pragma once

#include <QObject>
#include <array>

#include "search/search_command.h"
#include "ui/shell/page_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

// The page "Поиск": what to scan (speeds, parities, module numbers), start
// and stop, the progress line and figure, and the list of found modules,
// whose rows take a module over as the connection. The search itself is a
// sequence in search/; the page resolves its controls once, wires them and
// shows what the sequence gives it.

namespace m8163 {

class ConnectionBar;
class ExchangePage;

class SearchPage : public QObject, public SearchPageView {
  public:
    // `root` holds the page's controls; lives as long as it (its QObject
    // parent). A take-over shows the new connection on `bar` and the module
    // number in the new-number list of `exchange`.
    SearchPage(QWidget& root, const PageContext& context, ConnectionBar& bar,
               ExchangePage& exchange);

    // "Начать поиск": the page's choices into the search settings, then the
    // search. "Остановить поиск": the running search ends at its next stop
    // check; nothing without one.
    void Button33Click();
    void Button34Click();
    // A click on the found list: the module of the row becomes the
    // connection (settings, port, connection bar). Allowed during a search.
    void ListBox1Click();

    // The page's choices into the search settings, with the take-over rules
    // (a reversed range swapped, no parity = all three, no speed = 9600 and
    // 19200). A range list whose text names none of its entries keeps the
    // stored number.
    void takeOver();
    // The found-device table emptied (no search runs), then the page refresh.
    void clearFoundDevices();

    void lockSearch(bool locked) override;
    // The search settings and the found list on the page.
    void showSearch() override;
    void showTrial(int speed, int parity, unsigned address) override;
    void showTrialsDone(std::size_t done, std::size_t planned) override;
    void clearProgress() override;
    void trialEnded() override;

  private:
    void search(LineLease& line);

    PageContext context_;
    ConnectionBar& bar_;
    ExchangePage& exchange_;
    // CheckBox9 ... CheckBox14, CheckBox18, CheckBox19: 1200 ... 115200 bit/s.
    std::array<QCheckBox*, 8> speeds_{};
    // CheckBox15 ... CheckBox17: none, odd, even.
    std::array<QCheckBox*, 3> parities_{};
    QComboBox& firstAddress_;  // ComboBox12
    QComboBox& lastAddress_;   // ComboBox13
    QPushButton& start_;       // Button33
    QPushButton& stop_;        // Button34
    QLabel& progress_;         // Panel11
    QListWidget& found_;       // ListBox1
    QProgressBar& trials_;     // SearchProgress: trials done of planned
};

}  // namespace m8163
