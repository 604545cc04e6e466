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

// From a connection at 19200 bit/s with TimeOut 100, a module at 1200 bit/s
// with odd parity is found, and a silent trial costs the time-out plus 21
// byte times of the connection's speed (352 ms), not of the trial's (4032).
TEST(SearchTiming, ASlowModuleIsFoundAndSilentTrialsCostTheConnectionsTime) {
    char name[] = "/tmp/m8163-search-timing.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path folder = name;
    sim::ModuleSetup setup;
    setup.address = 1;
    setup.format = {1200, sim::kOdd};
    sim::ServerOptions options;
    options.link = (folder / "port").string();
    options.modules = {sim::ModuleModel(setup)};
    options.pace = true;
    sim::PtyServer server(std::move(options));
    server.start();

    TermiosPort port;
    ComPortMap ports;
    ports.devices[0] = server.path();
    ConnectionSettings connection;
    connection.speed = 19200;
    connection.parity = parityFromCode(kParityNone);
    connection.moduleAddress = 9;
    connection.timeoutMs = 100;
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
    constexpr double kSilentMs = 100 + 21 * 12;
    for (const TimedView::Trial& trial : view.trials) {
        SCOPED_TRACE(std::to_string(trial.parity) + "@" + std::to_string(trial.address));
        if (trial.address == 1 && trial.parity == kParityOdd)
            continue;
        EXPECT_GE(trial.ms, kSilentMs);
        EXPECT_LE(trial.ms, kSilentMs + 300);
    }
}

}  // namespace
}  // namespace m8163
