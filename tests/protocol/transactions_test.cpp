#include "protocol/transactions.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "protocol/exchange_failure.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using test::hexBytes;
using test::ScriptedPort;

class TransactionTest : public ::testing::Test {
  protected:
    ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};

    void SetUp() override {
        settings.moduleAddress = 1;
        settings.speed = 19200;
        settings.timeoutMs = 2000;
    }
};

// Frames whose CRC was published with them (Modbus specification examples
// and frames quoted by other Modbus implementations); the last two bytes of
// each are the CRC, low byte first.
TEST(Crc16, MatchesPublishedFrames) {
    for (const char* frame : {"01 03 00 00 00 01 84 0A", "01 03 00 00 00 0A C5 CD",
                              "11 03 00 6B 00 03 76 87", "01 06 00 01 00 03 98 0B",
                              "01 03 00 00 00 07 04 08", "01 83 02 C0 F1", "01 90 02 CD C1"}) {
        SCOPED_TRACE(frame);
        std::vector<std::uint8_t> bytes = hexBytes(frame);
        std::uint16_t crc = crc16(bytes.data(), bytes.size() - 2);
        EXPECT_EQ(crc & 0xFF, bytes[bytes.size() - 2]);
        EXPECT_EQ(crc >> 8, bytes[bytes.size() - 1]);
        // A frame followed by its own CRC and any zero bytes checks to 0.
        bytes.resize(bytes.size() + 4, 0);
        EXPECT_EQ(crc16(bytes.data(), bytes.size()), 0);
    }
}

TEST_F(TransactionTest, ReadRequestFrameReadSizeAndPortSteps) {
    port.replyRegisters(1, {0x1234, 0xABCD, 0, 1, 2, 3, 0xFFFF});
    std::array<std::uint16_t, 7> values{};
    EXPECT_EQ(readRegisters(line, 0x0000, values), ExchangeStatus{});
    EXPECT_EQ(values, (std::array<std::uint16_t, 7>{0x1234, 0xABCD, 0, 1, 2, 3, 0xFFFF}));
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0], hexBytes("01 03 00 00 00 07 04 08"));
    EXPECT_EQ(port.readSizes, std::vector<std::size_t>{21});
    EXPECT_EQ(port.purges, 1);
    ASSERT_EQ(port.timeoutsSet.size(), 1u);
    EXPECT_EQ(port.timeoutsSet[0], (PortTimeouts{24, 12, 2000, 0, 0}));
}

TEST_F(TransactionTest, WriteRequestFrameAcceptsAnyEcho) {
    settings.moduleAddress = 0x11;
    port.replyWrite(0x11, 0xBEEF, 77);  // start and count are not checked
    const std::array<std::uint16_t, 3> values{0x000A, 0x0102, 0xFFFE};
    EXPECT_EQ(writeRegisters(line, 0x0402, values), ExchangeStatus{});
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0], test::withCrc(hexBytes("11 10 04 02 00 03 06 00 0A 01 02 FF FE")));
    EXPECT_EQ(port.written[0].size(), 15u);
    EXPECT_EQ(port.readSizes, std::vector<std::size_t>{8});
    ASSERT_EQ(port.timeoutsSet.size(), 1u);
    EXPECT_EQ(port.timeoutsSet[0], (PortTimeouts{12, 12, 2000, 0, 0}));
}

TEST_F(TransactionTest, TimeoutsFollowSpeedAndFunction) {
    struct Row {
        int speed;
        std::uint32_t readInterval, readMultiplier, writeInterval, writeMultiplier;
    };
    const Row rows[] = {
        {1200, 192, 192, 192, 192}, {2400, 96, 96, 96, 96},  {4800, 48, 48, 48, 48},
        {9600, 24, 24, 24, 24},     {19200, 24, 12, 12, 12}, {38400, 24, 6, 6, 6},
        {57600, 24, 6, 6, 6},       {115200, 12, 6, 6, 6},
    };
    settings.timeoutMs = 777;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.speed);
        settings.speed = row.speed;
        port.timeoutsSet.clear();
        std::array<std::uint16_t, 2> values{};
        readRegisters(line, 0, values);
        writeRegisters(line, 0, values);
        ASSERT_EQ(port.timeoutsSet.size(), 2u);
        EXPECT_EQ(port.timeoutsSet[0], (PortTimeouts{row.readInterval, row.readMultiplier, 777}));
        EXPECT_EQ(port.timeoutsSet[1], (PortTimeouts{row.writeInterval, row.writeMultiplier, 777}));
    }
}

