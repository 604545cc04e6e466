#include "module/sensor_sequences.h"

#include <gtest/gtest.h>

#include <limits>

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

TEST(SensorWrite, AnUneditedValueInTheExponentFormGoesBackUnrounded) {
    const float large = 12345678.0f;  // shown as " 1.2346e+07"
    const float rounded = 12346000.0f;
    struct Case {
        const char* editor;
        float shown;
        float taken;
        float sent;
    };
    const Case cases[] = {
        {" 1.2346e+07", large, rounded, large},   // untouched
        {"1.2346e+07", large, rounded, rounded},  // retyped: what the user typed
        {" 1.2347e+07", large, 12347000.0f, 12347000.0f},
        {"     0.1235", 0.123456f, 0.1235f, 0.1235f},  // the fixed form keeps its rounding
        {" 1.2346e+07", 0.0f, rounded, rounded},       // a value not shown in that form
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.editor);
        EXPECT_EQ(unroundedReal(c.editor, c.shown, c.taken), c.sent);
    }
}

}  // namespace
}  // namespace m8163
