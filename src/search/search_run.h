#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

#include "base/clock.h"
#include "base/event_pump.h"
#include "base/message_boxes.h"
#include "link/com_port_map.h"
#include "link/connection_settings.h"
#include "link/line_format.h"
#include "link/port_state.h"
#include "link/serial_port.h"
#include "protocol/exchange_result.h"
#include "protocol/transactions.h"
#include "search/found_devices.h"
#include "search/search_settings.h"

// The search for modules on the line: every chosen combination of speed,
// module number and parity is tried with one read, in a fixed nested order,
// and each clean reply is a module found. The loop is shared by the window's
// search page and the command-line tool; each gives it a view for progress,
// hits and the stop request.

namespace m8163 {

// What to try. speeds[i] stands for kLineFormats[i]; parities[c] for the
// parity code c (none, odd, even).
struct SearchPlan {
    std::array<bool, kLineFormats.size()> speeds{};
    std::array<bool, 3> parities{};
    unsigned firstAddress = 0;
    unsigned lastAddress = 0;
};

// The rules a plan is completed by before a run: a reversed range is
// swapped, no parity means all three, no speed means 9600 and 19200.
void completeSearchPlan(SearchPlan& plan);

// The search settings as a plan: a flag set to anything but 0 is ticked;
// the stored module numbers are read as unsigned, so that a negative one
// stands for the largest number.
SearchPlan searchPlanFrom(const SearchSettings& settings);

// The search page's take-over rules applied to the settings themselves, so
// that the page shows what the search will try.
void completeSearchSettings(SearchSettings& settings);

// How many trials a completed plan makes: ticked speeds x module numbers
// (from first to last, at most 255, at least the first) x ticked parities.
std::size_t searchTrialCount(const SearchPlan& plan);

// PortFailed: a trial's port could not be opened (its box shown once); the
// search ends there as a stop would end it.
enum class SearchEnd { Normal, User, FullTable, PortFailed };

// The text of the box each end brings (caption "Ход поиска"); a port
// that failed brings the stop's text.
std::string searchEndText(SearchEnd end);

// The progress line of one trial: "Проверяется скорость 9600 нечетный
// паритет номер прибора 17".
std::string searchProgressText(int speed, Parity parity, unsigned address);

class SearchView {
  public:
    virtual ~SearchView() = default;
    // Once, before the first trial: how many trials the run makes (fewer
    // than its plan asks where the line's format is the far end's own).
    virtual void planned(std::size_t trials) { (void)trials; }
    // Before the read of each trial, with the port already at its format.
    virtual void showTrial(int speed, Parity parity, unsigned address) = 0;
    // After the read of each trial, before its hit is reported.
    virtual void trialDone() {}
    virtual void found(const SearchHit& hit) = 0;
    // Asked after every step of the innermost loop.
    virtual bool stopRequested() = 0;
};

// The read that decides a trial, at the module number the line carries.
using SearchProbe = std::function<ExchangeStatus(const ModbusLine& line)>;

// Where the search runs: the port and its name map, the connection settings
// (port number, time-out; never changed here), the clock of the exchange log
// and the boxes of a port that cannot be opened.
struct SearchLine {
    SerialPort& port;
    const ComPortMap& ports;
    const ConnectionSettings& settings;
    const Clock& clock;
    MessageBoxes& boxes;
    // Told of every trial's frames when set (ModbusLine::observer).
    ExchangeObserver* observer = nullptr;
    // Where each reopen leaves the port's state, when set: the window's
    // state line shows the last one.
    PortState* portState = nullptr;
};

// Runs a completed plan. Order: speeds ascending (outer), module numbers
// from first to last, at most 255 (middle), parities none, odd, even
// (inner). The port is reopened at the trial's speed and parity for every
// trial; each trial's exchange runs with a copy of the connection settings
// that carries the trial's module number and keeps the connection's speed
// and parity, which give its time-outs and its parity check (a silent trial
// costs the time-out plus 21 byte times of the connection's speed); the line
// names the trial's speed, so that where one exchange at it needs longer
// (request, frame end, time-out, reply, read interval) the read gets that.
// A trial is a hit only when the probe's exchange is clean. Pending
// messages run once between two module numbers of one speed. A
// trial whose port cannot be opened ends the search (PortFailed) after the
// port's one box. At every end the port is opened again with the connection
// settings (without a second box after PortFailed). Over a port whose line
// format cannot be set (SerialPort::lineFormatFixed) only the connection's
// speed and parity are tried, after an information box that says so.
SearchEnd runSearch(const SearchPlan& plan, const SearchLine& line, const SearchProbe& probe,
                    EventPump& pump, SearchView& view);

}  // namespace m8163
