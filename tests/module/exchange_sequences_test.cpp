// The connection bar's and exchange page's commands as sequences: what goes
// on the line, what the window is asked to show, and in which order.
#include "module/exchange_sequences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Steps = std::vector<std::string>;
using test::hexBytes;
using test::withCrc;

// What a silent module is reported as.
constexpr const char* kSilence =
    "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.";

// Records what the sequences ask of the window, in one list with the pump's
// message passes.
class RecordingViews : public ConnectionView, public ExchangePageView {
  public:
    Steps steps;
    void stopPolling() override { steps.push_back("polling off"); }
    void showConnection() override { steps.push_back("bar"); }
    void reopenPort(SerialPort&) override { steps.push_back("reopen"); }
    void showExchangePage() override { steps.push_back("page"); }
};

class StepPump : public test::RecordingPump {
  public:
    Steps* steps = nullptr;
    void processPending() override {
        steps->push_back("messages");
        RecordingPump::processPending();
    }
};

class ExchangeSequences : public ::testing::Test {
  protected:
    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    test::RecordingBoxes boxes;
    StepPump pump;
    RegisterImage image;
    RecordingViews views;

    void SetUp() override {
        settings.moduleAddress = 1;
        pump.steps = &views.steps;
    }
    ModbusLine line() { return {port, settings, clock}; }
    void givePage(std::uint16_t network, std::uint16_t speedCode, std::uint16_t parity) {
        image.word(0x0408) = network;
        image.word(0x0409) = speedCode;
        image.word(0x040A) = parity;
    }
    void write() { runWriteExchangePage(line(), pump, image, settings, boxes, views, views); }
};

TEST_F(ExchangeSequences, BlinkStopsPollingThenWritesOneAtOnce) {
    port.replyWrite(1, 0x0416, 1);
    runBlink(line(), boxes, views);
    EXPECT_EQ(views.steps, Steps{"polling off"});
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0], withCrc(hexBytes("01 10 04 16 00 01 02 00 01")));
    EXPECT_TRUE(pump.pauses.empty());
    EXPECT_TRUE(boxes.shown.empty());

    runBlink(line(), boxes, views);  // no reply
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kSilence);
}

TEST_F(ExchangeSequences, SetInitAsksFirstAndReopensAfterMessagesRan) {
    settings = {3, 9600, parityFromCode(2), 5, 1000, 1, 0, ""};
    boxes.answers = {BoxAnswer::No};
    runSetInit(settings, port, pump, boxes, views);
    EXPECT_TRUE(views.steps.empty());
    EXPECT_EQ(settings.speed, 9600);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0],
              (MessageBox{"Текущие настройки связи будут изменены на значения для работы в "
                          "режиме INIT.",
                          "Подтвердите действие",
                          BoxIcon::Warning,
                          BoxButtons::YesNo,
                          {}}));

    runSetInit(settings, port, pump, boxes, views);
    EXPECT_EQ(views.steps, (Steps{"polling off", "bar", "messages", "reopen"}));
    EXPECT_EQ(settings.portNumber, 3);
    EXPECT_EQ(settings.speed, 19200);
    EXPECT_EQ(settings.parity, Parity::None);
    EXPECT_EQ(settings.moduleAddress, 1);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(ExchangeSequences, ReadShowsThePageThenTheSuccessBox) {
    port.replyRegisters(1, {5, 6, 2, 0, 0});
    port.replyRegisters(1, {12, 3456});
    port.replyRegisters(1, {14, 3, 11});
    port.replyRegisters(1, {2, 15});
    port.replyRegisters(1, {0});
    port.replyRegisters(1, {0x8163});
    runReadExchangePage(line(), pump, image, boxes, views);
    EXPECT_EQ(views.steps, Steps{"page"});
    EXPECT_EQ(image.word(0x0400), 0x8163);
    EXPECT_EQ(port.written.size(), 6u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], (MessageBox{"Чтение всех параметров закладки успешно осуществлено.",
                                          "Результат операции",
                                          BoxIcon::Information,
                                          BoxButtons::Ok,
                                          {}}));
}

TEST_F(ExchangeSequences, ReadFailingAtTheThirdReadKeepsTheFirstReadsUnshown) {
    port.replyRegisters(1, {5, 6, 2, 0, 0});
    port.replyRegisters(1, {12, 3456});
    port.silence();
    runReadExchangePage(line(), pump, image, boxes, views);
    EXPECT_TRUE(views.steps.empty());
    EXPECT_EQ(image.word(0x0408), 5);
    EXPECT_EQ(image.word(0x0402), 3456);
    EXPECT_EQ(image.word(0x0405), 0);
    EXPECT_EQ(port.written.size(), 3u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kSilence);
}

