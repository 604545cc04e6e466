#include "measure/measured_value.h"

#include <gtest/gtest.h>

#include <limits>

#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

class MeasuredValueTest : public ::testing::Test {
  protected:
    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    MeasurementRecord record;

    void SetUp() override { settings.moduleAddress = 1; }
};

TEST_F(MeasuredValueTest, ReadsSevenRegistersFromZeroAndStoresTheReading) {
    port.replyRegisters(1, {0x41C8, 0x0000, 0xFFFF, 0x0013, 7, 8, 9});
    ExchangeStatus status = readMeasuredValue(line, record);

    EXPECT_TRUE(status.ok());
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0], test::withCrc(test::hexBytes("01 03 00 00 00 07")));
    EXPECT_FLOAT_EQ(record.izmf, 25.0f);
    EXPECT_EQ(record.relativeValue, 0xFFFF);
    EXPECT_EQ(record.izmerr, 0x0013);
    EXPECT_EQ(record.exerr, 0u);
}

TEST_F(MeasuredValueTest, FailedReadKeepsTheLastGoodReadingAndStoresTheResult) {
    record = {12.5f, 40, 0x0001, 0};
    port.silence();
    ExchangeStatus status = readMeasuredValue(line, record);

    EXPECT_NE(status.result, 0u);
    EXPECT_EQ(record.exerr, status.result);
    EXPECT_FLOAT_EQ(record.izmf, 12.5f);
    EXPECT_EQ(record.relativeValue, 40);
    EXPECT_EQ(record.izmerr, 0x0001);
}

TEST_F(MeasuredValueTest, ExceptionReplyStoresNoValue) {
    record = {12.5f, 40, 0, 0};
    port.replies.push_back({test::withCrc({0x01, 0x83, 0x02}), 0});
    ExchangeStatus status = readMeasuredValue(line, record);

    EXPECT_TRUE(status.result & kDeviceException);
    EXPECT_EQ(status.exceptionCode, 2);
    EXPECT_EQ(record.exerr, status.result);
    EXPECT_FLOAT_EQ(record.izmf, 12.5f);
    EXPECT_EQ(record.relativeValue, 40);
}

TEST(MeasurementViewTest, PanelsFollowStatusAndExchange) {
    const std::string normal = "Нормальное измерение";
    struct Case {
        std::uint16_t status;
        unsigned exchange;
        std::string statusText;
        PanelColour valueColour;
        PanelColour statusColour;
        std::string exchangeText;
        PanelColour exchangeColour;
    };
    const Case cases[] = {
        {0, 0, normal, PanelColour::White, PanelColour::ButtonFace, "Нормальный обмен",
         PanelColour::ButtonFace},
        {0x0003, 0, " Обрыв Ниже НПИ ", PanelColour::Yellow, PanelColour::Yellow,
         "Нормальный обмен", PanelColour::ButtonFace},
        {0x0018, 0, " ошибка АЦП ошибка EEPROM ", PanelColour::Yellow, PanelColour::Yellow,
         "Нормальный обмен", PanelColour::ButtonFace},
        {0x0020, 0, " ", PanelColour::Yellow, PanelColour::Yellow, "Нормальный обмен",
         PanelColour::ButtonFace},
        {0x001F, 0, " ошибка АЦП Обрыв Ниже НПИ Выше ВПИ ошибка EEPROM ", PanelColour::Yellow,
         PanelColour::Yellow, "Нормальный обмен", PanelColour::ButtonFace},
        {0, 0x6E, normal, PanelColour::White, PanelColour::ButtonFace, "Ошибка в обмене",
         PanelColour::Yellow},
    };
    MeasurementRecord record{25.0f, 65535, 0, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        MeasurementView view = measurementView(record, c.status, c.exchange);
        EXPECT_EQ(view.value, "    25.0000");
        EXPECT_EQ(view.relativeValue, "65535");
        EXPECT_EQ(view.status, c.statusText);
        EXPECT_EQ(view.valueColour, c.valueColour);
        EXPECT_EQ(view.statusColour, c.statusColour);
        EXPECT_EQ(view.exchange, c.exchangeText);
        EXPECT_EQ(view.exchangeColour, c.exchangeColour);
    }
}

TEST(MeasurementViewTest, ValuesThatDoNotFitTheFieldShowInTheExponentFormAndNoNumberOnYellow) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        std::uint16_t status;
        std::string shown;
        PanelColour colour;
    };
    const Case cases[] = {
        {-std::numeric_limits<float>::max(), 0, "-3.4028e+38", PanelColour::White},
        {12345678.0f, 0, " 1.2346e+07", PanelColour::White},
        {std::numeric_limits<float>::quiet_NaN(), 0, "        nan", PanelColour::Yellow},
        {inf, 0, "        inf", PanelColour::Yellow},
        {-inf, 0x0002, "       -inf", PanelColour::Yellow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        MeasurementRecord record{c.value, 7, c.status, 0};
        const MeasurementView view = measurementView(record, c.status, 0);
        EXPECT_EQ(view.value, c.shown);
        EXPECT_EQ(view.valueColour, c.colour);
        // The status panel still tells the module's own status word.
        EXPECT_EQ(view.status, c.status == 0 ? "Нормальное измерение" : " Ниже НПИ ");
    }
}

}  // namespace
}  // namespace m8163
