#include "module/frame_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/register_codec.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using test::hexBytes;
using test::withCrc;

// What the transactions tell a watcher, kept as the decoder sees it.
struct Seen {
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> reply;
    ExchangeStatus status;
};

class Watcher : public ExchangeObserver {
  public:
    std::vector<Seen> seen;
    int requests = 0;
    void requestSent(const SentFrame&) override { ++requests; }
    void replyReceived(const ReceivedFrame& frame) override {
        seen.push_back({{frame.request.begin(), frame.request.end()},
                        {frame.bytes.begin(), frame.bytes.end()},
                        frame.status});
    }
};

class FrameDecoderTest : public ::testing::Test {
  protected:
    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    Watcher watcher;
    ModbusLine line{port, settings, clock, 0, &watcher};

    void SetUp() override { settings.moduleAddress = 1; }

    // Runs one read through the real transaction; what the watcher saw.
    Seen read(std::uint16_t start, std::size_t count) {
        std::vector<std::uint16_t> values(count);
        readRegisters(line, start, values);
        EXPECT_EQ(watcher.requests, static_cast<int>(watcher.seen.size()));
        return watcher.seen.back();
    }
    Seen write(std::uint16_t start, const std::vector<std::uint16_t>& values) {
        writeRegisters(line, start, values);
        return watcher.seen.back();
    }
};

std::vector<std::uint16_t> withReal(std::vector<std::uint16_t> words, std::size_t at, float value) {
    const auto pair = splitF32(value);
    words[at] = pair[0];
    words[at + 1] = pair[1];
    return words;
}

std::vector<std::uint16_t> textWords(const std::string& text, std::size_t count) {
    std::vector<std::uint16_t> words(count);
    packText(text, words);
    return words;
}