struct ResultCase {
    const char* name;
    bool write;
    int count;
    int address;
    int parity;
    const char* reply;  // nullptr: silence
    unsigned receiveErrors;
    unsigned result;
    std::uint8_t code;
    std::vector<std::uint16_t> values;  // read only
};

TEST_F(TransactionTest, ResultBitsAndExceptionCode) {
    const ResultCase cases[] = {
        {"one register", false, 1, 1, 0, "01 03 02 12 34 B5 33", 0, 0, 0, {0x1234}},
        {"silent module", false, 7, 1, 0, nullptr, 0, 0x6E, 0, {0, 0, 0, 0, 0, 0, 0}},
        {"silent module at address 0", false, 1, 0, 0, nullptr, 0, 0x6A, 0, {0}},
        {"silent module, write", true, 3, 1, 0, nullptr, 0, 0x6E, 0, {}},
        {"exception to a read", false, 1, 1, 0, "01 83 02 C0 F1", 0, 0x1A, 2, {0xC0F1}},
        {"exception to a longer read",
         false,
         3,
         1,
         0,
         "01 83 02 C0 F1",
         0,
         0x1A,
         2,
         {0xC0F1, 0, 0}},
        {"exception to a write", true, 3, 1, 0, "01 90 02 CD C1", 0, 0x1A, 2, {}},
        {"CRC high byte missing", false, 1, 1, 0, "01 03 02 00 2A 39", 0, 0x22, 0, {0x002A}},
        {"missing CRC high byte was 0", false, 1, 1, 0, "01 03 02 00 F0 B8", 0, 0x02, 0, {0x00F0}},
        {"other address, good CRC", false, 1, 1, 0, "02 03 02 12 34 F1 33", 0, 0x04, 0, {0x1234}},
        {"other address, write", true, 1, 1, 0, "07 10 00 00 00 01 01 AF", 0, 0x04, 0, {}},
        {"bad CRC", false, 1, 1, 0, "01 03 02 12 34 B5 34", 0, 0x20, 0, {0x1234}},
        {"wrong function", false, 1, 1, 0, "01 04 02 12 34 B4 47", 0, 0x08, 0, {0x1234}},
        {"receive error, parity off",
         false,
         1,
         1,
         0,
         "01 03 02 12 34 B5 33",
         kRxFrame,
         0,
         0,
         {0x1234}},
        {"receive error, odd parity",
         false,
         1,
         1,
         1,
         "01 03 02 12 34 B5 33",
         kRxParity,
         0x01,
         0,
         {0x1234}},
        {"overrun, even parity", true, 1, 1, 2, "01 10 00 00 00 01 01 C9", kRxOverrun, 0x01, 0, {}},
        {"parity code 3 is no parity",
         false,
         1,
         1,
         3,
         "01 03 02 12 34 B5 33",
         kRxParity,
         0,
         0,
         {0x1234}},
    };
    for (const ResultCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort scripted;
        ConnectionSettings s;
        s.moduleAddress = c.address;
        s.parity = parityFromCode(c.parity);
        ModbusLine l{scripted, s, clock};
        if (c.reply != nullptr) {
            scripted.reply(c.reply, c.receiveErrors);
        } else {
            scripted.silence();
        }
        ExchangeStatus status;
        if (c.write) {
            std::vector<std::uint16_t> values(static_cast<std::size_t>(c.count), 0x5555);
            status = writeRegisters(l, 0, values);
        } else {
            std::vector<std::uint16_t> values(static_cast<std::size_t>(c.count), 0xEEEE);
            status = readRegisters(l, 0, values);
            EXPECT_EQ(values, c.values);
        }
        EXPECT_EQ(status.result, c.result);
        EXPECT_EQ(status.exceptionCode, c.code);
        EXPECT_EQ(status.ok(), c.result == 0 && c.code == 0);
    }
}

