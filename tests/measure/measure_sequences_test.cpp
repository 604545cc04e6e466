#include "measure/measure_sequences.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/connection_settings.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

// Notes every step of a sequence in one list: the view's calls, the port's
// reads and, with each, how many log lines the file has by then.
class Steps : public MeasureView {
  public:
    std::vector<std::string> steps;
    std::string logFile;

    void showPollingSwitch(bool on) override { note(on ? "switch on" : "switch off"); }
    void showMeasurement(const MeasurementView& view) override {
        note("measurement " + view.value + " / " + view.exchange);
    }
    void showCounters(const CounterTexts& texts) override {
        note("counters " + texts.cycles + " " + texts.measurementErrors + " " +
             texts.exchangeErrors);
    }
    void note(const std::string& step) {
        steps.push_back(step + " [" + std::to_string(logLines()) + " lines]");
    }

  private:
    std::size_t logLines() const {
        std::ifstream in(logFile);
        std::size_t n = 0;
        for (std::string line; std::getline(in, line);)
            ++n;
        return n;
    }
};

class NotingPort : public test::ScriptedPort {
  public:
    Steps* steps = nullptr;
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        steps->note("read");
        return ScriptedPort::read(buffer, size);
    }
};

class MeasureSequenceTest : public ::testing::Test {
  protected:
    std::filesystem::path folder;
    PollingState polling;
    MeasurementRecord record;
    MeasurementLogSettings log;
    ConnectionSettings settings;
    test::FixedClock clock;
    NotingPort port;
    test::RecordingBoxes boxes;
    Steps view;
    TrendHistory trend;
    MeasureData data{polling, record, log, trend};
    ModbusLine line{port, settings, clock};

    void SetUp() override {
        char name[] = "/tmp/m8163-measure-seq.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        settings.moduleAddress = 1;
        log.writeFile = 1;
        log.fileName = (folder / "izm.txt").string();
        view.logFile = log.fileName;
        port.steps = &view;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

TEST_F(MeasureSequenceTest, APollingTickReadsShowsCountsThenLogs) {
    setPolling(polling, true);
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0x0001, 0, 0, 0});
    runPollingTick(data, line, true, view);

    EXPECT_EQ(view.steps, (std::vector<std::string>{
                              "read [0 lines]",
                              "measurement     25.0000 / Нормальный обмен [0 lines]",
                              "counters 0 0 0 [0 lines]",
                              "counters 1 1 0 [0 lines]",
                          }));
    EXPECT_TRUE(boxes.shown.empty());
    view.steps.clear();

    // A silent module: the cycle still counts, shows and logs, with no box.
    runPollingTick(data, line, true, view);
    EXPECT_EQ(view.steps, (std::vector<std::string>{
                              "read [1 lines]",
                              "measurement     25.0000 / Ошибка в обмене [1 lines]",
                              "counters 1 1 0 [1 lines]",
                              "counters 2 2 1 [1 lines]",
                          }));
    view.note("after");
    EXPECT_EQ(view.steps.back(), "after [2 lines]");

    // Both cycles are in the trend: the faulty reading with its value and
    // status, the silent one as a failure without the record's old value.
    ASSERT_EQ(trend.size(), 2u);
    EXPECT_EQ(trend.at(0).value, 25.0f);
    EXPECT_EQ(trend.at(0).status, 1u);
    EXPECT_FALSE(trend.at(0).failed());
    EXPECT_EQ(trend.at(0).localMs, localMilliseconds(clock.now()));
    EXPECT_EQ(trend.at(1).exchangeResult, record.exerr);
    EXPECT_TRUE(trend.at(1).failed());
    EXPECT_EQ(trend.at(1).status, 0u);
    EXPECT_EQ(trend.at(1).value, 0.0f);
}

TEST_F(MeasureSequenceTest, ATickOnAnotherPageSwitchesOffBeforeAnyRead) {
    struct Case {
        bool polling;
        bool firstPage;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {true, false, {"switch off [0 lines]"}},
        {false, false, {"switch off [0 lines]"}},
        {false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.polling << c.firstPage);
        polling.polling = c.polling;
        view.steps.clear();
        runPollingTick(data, line, c.firstPage, view);
        EXPECT_EQ(view.steps, c.steps);
        EXPECT_FALSE(polling.polling);
        EXPECT_EQ(polling.cycles, 0u);
    }
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(trend.empty());
}

TEST_F(MeasureSequenceTest, ASingleReadShowsLogsThenReportsAndAFailureOnlyReports) {
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0, 0, 0, 0});
    runSingleRead(data, line, boxes, view);
    view.note("after");
    EXPECT_EQ(view.steps, (std::vector<std::string>{
                              "read [0 lines]",
                              "measurement     25.0000 / Нормальный обмен [0 lines]",
                              "after [1 lines]",
                          }));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Прочитано измеренное значение.");
    EXPECT_EQ(polling.cycles, 0u);

    view.steps.clear();
    runSingleRead(data, line, boxes, view);
    EXPECT_EQ(view.steps, (std::vector<std::string>{"read [1 lines]"}));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].caption, "Ошибка в обмене.");
    // Single readings are in the trend too, the failed one as a gap.
    ASSERT_EQ(trend.size(), 2u);
    EXPECT_FALSE(trend.at(0).failed());
    EXPECT_TRUE(trend.at(1).failed());
}

}  // namespace
}  // namespace m8163
