// "Начать поиск" as the window runs it, without widgets: the settings that
// the take-over completed, the found-device table, the running flag, the
// boxes of the three ends and what the page is told, in order.
#include "search/search_command.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

std::string trialText(int speed, int parity, unsigned address) {
    return std::to_string(speed) + "/" + std::to_string(parity) + "@" + std::to_string(address);
}

SearchSettings settingsOf(std::vector<int> rates, std::vector<int> parities, int first, int last) {
    SearchSettings s;
    for (int rate : rates)
        s.speeds[static_cast<std::size_t>(lineFormatByBitRate(rate)->listIndex)] = 1;
    for (int parity : parities)
        (parity == kParityNone  ? s.parityNone
         : parity == kParityOdd ? s.parityOdd
                                : s.parityEven) = 1;
    s.firstAddress = first;
    s.lastAddress = last;
    return s;
}

// The page as a trace: "lock", "unlock", "list N" (the found list shown
// with N rows), each trial, "done D/P" only when the figure moves, "clear";
// "pending" for each message pass of the pump.
class SearchCommandTest : public ::testing::Test, public SearchPageView, public EventPump {
  protected:
    SearchCommandTest() {
        connection.speed = 19200;
        connection.parity = parityFromCode(kParityOdd);
        connection.moduleAddress = 7;
        connection.timeoutMs = 300;
    }

    SearchEnd run() {
        completeSearchSettings(settings);
        running = true;
        const SearchLine line{port, ports, connection, clock, boxes};
        return runSearchCommand(
            {settings, found, running}, line,
            [this](const ModbusLine& l) {
                const ConnectionSettings& s = l.settings;
                // The port was reopened at the trial's format; the exchange
                // keeps the connection's speed and parity.
                EXPECT_EQ(l.lineSpeed, port.line.speed);
                EXPECT_EQ((LineSettings{s.speed, s.parity}), (LineSettings{19200, Parity::Odd}));
                const std::string trial = trialText(port.line.speed, parityCode(port.line.parity),
                                                    static_cast<unsigned>(s.moduleAddress));
                trace.push_back(trial);
                const bool hit = answerAll || answering.count(trial) != 0;
                return hit ? ExchangeStatus{} : ExchangeStatus{kLengthError | kNoReply, 0};
            },
            *this, *this);
    }

    std::vector<std::string> trials() const {
        std::vector<std::string> only;
        for (const std::string& t : trace)
            if (t.find('@') != std::string::npos)
                only.push_back(t);
        return only;
    }

    void lockSearch(bool locked) override { trace.push_back(locked ? "lock" : "unlock"); }
    void showSearch() override { trace.push_back("list " + std::to_string(found.count())); }
    void showTrial(int speed, Parity parity, unsigned address) override {
        progress.push_back(searchProgressText(speed, parity, address));
    }
    void showTrialsDone(std::size_t done, std::size_t planned) override {
        const std::string figure = std::to_string(done) + "/" + std::to_string(planned);
        if (figures.empty() || figures.back() != figure)
            figures.push_back(figure);
    }
    void clearProgress() override { trace.push_back("clear"); }
    void processPending() override {
        trace.push_back("pending");
        if (onPending)
            onPending();
    }
    void pause(std::chrono::milliseconds) override {}

    test::ScriptedPort port;
    ComPortMap ports;
    ConnectionSettings connection;
    test::FixedClock clock;
    test::RecordingBoxes boxes;
    SearchSettings settings;
    FoundDevices found;
    bool running = false;
    std::vector<std::string> trace;
    std::vector<std::string> progress;
    std::vector<std::string> figures;
    std::set<std::string> answering;
    bool answerAll = false;
    std::function<void()> onPending;
};

TEST_F(SearchCommandTest, TakeOverRulesFillTheGapsOfTheSettings) {
    struct Case {
        SearchSettings given;
        SearchSettings completed;
    };
    const Case cases[] = {
        // No speed: 9600 and 19200; no parity: all three.
        {settingsOf({}, {}, 1, 5), settingsOf({9600, 19200}, {0, 1, 2}, 1, 5)},
        // A reversed range is swapped; ticked flags stay as they are.
        {settingsOf({1200}, {kParityEven}, 10, 3), settingsOf({1200}, {kParityEven}, 3, 10)},
        // A number that names no entry (-1) is the largest: it ends the range.
        {settingsOf({1200}, {kParityEven}, -1, 4), settingsOf({1200}, {kParityEven}, 4, -1)},
    };
    for (const Case& c : cases) {
        SearchSettings s = c.given;
        completeSearchSettings(s);
        EXPECT_EQ(s.speeds, c.completed.speeds);
        EXPECT_EQ(std::tie(s.parityNone, s.parityOdd, s.parityEven, s.firstAddress, s.lastAddress),
                  std::tie(c.completed.parityNone, c.completed.parityOdd, c.completed.parityEven,
                           c.completed.firstAddress, c.completed.lastAddress));
    }
}

