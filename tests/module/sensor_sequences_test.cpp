#include "module/sensor_sequences.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace m8163 {
namespace {

TEST(SensorDisplay, RealsInTheirShownFormAndCodesAsRead) {
    SensorSettings sensor;
    sensor.sensorType = 25;
    sensor.squareRoot = 2;  // only 1 means on
    sensor.averaging = 12;
    sensor.rangeMin = -50.0f;
    sensor.rangeMax = 1.5e9f;
    sensor.offset = 0.00004f;
    sensor.adjustment = std::numeric_limits<float>::quiet_NaN();
    sensor.constructionRangeMin = -std::numeric_limits<float>::infinity();
    sensor.constructionRangeMax = 200.0f;
    EXPECT_EQ(sensorDisplay(sensor),
              (SensorDisplay{"   -50.0000", " 1.5000e+09", "     0.0000", "        nan", 25,
                             "       -inf", "   200.0000", false, 12}));
}

// An editor left as the read showed it sends the value read where its text
// does not carry the value whole; any other text is read as typed.
TEST(SensorWrite, AnUneditedValueGoesBackAsRead) {
    const float large = 12345678.0f;  // shown as " 1.2346e+07"
    const float rounded = 12346000.0f;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* editor;
        float shown;
        std::optional<float> sent;
    };
    const Case cases[] = {
        {" 1.2346e+07", large, large},   // untouched
        {"1.2346e+07", large, rounded},  // retyped: what the user typed
        {" 1.2347e+07", large, 12347000.0f},
        {"     0.1235", 0.123456f, 0.1235f},  // the fixed form keeps its rounding
        {" 1.2346e+07", 0.0f, rounded},       // a value not shown in that form
        {"        inf", inf, inf},
        {"       -inf", -inf, -inf},
        {"   -inf", -inf, std::nullopt},  // edited: no number
        {"        inf", 5.0f, std::nullopt},
        {"     2.5000", nan, 2.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.editor);
        EXPECT_EQ(readShownReal(c.editor, c.shown), c.sent);
    }
    const std::optional<float> sentNan = readShownReal("        nan", nan);
    ASSERT_TRUE(sentNan.has_value());
    EXPECT_TRUE(std::isnan(*sentNan));
}

}  // namespace
}  // namespace m8163
