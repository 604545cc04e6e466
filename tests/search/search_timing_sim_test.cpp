// A search over the real termios port against the simulated module, paced
// at the line's speed: the read of each trial keeps the connection's times.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/termios_port.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "search/search_run.h"
#include "sim/pty_server.h"

namespace m8163 {
namespace {

using Clock = std::chrono::steady_clock;

// Times each trial from its progress line to the end of its read.
class TimedView final : public SearchView {
  public:
    struct Trial {
        int speed, parity;
        unsigned address;
        double ms;
    };
    void showTrial(int speed, Parity parity, unsigned address) override {
        trials.push_back({speed, parityCode(parity), address, 0});
        started_ = Clock::now();
    }
    void trialDone() override {
        trials.back().ms =
            std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
    }
    void found(const SearchHit& hit) override { hits.push_back(hit); }
    bool stopRequested() override { return false; }

    std::vector<Trial> trials;
    std::vector<SearchHit> hits;

  private:
    Clock::time_point started_;
};

class NoPump final : public EventPump {
  public:
    void processPending() override {}
    void pause(std::chrono::milliseconds) override {}
};

struct SlowModuleCase {
    int connection;
    int timeoutMs;
    int replyDelayMs;  // the module's answer delay, beyond its frame-end silence
    double silentMs;   // what a trial without an answer costs
};

// From a fast connection a module at 1200 bit/s with odd parity is found,
// also when its answer is delayed as a real line delays it (the 73 ms a
// request takes at 1200 bit/s, as 80 ms after the pseudo-terminal hands
// the request over at once; within TimeOut 100); a silent trial costs what
// one exchange at 1200 bit/s needs (request, frame end, TimeOut, reply,
// read interval), never the time-outs of 1200 bit/s (4 s). With TimeOut 0
// the module answers 30 ms after the frame end, a margin a loaded machine
// keeps.
class SearchTiming : public ::testing::TestWithParam<SlowModuleCase> {};

TEST_P(SearchTiming, ASlowModuleIsFoundAndSilentTrialsCostOneExchange) {
    const SlowModuleCase& c = GetParam();
    char name[] = "/tmp/m8163-search-timing.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path folder = name;
    sim::ModuleSetup setup;
    setup.address = 1;
    setup.format = {1200, sim::kOdd};
    sim::ModuleModel module(setup);
    if (c.replyDelayMs > 0)
        module.faults.push_back({.kind = sim::FaultKind::Delay, .amount = c.replyDelayMs});
    sim::ServerOptions options;
    options.link = (folder / "port").string();
    options.modules = {module};
    options.pace = true;
    sim::PtyServer server(std::move(options));
    server.start();

    TermiosPort port;
    ComPortMap ports;
    ports.devices[0] = server.path();
    ConnectionSettings connection;
    connection.speed = c.connection;
    connection.parity = parityFromCode(kParityNone);
    connection.moduleAddress = 9;
    connection.timeoutMs = c.timeoutMs;
    SystemClock clock;
    test::RecordingBoxes boxes;
    const SearchLine line{port, ports, connection, clock, boxes};

    SearchPlan plan;
    plan.speeds[static_cast<std::size_t>(lineFormatByBitRate(1200)->listIndex)] = true;
    plan.parities = {true, true, true};
    plan.firstAddress = 1;
    plan.lastAddress = 2;
    NoPump pump;
    TimedView view;
    const SearchEnd end = runSearch(
        plan, line,
        [](const ModbusLine& l) {
            // The measured-value block, as the window's search reads it.
            std::array<std::uint16_t, 7> values{};
            return readRegisters(l, 0, values);
        },
        pump, view);
    port.close();
    server.stop();
    std::filesystem::remove_all(folder);

    EXPECT_EQ(end, SearchEnd::Normal);
    EXPECT_EQ(view.hits, (std::vector<SearchHit>{{1200, 1, Parity::Odd}}));
    ASSERT_EQ(view.trials.size(), 6u);
    EXPECT_TRUE(boxes.shown.empty());
    for (const TimedView::Trial& trial : view.trials) {
        SCOPED_TRACE(std::to_string(trial.parity) + "@" + std::to_string(trial.address));
        if (trial.address == 1 && trial.parity == kParityOdd)
            continue;
        EXPECT_GE(trial.ms, c.silentMs);
        EXPECT_LE(trial.ms, c.silentMs + 300);
    }
}

INSTANTIATE_TEST_SUITE_P(FromAFastConnection, SearchTiming,
                         ::testing::Values(
                             // 280 ms for request, frame end and reply at 1200 bit/s, the read
                             // interval of the connection (24 ms) or two byte times (19 ms).
                             SlowModuleCase{19200, 100, 0, 280 + 100 + 24},
                             SlowModuleCase{115200, 0, 30, 280 + 0 + 19},
                             SlowModuleCase{115200, 100, 80, 280 + 100 + 19}),
                         [](const ::testing::TestParamInfo<SlowModuleCase>& info) {
                             return "At" + std::to_string(info.param.connection) + "TimeOut" +
                                    std::to_string(info.param.timeoutMs);
                         });

}  // namespace
}  // namespace m8163