TEST_F(SearchCommandTest, PlannedTrialsCountTickedSpeedsNumbersAndParities) {
    const std::pair<SearchSettings, std::size_t> cases[] = {
        {settingsOf({9600}, {0, 1, 2}, 5, 5), 3},
        {settingsOf({1200, 9600, 19200}, {0, 1, 2}, 0, 8), 81},
        {settingsOf({9600}, {kParityNone}, 0, 247), 248},
        {settingsOf({9600}, {kParityNone}, 250, 300), 6},  // up to 255
        {settingsOf({9600}, {kParityNone}, 300, 300), 1},  // the first number alone
    };
    for (const auto& [s, count] : cases)
        EXPECT_EQ(searchTrialCount(searchPlanFrom(s)), count) << s.firstAddress;
}

TEST_F(SearchCommandTest, OneModuleNumberAtOneSpeedIsThreeTrialsWithoutAMessagePass) {
    settings = settingsOf({9600}, {}, 5, 5);
    answering = {trialText(9600, kParityEven, 5)};
    EXPECT_EQ(run(), SearchEnd::Normal);

    const std::vector<std::string> expected = {"lock",     "list 0", "9600/0@5", "9600/1@5",
                                               "9600/2@5", "list 1", "unlock",   "clear"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(found.count(), 1u);
    EXPECT_EQ(found.entries[0], (SearchHit{9600, 5, Parity::Even}));
    EXPECT_EQ(figures, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], (MessageBox{"Процедура поиска завершена.",
                                          "Ход поиска",
                                          BoxIcon::Information,
                                          BoxButtons::Ok,
                                          {}}));
    // Nothing of the connection changed; the port is back at it.
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::Odd}));
    EXPECT_EQ(connection.moduleAddress, 7);
    EXPECT_FALSE(running);
}

TEST_F(SearchCommandTest, TheLastNumberIsTriedAndAModuleThereIsFound) {
    settings = settingsOf({9600}, {kParityOdd}, 245, 247);
    answering = {trialText(9600, kParityOdd, 247)};
    EXPECT_EQ(run(), SearchEnd::Normal);
    EXPECT_EQ(trials(), (std::vector<std::string>{"9600/1@245", "9600/1@246", "9600/1@247"}));
    EXPECT_EQ(foundRowText(found.entries[0]), "Скорость 9600 нечёт. пар. Сет. номер 247");
    EXPECT_EQ(progress.back(), "Проверяется скорость 9600 нечетный паритет номер прибора 247");
}

TEST_F(SearchCommandTest, StopDuringAMessagePassTakesTheUserEndAndANewSearchStartsAfresh) {
    settings = settingsOf({4800, 9600}, {kParityNone, kParityEven}, 3, 6);
    answering = {trialText(4800, kParityNone, 3)};
    // The stop click runs in the pass between numbers 4 and 5.
    int passes = 0;
    onPending = [&] {
        if (++passes == 2)
            running = false;
    };
    EXPECT_EQ(run(), SearchEnd::User);
    // After the click, the next trial runs and its stop check ends the search.
    EXPECT_EQ(trials(), (std::vector<std::string>{"4800/0@3", "4800/2@3", "4800/0@4", "4800/2@4",
                                                  "4800/0@5"}));
    EXPECT_EQ(trace.back(), "clear");
    EXPECT_EQ(trace[trace.size() - 2], "unlock");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Процедура поиска завершена пользователем.");
    EXPECT_EQ(boxes.shown[0].caption, "Ход поиска");
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::Odd}));
    EXPECT_EQ(connection.moduleAddress, 7);
    EXPECT_EQ(found.count(), 1u);

    // Again: the first ticked speed, the start number, the first ticked
    // parity; the table starts empty.
    trace.clear();
    onPending = nullptr;
    answering.clear();
    EXPECT_EQ(run(), SearchEnd::Normal);
    EXPECT_EQ(trials().front(), "4800/0@3");
    EXPECT_EQ(trials().size(), 16u);
    EXPECT_EQ(found.count(), 0u);
}