TEST_F(ExchangeSequences, WriteSendsThreeWordsAndTheConnectionFollows) {
    struct Case {
        std::uint16_t network, speedCode, parity;
        int speed;
    };
    for (const Case c : {Case{5, 6, 2, 9600}, Case{247, 10, 1, 115200}, Case{1, 11, 0, 9600}}) {
        SCOPED_TRACE(c.speedCode);
        settings = {4, 19200, parityFromCode(0), 1, 1000, 1, 0, ""};
        port.written.clear();
        boxes.shown.clear();
        views.steps.clear();
        givePage(c.network, c.speedCode, c.parity);
        port.replyWrite(1, 0x0408, 3);
        write();
        ASSERT_EQ(port.written.size(), 1u);
        EXPECT_EQ(port.written[0],
                  withCrc({1, 0x10, 0x04, 0x08, 0, 3, 6, 0, static_cast<std::uint8_t>(c.network), 0,
                           static_cast<std::uint8_t>(c.speedCode), 0,
                           static_cast<std::uint8_t>(c.parity)}));
        EXPECT_EQ(settings.portNumber, 4);
        EXPECT_EQ(settings.speed, c.speed);
        EXPECT_EQ(settings.parity, parityFromCode(c.parity));
        EXPECT_EQ(settings.moduleAddress, c.network);
        EXPECT_EQ(views.steps, (Steps{"page", "bar", "reopen"}));
        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[0].text, "Данные конфигурации будут переписаны?.");
        EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::YesNo);
        EXPECT_EQ(boxes.shown[1],
                  (MessageBox{"Запись параметров обмена модуля успешно осуществлена.",
                              "Результат операции",
                              BoxIcon::Information,
                              BoxButtons::Ok,
                              {}}));
    }
}

TEST_F(ExchangeSequences, WriteThatIsRefusedOrFailsLeavesTheConnection) {
    const ConnectionSettings before{2, 19200, parityFromCode(0), 1, 1000, 1, 0, ""};
    settings = before;

    // No module number picked: refused before the question, nothing sent.
    givePage(0xFFFF, 6, 2);
    write();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Ошибка ввода");
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);

    // Answered No.
    givePage(5, 6, 2);
    boxes.answers = {BoxAnswer::No};
    write();
    EXPECT_EQ(boxes.shown.size(), 2u);

    // The module refuses the values.
    port.replies.push_back({withCrc(hexBytes("01 90 03"))});
    write();
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[3].caption, "Устройство сообщает об ошибке");

    EXPECT_EQ(port.written.size(), 1u);
    EXPECT_TRUE(views.steps.empty());
    EXPECT_EQ(settings.speed, before.speed);
    EXPECT_EQ(settings.parity, before.parity);
    EXPECT_EQ(settings.moduleAddress, before.moduleAddress);
}

// Over a port whose line format the server fixes, a write that changes the
// speed or the parity asks once more; the same format, or a No, as usual.
TEST_F(ExchangeSequences, FormatChangeOverAFixedFormatPortIsAskedAgain) {
    port.fixedFormat = true;
    struct Case {
        std::uint16_t speedCode, parity;
        std::deque<BoxAnswer> answers;
        std::size_t boxes;
        std::size_t writes;
    };
    // Code 7 is 19200 bit/s, the connection's own.
    const Case cases[] = {
        {7, 0, {}, 2, 1},                                // same format: no extra question
        {6, 0, {BoxAnswer::Yes, BoxAnswer::No}, 2, 0},   // new speed, No
        {7, 2, {BoxAnswer::Yes, BoxAnswer::Yes}, 3, 1},  // new parity, Yes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speedCode * 10 + c.parity);
        settings = {1, 19200, parityFromCode(0), 1, 1000, 1, 0, ""};
        port.written.clear();
        boxes.shown.clear();
        boxes.answers = c.answers;
        givePage(1, c.speedCode, c.parity);
        port.replyWrite(1, 0x0408, 3);
        write();
        EXPECT_EQ(boxes.shown.size(), c.boxes);
        EXPECT_EQ(port.written.size(), c.writes);
        if (c.boxes > 1 && c.answers.size() > 1) {
            EXPECT_NE(boxes.shown[1].text.find("socket://"), std::string::npos);
            EXPECT_EQ(boxes.shown[1].buttons, BoxButtons::YesNo);
        }
    }
}

}  // namespace
}  // namespace m8163