TEST_F(FrameDecoderTest, ReadOfEachBlockNamesItsStartAndShowsTypedValues) {
    struct Case {
        std::uint16_t start;
        std::vector<std::uint16_t> values;
        std::string request;  // part of the request's text
        std::string reply;    // part of the reply's text
    };
    const Case cases[] = {
        {0x0000, withReal({0, 0, 512, 0x03, 0, 0, 0}, 0, 25.5f),
         "модуль 1, чтение (03): 0x0000 измеренное значение, 7 рег.",
         "измеренное значение = 25.5000; относительное значение = 512; статус измерения = Обрыв "
         "Ниже НПИ"},
        {0x0408,
         {7, 7, 2, 0, 0},
         "0x0408 сетевой номер, 5 рег.",
         "0007 0007 0002 0000 0000 (сетевой номер = 7; скорость = 19200 бит/с; паритет = чёт; "
         "сторожевой таймер = отключен)"},
        {0x0401,
         {1234, 56},
         "0x0401 заводской номер 1, 2 рег.",
         "заводской номер 1 = 1234; заводской номер 2 = 56"},
        {0x0405, {9, 3, 7}, "0x0405 дата изготовления, 3 рег.", "дата изготовления = 09.03.2007"},
        {0x0403, {2, 15}, "0x0403 версия схемы", "версия схемы = 2; версия ПО = 15"},
        {0x040C, {2550}, "0x040C сторожевой таймер", "сторожевой таймер = 255.0 с"},
        {0x0400, {0x8163}, "0x0400 код модели, 1 рег.", "код модели = 8163"},
        {0x050C, withReal(withReal(std::vector<std::uint16_t>(14), 10, -1.5f), 12, 1.0f),
         "0x050C, 14 рег.", "смещение = -1.5000; подстройка = 1.0000"},
        {0x0500, withReal(withReal({21, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 0}, 8, 4.0f), 10, 20.0f),
         "0x0500 тип датчика, 12 рег.",
         "тип датчика = Ток 4-20 мА; извлечение корня = вкл; усреднение = 16; минимум диапазона = "
         "4.0000; максимум диапазона = 20.0000"},
        {0x051B, withReal(withReal({0, 0, 0, 0}, 0, -50.0f), 2, 150.0f),
         "0x051B минимум диапазона конструктива, 4 рег.",
         "минимум диапазона конструктива = -50.0000; максимум диапазона конструктива = 150.0000"},
        {0x040E, textWords("Котёл 2", 8), "0x040E текст пользователя, 8 рег.",
         "текст пользователя = \"Котёл 2   "},
        {0x051F, textWords("ТСМ-1088 гильза 80 мм", 16), "0x051F название типа, 16 рег.",
         "название типа = \"ТСМ-1088 гильза 80 мм   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(registerName(c.start));
        port.replyRegisters(1, c.values);
        const Seen seen = read(c.start, c.values.size());
        EXPECT_EQ(seen.status, ExchangeStatus{});
        EXPECT_NE(describeRequest(seen.request).find(c.request), std::string::npos)
            << describeRequest(seen.request);
        const std::string reply = describeReply(seen.request, seen.reply, seen.status);
        EXPECT_NE(
            reply.find("модуль 1, чтение (03): " + std::to_string(2 * c.values.size()) + " байт"),
            std::string::npos)
            << reply;
        EXPECT_NE(reply.find(c.reply), std::string::npos) << reply;
        EXPECT_EQ(exchangeOutcome(seen.status), "норма");
    }
}

TEST_F(FrameDecoderTest, WriteOfEachBlockShowsItsValuesAndTheConfirmation) {
    struct Case {
        std::uint16_t start;
        std::vector<std::uint16_t> values;
        std::string request;
    };
    const Case cases[] = {
        {0x0507, {3}, "запись (16): 0x0507 усреднение, 1 рег.: 0003 (усреднение = 8)"},
        {0x0516, withReal(withReal({0, 0, 0, 0}, 0, 0.25f), 2, 1.0f),
         "0x0516 смещение, 4 рег.: 3E80 0000 3F80 0000 (смещение = 0.2500; подстройка = 1.0000)"},
        {0x040E, textWords("Цех 5", 8), "0x040E текст пользователя, 8 рег.: "},
        {0x0408,
         {247, 10, 1},
         "0x0408 сетевой номер, 3 рег.: 00F7 000A 0001 (сетевой номер = 247; скорость = 115200 "
         "бит/с; паритет = нечёт)"},
        {0x0416, {1}, "0x0416 команда мигания, 1 рег.: 0001 (команда мигания = 1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(registerName(c.start));
        port.replyWrite(1, c.start, static_cast<std::uint16_t>(c.values.size()));
        const Seen seen = write(c.start, c.values);
        EXPECT_NE(describeRequest(seen.request).find(c.request), std::string::npos)
            << describeRequest(seen.request);
        EXPECT_EQ(describeReply(seen.request, seen.reply, seen.status),
                  "модуль 1, запись (16): записано " + registerName(c.start) + ", " +
                      std::to_string(c.values.size()) + " рег.");
    }
    EXPECT_NE(describeRequest(watcher.seen[2].request).find("\"Цех 5"), std::string::npos);
}

// Found by the decoder's fuzz target: a text register holding a line break
// split the trace line and the monitor's saved row in two.
TEST_F(FrameDecoderTest, ControlCharactersOfATextStayOnTheLine) {
    const auto request =
        withCrc({0x01, 0x10, 0x04, 0x0E, 0x00, 0x08, 0x10, 'a', '\n', 'b', '\r', 0x7F,
                 0x09, ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ', ' ',  ' ', ' '});
    const std::string text = describeRequest(request);
    EXPECT_NE(text.find("\"a\\x0Ab\\x0D\\x7F\\x09"), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("\n\r\t\x7F"), std::string::npos) << text;
}

TEST_F(FrameDecoderTest, ExceptionRepliesGiveTheCodeAndItsMeaning) {
    const std::pair<std::uint8_t, std::string> codes[] = {
        {1, "Неподдерживаемая функция."},
        {2, "Адрес данных выходит за допустимые границы."},
        {3, "Величина данных превышает допустимое значение."},
        {4, "Ошибка в работе адресуемого устройства."},
        {11, "Ошибка устройства 11"},
    };
    for (const auto& [code, meaning] : codes) {
        SCOPED_TRACE(code);
        port.replies.push_back({withCrc({1, 0x83, code})});
        const Seen read03 = read(0x0600, 1);
        EXPECT_EQ(describeReply(read03.request, read03.reply, read03.status),
                  "модуль 1, исключение 83: код " + std::to_string(code) + " — " + meaning);
        EXPECT_EQ(exchangeOutcome(read03.status).rfind(meaning, 0), 0u)
            << exchangeOutcome(read03.status);
        port.replies.push_back({withCrc({1, 0x90, code})});
        const Seen write16 = write(0x0600, {1});
        EXPECT_EQ(describeReply(write16.request, write16.reply, write16.status),
                  "модуль 1, исключение 90: код " + std::to_string(code) + " — " + meaning);
    }
}

TEST_F(FrameDecoderTest, BadRepliesSayWhatIsWrongInTheBoxWords) {
    const std::string kLength =
        "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.";
    const std::string kAddress =
        "При приеме в ответе указан не адрес того устройства к которому обращались.";
    const std::string kCrc = "При приеме в ответе не сошлась контрольная сумма.";
    struct Case {
        const char* name;
        std::vector<std::uint8_t> reply;  // to a read of 2 registers from 0x0408
        std::string meaning;              // part of the reply's text
        std::string outcome;
    };
    std::vector<std::uint8_t> good = withCrc(hexBytes("01 03 04 00 07 00 07"));
    std::vector<std::uint8_t> badCrc = good;
    badCrc.back() ^= 0xFF;
    const std::vector<std::uint8_t> other = withCrc(hexBytes("02 03 04 00 07 00 07"));
    const Case cases[] = {
        {"cut short",
         {good.begin(), good.begin() + 5},
         "0007 (не все регистры)",
         kLength + " " + kCrc + " [0x22]"},
        {"bad crc", badCrc, "сетевой номер = 7; скорость = 19200 бит/с", kCrc + " [0x20]"},
        {"other unit", other, "модуль 2 (запрос был к модулю 1), чтение (03)",
         kAddress + " [0x04]"},
        {"echo", hexBytes("01 03 04 08 00 02 44 F9"),
         "эхо запроса: модуль 1, чтение (03): 0x0408 сетевой номер, 2 рег.", ""},
        {"silence",
         {},
         "нет ответа",
         kLength + " " + kAddress + " " + kCrc + " Ответа не было. " +
             "В ответе указан не тот номер команды. [0x6E]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.replies.push_back({c.reply});
        const Seen seen = read(0x0408, 2);
        const std::string meaning = describeReply(seen.request, seen.reply, seen.status);
        EXPECT_NE(meaning.find(c.meaning), std::string::npos) << meaning;
        if (!c.outcome.empty()) {
            EXPECT_EQ(exchangeOutcome(seen.status), c.outcome);
        }
        EXPECT_NE(exchangeOutcome(seen.status), "норма");
    }
}

TEST_F(FrameDecoderTest, ParityFaultIsNamedAndHexIsUpperCasePairs) {
    settings.parity = parityFromCode(2);
    port.replyRegisters(1, {7});
    port.replies.back().receiveErrors = 1;
    const Seen seen = read(0x0408, 1);
    EXPECT_EQ(exchangeOutcome(seen.status), "При приеме ответа ошибка паритета. [0x01]");
    EXPECT_EQ(frameHex(seen.request), "01 03 04 08 00 01 04 F8");
    EXPECT_EQ(frameHex({}), "");
}

}  // namespace
}  // namespace m8163
