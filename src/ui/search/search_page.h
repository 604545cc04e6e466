#pragma once

#include <QObject>
#include <functional>

#include "search/search_command.h"
#include "ui/search/search_controls.h"
#include "ui/shell/page_context.h"

// The page "Поиск": what to scan (speeds, parities, module numbers), start
// and stop, the progress line and figure, and the list of found modules,
// whose rows take a module over as the connection. The search itself is a
// sequence in search/; the page wires the controls its layout made and shows
// what the sequence gives it.

namespace m8163 {

// What the search page asks of the rest of the window.
struct SearchLinks {
    // Moves the connection to a module taken over from the found list:
    // speed, parity code, module number.
    std::function<void(LineLease&, int, Parity, int)> changeConnection;
    // The connection bar's controls locked while a search runs.
    std::function<void(bool)> lockConnection;
    // The module number into the exchange page's new-number list.
    std::function<void(int)> selectNetworkNumber;
    // The port's state after the search's reopens, into the state line.
    std::function<void()> showPortState;
};

class SearchPage : public QObject, public SearchPageView {
  public:
    // `controls` as the page's layout made them; lives as long as the page
    // (its QObject parent).
    SearchPage(const SearchControls& controls, const PageContext& context, SearchLinks links);

    // "Начать поиск": the page's choices into the search settings, then the
    // search. "Остановить поиск": the running search ends at its next stop
    // check; nothing without one.
    void startSearch();
    void stopSearch();
    // A click on the found list: the module of the row becomes the
    // connection (settings, port, connection bar). Allowed during a search.
    void takeOverFoundModule();

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
    void showTrial(int speed, Parity parity, unsigned address) override;
    void showTrialsDone(std::size_t done, std::size_t planned) override;
    void clearProgress() override;
    void trialEnded() override;

  private:
    void search(LineLease& line);

    SearchControls c_;
    PageContext context_;
    SearchLinks links_;
};

}  // namespace m8163