// A search trial's read keeps the times of the connection's speed, and gets
// longer only where one exchange at the trial's slower speed could not fit
// them: then it gets the request, 3.5 characters of frame end, TimeOut, the
// reply (11 bits a byte) and the read interval, at least two byte times.
TEST_F(TransactionTest, AReadAtAnotherLineSpeedGetsLongerOnlyWhereItMust) {
    struct Case {
        int connection, timeoutMs, lineSpeed;
        PortTimeouts read;  // interval, multiplier, constant
    };
    // 27 bytes and 3.5 characters at 1200 bit/s take 280 ms.
    const Case cases[] = {
        {19200, 100, 0, {24, 12, 100}},      // no trial
        {19200, 100, 19200, {24, 12, 100}},  // the connection's own speed
        {115200, 100, 9600, {12, 6, 100}},   // 35 + 100 + 12 fit in 226
        // 280 + 100 + 24 against 100 + 21 x 12.
        {19200, 100, 1200, {24, 12, 152}},
        // The interval grows to 19 ms; 280 + TimeOut + 19 against 126 + TimeOut.
        {115200, 0, 1200, {19, 6, 173}},
        {115200, 100, 1200, {19, 6, 273}},
        {115200, 150, 1200, {19, 6, 323}},
        {19200, 0, 1200, {24, 12, 52}},  // 280 + 24 against 252
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.connection) + " " + std::to_string(c.timeoutMs) + " " +
                     std::to_string(c.lineSpeed));
        ScriptedPort scripted;
        ConnectionSettings s;
        s.moduleAddress = 1;
        s.speed = c.connection;
        s.timeoutMs = c.timeoutMs;
        scripted.silence();
        std::array<std::uint16_t, 7> values{};
        readRegisters(ModbusLine{scripted, s, clock, c.lineSpeed}, 0, values);
        ASSERT_EQ(scripted.timeoutsSet.size(), 1u);
        const PortTimeouts& set = scripted.timeoutsSet[0];
        EXPECT_EQ((PortTimeouts{set.readInterval, set.readMultiplier, set.readConstant}), c.read);
    }
}

// The result bits are those of a silent module; the status also carries why
// the port is not open, and the box says so instead of blaming the module.
TEST_F(TransactionTest, ClosedPortFailsWithEmptyReplyAndSaysWhy) {
    const std::string why = "Порт не открыт: нет устройства /dev/ttyUSB0. Выберите порт (Ctrl+P)";
    port.openState = false;
    port.setNotOpenReason(why);
    port.replyRegisters(1, {1});
    std::array<std::uint16_t, 1> value{0xEEEE};
    const ExchangeStatus read = readRegisters(line, 0, value);
    EXPECT_EQ(read, (ExchangeStatus{0x6E, 0, false, why}));
    EXPECT_EQ(value[0], 0);
    EXPECT_EQ(writeRegisters(line, 0, value), (ExchangeStatus{0x6E, 0, false, why}));

    const std::optional<MessageBox> box = exchangeFailureBox(read);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Последовательный порт не открыт, модуль не мог ответить.");
    EXPECT_EQ(box->caption, "Ошибка в обмене.");
    EXPECT_EQ(box->detail, why);
    EXPECT_EQ(box->icon, BoxIcon::Warning);

    // Never opened and never told why: still the port, not the module.
    port.setNotOpenReason({});
    EXPECT_EQ(readRegisters(line, 0, value).portNotOpen, "Порт закрыт.");
}

// Whatever the line delivers (noise, a reply cut short, far more than asked),
// a transaction returns and reports length and silence consistently.
TEST_F(TransactionTest, GarbageRepliesNeverOverrun) {
    std::mt19937 random(8163);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t count = 1 + random() % 16;
        const bool write = random() % 2 == 0;
        std::size_t length = random() % 300;
        test::ScriptedReply reply;
        for (std::size_t i = 0; i < length; ++i) {
            reply.bytes.push_back(static_cast<std::uint8_t>(random()));
        }
        if (round % 5 == 0 && length >= 2)
            reply.bytes[0] = 1;
        reply.receiveErrors = random() % 32;
        port.replies.push_back(reply);
        std::vector<std::uint16_t> values(count);
        const ExchangeStatus status =
            write ? writeRegisters(line, 0, values) : readRegisters(line, 0, values);
        const std::size_t asked = write ? 8 : 7 + 2 * count;
        const std::size_t expected = write ? 8 : 5 + 2 * count;
        const std::size_t received = std::min(length, asked);
        EXPECT_EQ((status.result & kNoReply) != 0, received == 0);
        EXPECT_EQ((status.result & kLengthError) != 0, received != expected);
        EXPECT_EQ(status.result & kParityError, 0u);  // parity off
    }
}

}  // namespace
}  // namespace m8163
