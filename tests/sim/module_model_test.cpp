#include "sim/module_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using test::bytes;

struct ExecuteCase {
    const char* what;
    std::vector<std::uint8_t> request;  // PDU
    std::vector<std::uint8_t> reply;    // PDU; for a normal read only its first two bytes
};

std::vector<std::uint8_t> write(int start, std::vector<int> values) {
    std::vector<std::uint8_t> pdu = {0x10,
                                     static_cast<std::uint8_t>(start >> 8),
                                     static_cast<std::uint8_t>(start & 0xFF),
                                     0,
                                     static_cast<std::uint8_t>(values.size()),
                                     static_cast<std::uint8_t>(2 * values.size())};
    for (int v : values) {
        pdu.push_back(static_cast<std::uint8_t>(v >> 8));
        pdu.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return pdu;
}

TEST(ModuleModel, AnswersReadsAndWritesWithModbusExceptions) {
    const std::vector<ExecuteCase> cases = {
        {"measurement block", bytes({0x03, 0x00, 0x00, 0x00, 0x07}), bytes({0x03, 14})},
        {"general parameters", bytes({0x03, 0x04, 0x00, 0x00, 0x17}), bytes({0x03, 46})},
        {"whole sensor block", bytes({0x03, 0x05, 0x00, 0x00, 0x3F}), bytes({0x03, 126})},
        {"function 06", bytes({0x06, 0x04, 0x16, 0x00, 0x01}), bytes({0x86, 1})},
        {"function 04", bytes({0x04, 0x00, 0x00, 0x00, 0x01}), bytes({0x84, 1})},
        {"unmapped register", bytes({0x03, 0x01, 0x00, 0x00, 0x01}), bytes({0x83, 2})},
        {"read past the measurement block", bytes({0x03, 0x00, 0x06, 0x00, 0x02}),
         bytes({0x83, 2})},
        {"read past the sensor block", bytes({0x03, 0x05, 0x3E, 0x00, 0x02}), bytes({0x83, 2})},
        {"count 0", bytes({0x03, 0x04, 0x00, 0x00, 0x00}), bytes({0x83, 3})},
        {"count 126", bytes({0x03, 0x04, 0x00, 0x00, 0x7E}), bytes({0x83, 3})},
        {"count 125 beyond the map", bytes({0x03, 0x05, 0x00, 0x00, 0x7D}), bytes({0x83, 2})},
        {"read request too long", bytes({0x03, 0x04, 0x00, 0x00, 0x01, 0x00}), bytes({0x83, 3})},
        {"write model code", write(0x0400, {0x1234}), bytes({0x90, 2})},
        {"write over 0x040B", write(0x0408, {1, 7, 0, 0}), bytes({0x90, 2})},
        {"write range minimum", write(0x0508, {0, 0}), bytes({0x90, 2})},
        {"write count 0", bytes({0x10, 0x04, 0x08, 0x00, 0x00, 0x00}), bytes({0x90, 3})},
        {"byte count mismatch", bytes({0x10, 0x05, 0x07, 0x00, 0x01, 0x04, 0x00, 0x01}),
         bytes({0x90, 3})},
        {"network number 0", write(0x0408, {0}), bytes({0x90, 3})},
        {"network number 248", write(0x0408, {248}), bytes({0x90, 3})},
        {"speed code 11", write(0x0409, {11}), bytes({0x90, 3})},
        {"speed code 2", write(0x0409, {2}), bytes({0x90, 3})},
        {"parity 3", write(0x040A, {3}), bytes({0x90, 3})},
        {"averaging 10", write(0x0507, {10}), bytes({0x90, 3})},
        {"averaging 9", write(0x0507, {9}), bytes({0x10, 0x05, 0x07, 0x00, 0x01})},
        {"offset and adjustment", write(0x0516, {0x4120, 0, 0x3F80, 0}),
         bytes({0x10, 0x05, 0x16, 0x00, 0x04})},
        {"user text and blink", write(0x040E, {0, 0, 0, 0, 0, 0, 0, 0, 1}),
         bytes({0x10, 0x04, 0x0E, 0x00, 0x09})},
    };
    for (const ExecuteCase& c : cases) {
        SCOPED_TRACE(c.what);
        ModuleModel module;
        std::vector<std::uint8_t> reply = module.execute(c.request);
        if (c.reply.size() == 2 && c.reply[0] == 0x03) {
            ASSERT_EQ(reply.size(), 2u + c.reply[1]);
            EXPECT_EQ(reply[1], c.reply[1]);
        } else {
            EXPECT_EQ(reply, c.reply);
        }
    }
}

TEST(ModuleModel, RefusedWriteChangesNothing) {
    ModuleModel module;
    // The third value is refused, so the first two must not land either.
    EXPECT_EQ(module.execute(write(0x0408, {9, 8, 5})), bytes({0x90, 3}));
    EXPECT_EQ(module.reg(0x0408), 1);
    EXPECT_EQ(module.reg(0x0409), 7);
    EXPECT_EQ(module.format(), (LineFormat{19200, kNone}));
}

TEST(ModuleModel, IdentityAndEncodings) {
    ModuleModel module(ModuleSetup{17, {9600, kEven}, false});
    EXPECT_EQ(module.reg(reg::kModelCode), 0x8163);
    EXPECT_EQ(module.reg(0x0408), 17);
    EXPECT_EQ(module.reg(0x0409), 6);  // 9600
    EXPECT_EQ(module.reg(0x040A), 2);

    // Reals: high word at the lower address.
    module.setReal(reg::kRangeMin, 1.0f);
    EXPECT_EQ(module.reg(0x0508), 0x3F80);
    EXPECT_EQ(module.reg(0x0509), 0x0000);

    // Texts: Windows-1251, the first character in the high byte.
    module.setText(reg::kUserText, 16, "Цех");
    EXPECT_EQ(module.reg(0x040E), 0xD6E5);  // Ц е
    EXPECT_EQ(module.reg(0x040F), 0xF500);  // х, then the end
    EXPECT_EQ(module.text(reg::kUserText, 16), "Цех");

    // A text of exactly its length has no terminating zero.
    std::string full(32, 'A');
    module.setText(reg::kTypeName, 32, full);
    EXPECT_EQ(module.text(reg::kTypeName, 32), full);
    EXPECT_EQ(module.reg(0x052F), 0);  // the register after it is untouched
    EXPECT_EQ(module.text(reg::kTypeName, 32).size(), 32u);
}

TEST(ModuleModel, DefaultTextsCarryCyrillic) {
    ModuleModel module;
    EXPECT_NE(module.text(reg::kUserText, 16).find("Цех"), std::string::npos);
    EXPECT_NE(module.text(reg::kTypeName, 32).find("ТСП"), std::string::npos);
}

TEST(ModuleModel, MeasuredValueMovesSlowlyInsideTheRange) {
    ModuleModel module;
    float lowest = 1e9f;
    float highest = -1e9f;
    for (int second = 0; second <= 60; ++second) {
        module.updateMeasurement(second);
        float value = module.real(reg::kMeasuredValue);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
        EXPECT_EQ(module.reg(reg::kStatus), 0);
    }
    EXPECT_GT(highest - lowest, 1.0f);
    EXPECT_GT(lowest, 20.0f);
    EXPECT_LT(highest, 30.0f);
    module.updateMeasurement(10.0);
    float a = module.real(reg::kMeasuredValue);
    module.updateMeasurement(10.5);
    EXPECT_LT(std::fabs(module.real(reg::kMeasuredValue) - a), 0.2f);
}

TEST(ModuleModel, WrittenOffsetAndAdjustmentShapeTheValue) {
    ModuleModel module;
    module.fixMeasurement(25.0f);
    // Range -50 ... 150: 25 is 37.5 %.
    module.updateMeasurement(0);
    EXPECT_FLOAT_EQ(module.real(reg::kMeasuredValue), 25.0f);
    EXPECT_EQ(module.reg(reg::kRelativeValue), 3750);

    module.execute(write(0x0516, {0x4120, 0, 0x4000, 0}));  // offset 10.0, adjustment 2.0
    module.updateMeasurement(0);
    EXPECT_FLOAT_EQ(module.real(reg::kMeasuredValue), 60.0f);

    module.fixMeasurement(100.0f);  // 210 is above the range
    module.setForcedStatus(kStatusAdc);
    module.updateMeasurement(0);
    EXPECT_EQ(module.reg(reg::kStatus), kStatusAboveRange | kStatusAdc);
    EXPECT_EQ(module.reg(reg::kRelativeValue), 10000);
}

TEST(ModuleModel, BlinkIsCountedAndNeverStored) {
    ModuleModel module;
    module.execute(write(0x0416, {1}));
    module.execute(write(0x0416, {0}));
    module.execute(write(0x0416, {1}));
    EXPECT_EQ(module.counters.blinks, 2u);
    EXPECT_TRUE(module.blinked);
    EXPECT_EQ(module.execute(bytes({0x03, 0x04, 0x16, 0x00, 0x01})), bytes({0x03, 2, 0, 0}));
}

}  // namespace
}  // namespace m8163::sim
