#include "measure/measurement_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "recorders.h"

namespace m8163 {
namespace {

TEST(MeasurementLogLineTest, FieldsAndWidths) {
    struct Case {
        LocalTime time;
        MeasurementRecord record;
        std::string line;
    };
    const Case cases[] = {
        {{2026, 1, 2, 9, 5, 7, 0},
         {25.0f, 0, 0, 0},
         "09:05:07  IZMF=    25.0000 IZMERR=   0  EXERR=   0    \r\n"},
        {{2026, 1, 2, 23, 59, 59, 999},
         {-1.5f, 3, 0x0013, 0x6E},
         "23:59:59  IZMF=    -1.5000 IZMERR=  13  EXERR=  6e    \r\n"},
        {{2026, 1, 2, 0, 0, 0, 0},
         {0.0f, 0, 0xABCD, 0x1A},
         "00:00:00  IZMF=     0.0000 IZMERR=abcd  EXERR=  1a    \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string line = measurementLogLine(c.time, c.record);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(line.size(), 56u);
    }
}

TEST(MeasurementLogLineTest, NonFiniteAndHugeValuesAreWrittenInFull) {
    LocalTime t{2026, 1, 2, 9, 5, 7, 0};
    MeasurementRecord record;
    record.izmf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(measurementLogLine(t, record),
              "09:05:07  IZMF=        inf IZMERR=   0  EXERR=   0    \r\n");
    record.izmf = -std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(measurementLogLine(t, record),
              "09:05:07  IZMF=       -nan IZMERR=   0  EXERR=   0    \r\n");
    record.izmf = -std::numeric_limits<float>::max();
    std::string line = measurementLogLine(t, record);
    EXPECT_EQ(line.substr(0, 16), "09:05:07  IZMF=-");
    const std::string tail = ".0000 IZMERR=   0  EXERR=   0    \r\n";
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    EXPECT_EQ(line.size(), 56u - 11u + 45u);  // 39 digits, sign, point, 4 decimals
}

class MeasurementLogFileTest : public ::testing::Test {
  protected:
    std::string dir;
    test::FixedClock clock;
    MeasurementLogSettings settings;
    MeasurementRecord record{25.0f, 0, 0, 0};

    void SetUp() override {
        char pattern[] = "/tmp/m8163-measure-log-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        settings.writeFile = 1;
        settings.fileName = dir + "/izm.txt";
        clock.time = {2026, 1, 2, 9, 5, 7, 0};
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::string contents() const {
        std::ifstream in(settings.fileName, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(MeasurementLogFileTest, AppendsOneLinePerCallToExistingContent) {
    { std::ofstream(settings.fileName, std::ios::binary) << "earlier\r\n"; }
    EXPECT_TRUE(appendMeasurementLine(settings, record, clock));
    clock.time.second = 8;
    record.exerr = 0x6E;
    EXPECT_TRUE(appendMeasurementLine(settings, record, clock));
    EXPECT_EQ(contents(),
              "earlier\r\n"
              "09:05:07  IZMF=    25.0000 IZMERR=   0  EXERR=   0    \r\n"
              "09:05:08  IZMF=    25.0000 IZMERR=   0  EXERR=  6e    \r\n");
}

TEST_F(MeasurementLogFileTest, WritesOnlyWhenTheSwitchIsOne) {
    for (int value : {0, 2, -1}) {
        settings.writeFile = value;
        EXPECT_FALSE(appendMeasurementLine(settings, record, clock));
    }
    EXPECT_EQ(access(settings.fileName.c_str(), F_OK), -1);
    settings.writeFile = 1;
    EXPECT_TRUE(appendMeasurementLine(settings, record, clock));
    EXPECT_EQ(contents().size(), 56u);
}

TEST_F(MeasurementLogFileTest, FileThatCannotBeOpenedIsSkippedSilently) {
    settings.fileName = dir + "/missing-folder/izm.txt";
    EXPECT_FALSE(appendMeasurementLine(settings, record, clock));
    settings.fileName = dir;  // a folder
    EXPECT_FALSE(appendMeasurementLine(settings, record, clock));
    settings.fileName.clear();
    EXPECT_FALSE(appendMeasurementLine(settings, record, clock));
}

}  // namespace
}  // namespace m8163