TEST_F(SearchCommandTest, TheThirtyThirdModuleFillsTheTableAndTakesTheFullTableEnd) {
    settings = settingsOf({9600}, {kParityNone}, 0, 247);
    answerAll = true;
    EXPECT_EQ(run(), SearchEnd::FullTable);
    EXPECT_EQ(found.count(), kFoundTableSize);
    EXPECT_EQ(found.entries.back(), (SearchHit{9600, 32, Parity::None}));
    EXPECT_EQ(trials().size(), 33u);
    // The figure counts the trial that filled the table.
    EXPECT_EQ(figures.back(), "33/248");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Процедура поиска завершена.На линии слишком много приборов.");
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::Odd}));
    EXPECT_FALSE(running);
}

// A port that cannot be opened for a trial ends the search there: its box
// once, then the end a stop gives; the port is back at the connection.
TEST_F(SearchCommandTest, APortThatCannotBeOpenedEndsTheSearchWithOneBox) {
    settings = settingsOf({9600}, {}, 1, 5);
    onPending = [this] { port.failNextOpens = 1; };
    EXPECT_EQ(run(), SearchEnd::PortFailed);
    EXPECT_EQ(trials(), (std::vector<std::string>{"9600/0@1", "9600/1@1", "9600/2@1"}));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Невозможно открыть последовательный порт");
    EXPECT_EQ(boxes.shown[1].text, "Процедура поиска завершена пользователем.");
    EXPECT_EQ(boxes.shown[1].caption, "Ход поиска");
    EXPECT_EQ(figures.back(), "3/15");
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::Odd}));
    EXPECT_EQ(trace.back(), "clear");
    EXPECT_FALSE(running);

    // The connection's port missing as well: still the one box.
    boxes.shown.clear();
    trace.clear();
    onPending = nullptr;
    port.failOpen = true;
    EXPECT_EQ(run(), SearchEnd::PortFailed);
    EXPECT_TRUE(trials().empty());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Невозможно открыть последовательный порт");
}

// Over a port whose line format is the far end's own the run tries that
// format only, and the figure counts the trials it makes.
TEST_F(SearchCommandTest, OverAFixedFormatTheFigureCountsTheTrialsMade) {
    port.fixedFormat = true;
    settings = settingsOf({9600, 19200}, {}, 1, 5);
    EXPECT_EQ(run(), SearchEnd::Normal);
    EXPECT_EQ(trials().size(), 5u);
    EXPECT_EQ(figures, (std::vector<std::string>{"0/5", "1/5", "2/5", "3/5", "4/5", "5/5"}));
}

TEST_F(SearchCommandTest, WithoutTheRunningFlagNothingHappens) {
    settings = settingsOf({9600}, {}, 1, 1);
    completeSearchSettings(settings);
    const SearchLine line{port, ports, connection, clock, boxes};
    runSearchCommand(
        {settings, found, running}, line, [](const ModbusLine&) { return ExchangeStatus{}; }, *this,
        *this);
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(port.openedDevices.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(FoundDevicesTest, RowsAndTakeOverEntries) {
    FoundDevices table;
    EXPECT_TRUE(table.add({19200, 1, Parity::None}));
    EXPECT_TRUE(table.add({9600, 247, Parity::Odd}));
    EXPECT_TRUE(table.add({2400, 3, Parity::Even}));
    EXPECT_EQ(foundRowText(table.entries[0]), "Скорость 19200 без парит. Сет. номер 1");
    EXPECT_EQ(foundRowText(table.entries[1]), "Скорость 9600 нечёт. пар. Сет. номер 247");
    EXPECT_EQ(foundRowText(table.entries[2]), "Скорость 2400 чет. пар. Сет. номер 3");

    EXPECT_EQ(foundEntryToTakeOver(table, 1), (SearchHit{9600, 247, Parity::Odd}));
    for (int row : {-1, 3, 32})
        EXPECT_FALSE(foundEntryToTakeOver(table, row)) << row;
    table.entries[0].speed = 1234;  // not a speed of the table
    EXPECT_EQ(foundEntryToTakeOver(table, 0)->speed, 19200);

    for (unsigned a = 3; a < kFoundTableSize; ++a)
        EXPECT_TRUE(table.add({9600, a, Parity::None}));
    EXPECT_FALSE(table.add({9600, 99, Parity::None}));
    table.clear();
    EXPECT_EQ(table.count(), 0u);
}

}  // namespace
}  // namespace m8163
