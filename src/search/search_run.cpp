#include "search/search_run.h"

#include <algorithm>
#include <utility>

#include "base/standard_boxes.h"
#include "link/port_open.h"

namespace m8163 {
namespace {

constexpr unsigned kHighestModuleNumber = 255;

bool none(const auto& flags) {
    return std::none_of(flags.begin(), flags.end(), [](bool on) { return on; });
}

// Boxes that nobody sees: the port's box of a search that could not open
// it has been shown once already.
class UnshownBoxes final : public MessageBoxes {
  public:
    BoxAnswer show(const MessageBox&) override { return BoxAnswer::Ok; }
};

// Whether the port is open afterwards.
bool reopen(const SearchLine& line, int speed, Parity parity, MessageBoxes& boxes) {
    const ConnectionSettings& s = line.settings;
    PortState state =
        openPort(line.port, line.ports, s.portNumber, {speed, parity}, s.timeoutMs, boxes);
    if (line.portState != nullptr)
        *line.portState = std::move(state);
    return line.port.isOpen();
}

// The parities of one module number; Normal unless the search ends here.
SearchEnd tryModuleNumber(const SearchPlan& plan, const SearchLine& line, const SearchProbe& probe,
                          SearchView& view, int speed, unsigned address, std::size_t& hits) {
    for (const Parity parity : {Parity::None, Parity::Odd, Parity::Even}) {
        if (plan.parities[static_cast<std::size_t>(parityCode(parity))]) {
            // Every further trial would fail to open it too, each with its box.
            if (!reopen(line, speed, parity, line.boxes))
                return SearchEnd::PortFailed;
            view.showTrial(speed, parity, address);
            // The trial's exchange keeps the connection's speed and parity
            // for its time-outs and its parity check; the port carries the
            // trial's format, and the read gets longer only where a reply at
            // the trial's speed needs it (ModbusLine::lineSpeed).
            ConnectionSettings trial = line.settings;
            trial.moduleAddress = static_cast<int>(address);
            const bool hit =
                probe(ModbusLine{line.port, trial, line.clock, speed, line.observer}).ok();
            view.trialDone();
            if (hit) {
                view.found({speed, address, parity});
                if (++hits >= kFoundTableSize)
                    return SearchEnd::FullTable;
            }
        }
        if (view.stopRequested())
            return SearchEnd::User;
    }
    return SearchEnd::Normal;
}

}  // namespace

void completeSearchPlan(SearchPlan& plan) {
    if (plan.firstAddress > plan.lastAddress)
        std::swap(plan.firstAddress, plan.lastAddress);
    if (none(plan.parities))
        plan.parities = {true, true, true};
    if (none(plan.speeds)) {
        for (int rate : {9600, 19200})
            plan.speeds[static_cast<std::size_t>(lineFormatByBitRate(rate)->listIndex)] = true;
    }
}

SearchPlan searchPlanFrom(const SearchSettings& settings) {
    SearchPlan plan;
    for (std::size_t i = 0; i < plan.speeds.size(); ++i)
        plan.speeds[i] = settings.speeds[i] != 0;
    plan.parities = {settings.parityNone != 0, settings.parityOdd != 0, settings.parityEven != 0};
    plan.firstAddress = static_cast<unsigned>(settings.firstAddress);
    plan.lastAddress = static_cast<unsigned>(settings.lastAddress);
    return plan;
}

void completeSearchSettings(SearchSettings& settings) {
    SearchPlan plan = searchPlanFrom(settings);
    completeSearchPlan(plan);
    for (std::size_t i = 0; i < plan.speeds.size(); ++i)
        settings.speeds[i] = plan.speeds[i] ? 1 : 0;
    settings.parityNone = plan.parities[0] ? 1 : 0;
    settings.parityOdd = plan.parities[1] ? 1 : 0;
    settings.parityEven = plan.parities[2] ? 1 : 0;
    settings.firstAddress = static_cast<int>(plan.firstAddress);
    settings.lastAddress = static_cast<int>(plan.lastAddress);
}

std::size_t searchTrialCount(const SearchPlan& plan) {
    const auto ticked = [](const auto& flags) {
        return static_cast<std::size_t>(std::count(flags.begin(), flags.end(), true));
    };
    const unsigned last = std::min(plan.lastAddress, kHighestModuleNumber);
    const std::size_t numbers = last > plan.firstAddress ? last - plan.firstAddress + 1 : 1;
    return ticked(plan.speeds) * numbers * ticked(plan.parities);
}

std::string searchEndText(SearchEnd end) {
    switch (end) {
        case SearchEnd::User:
        case SearchEnd::PortFailed:
            return "Процедура поиска завершена пользователем.";
        case SearchEnd::FullTable:
            return "Процедура поиска завершена.На линии слишком много приборов.";
        case SearchEnd::Normal:
            break;
    }
    return "Процедура поиска завершена.";
}

std::string searchProgressText(int speed, Parity parity, unsigned address) {
    static constexpr const char* kParityTexts[] = {"без паритета", "нечетный паритет",
                                                   "четный паритет"};
    return "Проверяется скорость " + std::to_string(speed) + " " +
           kParityTexts[parityCode(parity)] + " номер прибора " + std::to_string(address);
}

namespace {

// Over a port whose line format is the far end's own (a device server on
// plain TCP) a trial at another speed or parity would test the server's
// format again and report modules at formats they do not use: such a run
// tries the connection's own format only, and says so first.
SearchPlan planForLine(const SearchPlan& plan, const SearchLine& line) {
    if (!line.port.lineFormatFixed())
        return plan;
    const ConnectionSettings& s = line.settings;
    const LineFormat& own = timingFormat(s.speed);
    const auto parity = static_cast<std::size_t>(parityCode(s.parity));
    SearchPlan narrowed = plan;
    narrowed.speeds = {};
    narrowed.speeds[static_cast<std::size_t>(own.listIndex)] = true;
    narrowed.parities = {};
    narrowed.parities[parity] = true;
    if (narrowed.speeds == plan.speeds && narrowed.parities == plan.parities)
        return plan;
    static constexpr const char* kParityTexts[] = {"без паритета", "нечетный паритет",
                                                   "четный паритет"};
    line.boxes.show(
        {"Формат линии этого порта задан на сервере (socket://): скорость и паритет "
         "поиска его не меняют. Поиск идёт только на скорости " +
             std::to_string(own.bitRate) + ", " + kParityTexts[parity] + ".",
         caption::kSearch,
         BoxIcon::Information,
         BoxButtons::Ok,
         {}});
    return narrowed;
}

}  // namespace

SearchEnd runSearch(const SearchPlan& requested, const SearchLine& line, const SearchProbe& probe,
                    EventPump& pump, SearchView& view) {
    const SearchPlan plan = planForLine(requested, line);
    view.planned(searchTrialCount(plan));
    const unsigned last = std::min(plan.lastAddress, kHighestModuleNumber);
    std::size_t hits = 0;
    SearchEnd end = SearchEnd::Normal;
    for (std::size_t s = 0; s < kLineFormats.size() && end == SearchEnd::Normal; ++s) {
        if (!plan.speeds[s])
            continue;
        const int speed = kLineFormats[s].bitRate;
        // The first module number is tried even beyond the last one; the
        // loop ends before an increment could wrap round.
        for (unsigned address = plan.firstAddress; end == SearchEnd::Normal; ++address) {
            if (address != plan.firstAddress)
                pump.processPending();
            end = tryModuleNumber(plan, line, probe, view, speed, address, hits);
            if (address >= last)
                break;
        }
    }
    UnshownBoxes unshown;
    reopen(line, line.settings.speed, line.settings.parity,
           end == SearchEnd::PortFailed ? unshown : line.boxes);
    return end;
}

}  // namespace m8163
