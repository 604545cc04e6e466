#pragma once

#include <cstddef>

#include "search/found_devices.h"
#include "search/search_run.h"
#include "search/search_settings.h"

// "Начать поиск" as a whole: the search loop between the lock and unlock of
// the page, the found-device table filled as modules answer, and the box of
// the end it took. The window's search page is the view.

namespace m8163 {

class SearchPageView {
  public:
    virtual ~SearchPageView() = default;
    // Disables (true) or enables the controls that would change the search
    // or the connection under it.
    virtual void lockSearch(bool locked) = 0;
    // The search settings and the found-device list on the page.
    virtual void showSearch() = 0;
    // The progress line of a trial; on the screen before its exchange.
    virtual void showTrial(int speed, Parity parity, unsigned address) = 0;
    // How far the run is: trials done of trials planned.
    virtual void showTrialsDone(std::size_t done, std::size_t planned) = 0;
    // The progress line and figure emptied: no search runs.
    virtual void clearProgress() = 0;
    // After every trial, before the stop check. The window ends the command
    // here (by an exception) when a close waits.
    virtual void trialEnded() {}
};

// What the search command works on, all of it the program's own state.
struct SearchData {
    SearchSettings& settings;  // completed by the page's take-over
    FoundDevices& found;
    bool& running;  // on from the start click until the end; the stop click clears it
};

// The one writer of the search's running flag: the start click switches it
// on; the stop click, an emptied table and the run's end switch it off.
inline void switchSearch(bool& running, bool on) {
    running = on;
}

// Runs the search when `data.running` is on: locks the page, empties the
// table, tries the plan of the settings (runSearch), adds each module that
// answers to the table and shows the list again, then shows the box of the
// end ("Ход поиска", information), unlocks the page and empties the
// progress line. The connection settings are never changed, so a module
// taken over from the list during the run stays the connection; the port is
// back at the connection settings after every end. A stop click clears
// `data.running`; the run ends at its next stop check.
SearchEnd runSearchCommand(const SearchData& data, const SearchLine& line, const SearchProbe& probe,
                           EventPump& pump, SearchPageView& view);

}  // namespace m8163
