#include "module/block_operations.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/connection_settings.h"
#include "module/register_codec.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint16_t>;
using Pauses = std::vector<std::chrono::milliseconds>;
using test::withCrc;

constexpr std::uint8_t kAddress = 1;
// A well-formed exception reply: its bits as the transaction reports them.
constexpr unsigned kExceptionReply = kDeviceException | kFunctionMismatch | kLengthError;

Bytes readRequest(std::uint16_t start, std::uint8_t count) {
    return withCrc({kAddress, 0x03, static_cast<std::uint8_t>(start >> 8),
                    static_cast<std::uint8_t>(start & 0xFF), 0, count});
}

Bytes writeRequest(std::uint16_t start, const Words& values) {
    Bytes frame{kAddress,
                0x10,
                static_cast<std::uint8_t>(start >> 8),
                static_cast<std::uint8_t>(start & 0xFF),
                0,
                static_cast<std::uint8_t>(values.size()),
                static_cast<std::uint8_t>(values.size() * 2)};
    for (std::uint16_t v : values) {
        frame.push_back(static_cast<std::uint8_t>(v >> 8));
        frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return withCrc(frame);
}

Words concat(std::initializer_list<Words> parts) {
    Words all;
    for (const Words& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Words f32(float value) {
    auto r = splitF32(value);
    return {r[0], r[1]};
}

class BlockOperations : public ::testing::Test {
  protected:
    BlockOperations() { settings.moduleAddress = kAddress; }

    void replyException(std::uint8_t function, std::uint8_t code) {
        port.replies.push_back(
            {withCrc({kAddress, static_cast<std::uint8_t>(function | 0x80), code}), 0});
    }

    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    test::RecordingPump pump;
    RegisterImage image;
};

// Values the module answers to the sensor read, and the image they leave.
struct SensorReplies {
    Words block050C = concat({Words{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, f32(1.5f), f32(0.98f)});
    Words block0500 =
        concat({Words{21, 0x1111, 0x2222, 2, 0x3333, 0x4444, 0x5555, 3}, f32(1.0f), f32(-50.25f)});
    Words block051B = concat({f32(-200.0f), f32(850.0f)});
    Words userText = {0xC4E0, 0xF2F7, 0xE8EA, 0x2031, 0, 0, 0, 0};  // "Датчик 1"
    Words typeName = Words(16, 0x5A5A);                             // 32 x 'Z'

    void queue(test::ScriptedPort& port, int steps = 5) const {
        const Words* blocks[] = {&block050C, &block0500, &block051B, &userText, &typeName};
        for (int i = 0; i < steps; ++i)
            port.replyRegisters(kAddress, *blocks[i]);
    }
};

// An image whose every field the sensor read could change holds a marker.
RegisterImage oldImage() {
    RegisterImage image;
    image.words.fill(0x0B0B);
    SensorSettings& s = image.sensor;
    s.sensorType = s.squareRoot = s.averaging = 0x0B0B;
    s.rangeMin = s.rangeMax = s.offset = s.adjustment = -1.0f;
    s.constructionRangeMin = s.constructionRangeMax = -1.0f;
    return image;
}

// What each step of the sensor read stores, as a check of "new" or "old".
void expectStep(int step, bool isNew, const RegisterImage& image) {
    SCOPED_TRACE("step " + std::to_string(step) + (isNew ? " new" : " old"));
    const SensorSettings& s = image.sensor;
    const RegisterImage old = oldImage();
    switch (step) {
        case 1:
            EXPECT_EQ(s.offset, isNew ? 1.5f : -1.0f);
            EXPECT_EQ(s.adjustment, isNew ? 0.98f : -1.0f);
            break;
        case 2:
            EXPECT_EQ(s.sensorType, isNew ? 21 : 0x0B0B);
            EXPECT_EQ(s.squareRoot, isNew ? 2 : 0x0B0B);
            EXPECT_EQ(s.averaging, isNew ? 3 : 0x0B0B);
            EXPECT_EQ(s.rangeMin, isNew ? 1.0f : -1.0f);
            EXPECT_EQ(s.rangeMax, isNew ? -50.25f : -1.0f);
            break;
        case 3:
            EXPECT_EQ(s.constructionRangeMin, isNew ? -200.0f : -1.0f);
            EXPECT_EQ(s.constructionRangeMax, isNew ? 850.0f : -1.0f);
            break;
        case 4:
            EXPECT_EQ(userText(image), isNew ? "Датчик 1" : userText(old));
            break;
        case 5:
            EXPECT_EQ(typeName(image), isNew ? std::string(32, 'Z') : typeName(old));
            break;
    }
}

const std::vector<Bytes> kSensorReadRequests = {
    readRequest(0x050C, 14), readRequest(0x0500, 12), readRequest(0x051B, 4),
    readRequest(0x040E, 8),  readRequest(0x051F, 16),
};

TEST_F(BlockOperations, ReadSensorSettingsReadsFiveBlocksAndStoresThem) {
    image = oldImage();
    SensorReplies().queue(port);

    EXPECT_EQ(readSensorSettings(line, pump, image), ExchangeStatus{});

    EXPECT_EQ(port.written, kSensorReadRequests);
    EXPECT_EQ(pump.pauses, Pauses(5, 100ms));
    for (int step = 1; step <= 5; ++step)
        expectStep(step, true, image);
    EXPECT_FALSE(squareRootOn(image.sensor));  // 2 is off
    EXPECT_EQ(image.sensor.reserved0501, (std::array<std::uint16_t, 2>{0x1111, 0x2222}));
    // Only the text words of the word array change.
    for (std::size_t i = 0; i < kImageWords; ++i) {
        if ((i >= 14 && i <= 21) || (i >= 53 && i <= 68))
            continue;
        EXPECT_EQ(image.words[i], 0x0B0B) << i;
    }
}

TEST_F(BlockOperations, ReadSensorSettingsStopsAtTheFailingStepAndKeepsEarlierStores) {
    for (int failing = 1; failing <= 5; ++failing) {
        for (bool silent : {false, true}) {
            SCOPED_TRACE("failing step " + std::to_string(failing) + (silent ? " silent" : ""));
            port = test::ScriptedPort();
            pump = test::RecordingPump();
            image = oldImage();
            SensorReplies().queue(port, failing - 1);
            if (silent) {
                port.silence();
            } else {
                replyException(0x03, 4);
            }

            ExchangeStatus status = readSensorSettings(line, pump, image);

            if (silent) {
                EXPECT_TRUE(status.result & kNoReply);
                EXPECT_EQ(status.exceptionCode, 0);
            } else {
                EXPECT_EQ(status, (ExchangeStatus{kExceptionReply, 4}));
            }
            EXPECT_EQ(port.written, std::vector<Bytes>(kSensorReadRequests.begin(),
                                                       kSensorReadRequests.begin() + failing));
            EXPECT_EQ(pump.pauses, Pauses(failing, 100ms));
            for (int step = 1; step <= 5; ++step)
                expectStep(step, step < failing, image);
        }
    }
}

TEST_F(BlockOperations, WriteSensorSettingsSendsAveragingOffsetAdjustmentAndUserText) {
    image.sensor.averaging = 4;
    image.sensor.offset = 1.0f;
    image.sensor.adjustment = -0.5f;
    setUserText(image, "Котёл");
    const RegisterImage before = image;
    port.replyWrite(kAddress, 0x0507, 1);
    port.replyWrite(kAddress, 0x0516, 4);
    port.replyWrite(kAddress, 0x040E, 8);

    EXPECT_EQ(writeSensorSettings(line, pump, image), ExchangeStatus{});

    EXPECT_EQ(
        port.written,
        (std::vector<Bytes>{
            writeRequest(0x0507, {4}),
            writeRequest(0x0516, {0x3F80, 0x0000, 0xBF00, 0x0000}),
            writeRequest(0x040E, {0xCAEE, 0xF2B8, 0xEB20, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020}),
        }));
    EXPECT_EQ(pump.pauses, (Pauses{300ms, 100ms, 100ms}));
    EXPECT_EQ(image.words, before.words);
}

TEST_F(BlockOperations, WriteSensorSettingsFailingAtStepTwoHasWrittenAveragingOnly) {
    port.replyWrite(kAddress, 0x0507, 1);
    replyException(0x10, 3);

    EXPECT_EQ(writeSensorSettings(line, pump, image), (ExchangeStatus{kExceptionReply, 3}));

    ASSERT_EQ(port.written.size(), 2u);
    EXPECT_EQ(port.written[0], writeRequest(0x0507, {0}));
    EXPECT_EQ(port.written[1][1], 0x10);
    EXPECT_EQ(port.written[1][3], 0x16);  // offset and adjustment, refused
    EXPECT_EQ(pump.pauses, (Pauses{300ms, 100ms}));
}

TEST_F(BlockOperations, WritesSendTheImageAsItIsAfterThePause) {
    // A command that runs during the pause changes the averaging first.
    pump.onPause = [&] { image.sensor.averaging = 7; };
    port.replyWrite(kAddress, 0x0507, 1);
    port.silence();

    writeSensorSettings(line, pump, image);

    EXPECT_EQ(port.written[0], writeRequest(0x0507, {7}));
}

// The single-purpose operations of the exchange-parameters page.
struct Operation {
    const char* name;
    ExchangeStatus (*run)(const ModbusLine&, EventPump&, RegisterImage&);
    std::vector<std::pair<std::uint16_t, std::uint8_t>> reads;  // start, count
    std::vector<std::size_t> words;                             // words stored, in order
    Pauses pausesOnSuccess;
};

const std::vector<Operation> kReadOperations = {
    {"ReadExchangeParameters", readExchangeParameters, {{0x0408, 5}}, {8, 9, 10, 11, 12}, {100ms}},
    {"ReadModelCode", readModelCode, {{0x0400, 1}}, {0}, {100ms}},
    {"ReadFactoryData",
     readFactoryData,
     {{0x0401, 2}, {0x0405, 3}},
     {1, 2, 5, 6, 7},
     {100ms, 100ms}},
    {"ReadVersions", readVersions, {{0x0403, 2}}, {3, 4}, {100ms, 100ms}},
    {"ReadWatchdog", readWatchdog, {{0x040C, 1}}, {12}, {100ms}},
};

TEST_F(BlockOperations, ExchangePageReadsStoreTheirWords) {
    for (const Operation& op : kReadOperations) {
        SCOPED_TRACE(op.name);
        port = test::ScriptedPort();
        pump = test::RecordingPump();
        image = RegisterImage();
        std::vector<Bytes> requests;
        std::uint16_t value = 0x0101;
        for (auto [start, count] : op.reads) {
            Words values;
            for (int i = 0; i < count; ++i)
                values.push_back(value++);
            port.replyRegisters(kAddress, values);
            requests.push_back(readRequest(start, count));
        }

        EXPECT_EQ(op.run(line, pump, image), ExchangeStatus{});

        EXPECT_EQ(port.written, requests);
        EXPECT_EQ(pump.pauses, op.pausesOnSuccess);
        RegisterImage expected;
        value = 0x0101;
        for (std::size_t word : op.words)
            expected.words[word] = value++;
        EXPECT_EQ(image.words, expected.words);
    }
}

TEST_F(BlockOperations, ExchangePageReadsFailingLeaveTheirWords) {
    for (const Operation& op : kReadOperations) {
        SCOPED_TRACE(op.name);
        port = test::ScriptedPort();
        pump = test::RecordingPump();
        image = RegisterImage();
        replyException(0x03, 2);

        EXPECT_EQ(op.run(line, pump, image), (ExchangeStatus{kExceptionReply, 2}));

        EXPECT_EQ(port.written.size(), 1u);
        EXPECT_EQ(pump.pauses, Pauses{100ms});  // ReadVersions adds its pause only after success
        EXPECT_EQ(image.words, RegisterImage().words);
    }
}

TEST_F(BlockOperations, ReadFactoryDataFailingAtStepTwoKeepsTheFactoryNumber) {
    port.replyRegisters(kAddress, {1234, 5678});
    port.silence();

    EXPECT_TRUE(readFactoryData(line, pump, image).result & kNoReply);

    EXPECT_EQ(image.words[1], 1234);
    EXPECT_EQ(image.words[2], 5678);
    EXPECT_EQ(image.words[5], 0);  // the zeros of the silent reply are not stored
}

TEST_F(BlockOperations, WriteExchangeParametersSendsWordsEightToTen) {
    image.words[8] = 17;
    image.words[9] = 6;
    image.words[10] = 2;
    image.words[11] = 0x9999;
    port.replyWrite(kAddress, 0x0408, 3);

    EXPECT_EQ(writeExchangeParameters(line, pump, image), ExchangeStatus{});

    EXPECT_EQ(port.written, std::vector<Bytes>{writeRequest(0x0408, {17, 6, 2})});
    EXPECT_EQ(pump.pauses, Pauses{300ms});
}

TEST_F(BlockOperations, ExchangePageReadRunsInOrderAndStopsAtTheFirstFailure) {
    port.replyRegisters(kAddress, {1, 7, 0, 0, 50});  // exchange parameters
    port.replyRegisters(kAddress, {11, 22});          // factory number
    port.replyRegisters(kAddress, {5, 6, 7});         // date
    replyException(0x03, 1);                          // versions

    EXPECT_EQ(readExchangePage(line, pump, image), (ExchangeStatus{kExceptionReply, 1}));

    EXPECT_EQ(port.written, (std::vector<Bytes>{readRequest(0x0408, 5), readRequest(0x0401, 2),
                                                readRequest(0x0405, 3), readRequest(0x0403, 2)}));
    EXPECT_EQ(image.words[12], 50);
    EXPECT_EQ(image.words[7], 7);

    port = test::ScriptedPort();
    for (const Words& values : {Words{1, 7, 0, 0, 50}, Words{11, 22}, Words{5, 6, 7}, Words{2, 3},
                                Words{50}, Words{0x8163}}) {
        port.replyRegisters(kAddress, values);
    }
    EXPECT_EQ(readExchangePage(line, pump, image), ExchangeStatus{});
    ASSERT_EQ(port.written.size(), 6u);
    EXPECT_EQ(port.written[4], readRequest(0x040C, 1));
    EXPECT_EQ(port.written[5], readRequest(0x0400, 1));
    EXPECT_EQ(image.words[0], 0x8163);
}

}  // namespace
}  // namespace m8163
