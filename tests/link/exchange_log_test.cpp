#include "link/exchange_log.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "recorders.h"

namespace m8163 {
namespace {

class ExchangeLogTest : public ::testing::Test {
  protected:
    std::filesystem::path dir;
    std::filesystem::path file;
    ConnectionSettings settings;
    test::FixedClock clock;

    void SetUp() override {
        char dirTemplate[] = "/tmp/m8163-log-XXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        dir = dirTemplate;
        file = dir / "COM.txt";
        settings.useLogFile = 1;
        settings.logFileName = file.string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string contents() const {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

const std::uint8_t kRequest[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x07, 0x04, 0x08};

TEST_F(ExchangeLogTest, RecordsByteForByte) {
    logRequest(settings, clock, kRequest, sizeof kRequest);
    clock.time = {2027, 1, 2, 3, 4, 5, 6};
    const std::uint8_t reply[] = {0x01, 0x90, 0x02, 0xCD, 0xC1};
    logReply(settings, clock, reply, sizeof reply, ReplyStamp::Colons);
    logReply(settings, clock, reply, 0, ReplyStamp::Hyphens);
    EXPECT_EQ(contents(),
              "\r\n____________________________\r\n08 12 2026 22-30-05.123 \r\nSend:\r\n"
              " 01 03 00 00 00 07 04 08"
              "\r\n02 01 2027 03:04:05.006 \r\nAnsw:\r\n 01 90 02 cd c1"
              "\r\n02 01 2027 03-04-05.006 \r\nAnsw:\r\n");
}

// The switch is read at every record: off leaves the file alone, on again
// appends to what is there.
TEST_F(ExchangeLogTest, SwitchTestedAtEachRecord) {
    settings.useLogFile = 0;
    logRequest(settings, clock, kRequest, sizeof kRequest);
    EXPECT_FALSE(std::filesystem::exists(file));

    settings.useLogFile = 1;
    logReply(settings, clock, kRequest, 1, ReplyStamp::Hyphens);
    const std::string first = contents();
    settings.useLogFile = 2;  // only 1 means on
    logRequest(settings, clock, kRequest, sizeof kRequest);
    EXPECT_EQ(contents(), first);

    settings.useLogFile = 1;
    logReply(settings, clock, kRequest, 1, ReplyStamp::Hyphens);
    EXPECT_EQ(contents(), first + first);
}

// The file is renamed only after a reply that brings it to the size, so a
// request and its reply are always in one file; the exchange that reaches
// the size is whole in the renamed file, the next one starts the new file,
// an older ".1" is replaced, nothing is lost.
TEST_F(ExchangeLogTest, RotatesBetweenExchangesOnly) {
    const std::uint8_t reply[] = {0x01, 0x83, 0x02, 0xC0, 0xF1};
    const auto exchange = [&] {
        logRequest(settings, clock, kRequest, sizeof kRequest);
        logReply(settings, clock, reply, sizeof reply, ReplyStamp::Hyphens);
    };
    logRequest(settings, clock, kRequest, sizeof kRequest);
    const std::string request = contents();
    exchange();
    const std::string one = contents().substr(request.size());
    const std::filesystem::path old = file.string() + ".1";
    const auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    struct Case {
        std::uint64_t limit;
        std::string current;  // after two exchanges
        std::string renamed;
    };
    const Case cases[] = {
        {2 * one.size() + 1, one + one, "older"},          // below the size
        {2 * one.size(), "", one + one},                   // exactly at it
        {2 * one.size() - 1, "", one + one},               // crossed inside the reply
        {one.size() + request.size(), "", one + one},      // reached by the request
        {one.size() + request.size() - 1, "", one + one},  // crossed inside the request
        {0, one + one, "older"},                           // no rotation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        std::filesystem::remove(file);
        std::ofstream(old, std::ios::binary | std::ios::trunc) << "older";
        settings.logRotateBytes = c.limit;
        exchange();
        exchange();
        EXPECT_EQ(std::filesystem::exists(file) ? contents() : "", c.current);
        EXPECT_EQ(read(old), c.renamed);
    }
    // The exchange after a rotation opens the new file.
    std::filesystem::remove(file);
    settings.logRotateBytes = 2 * one.size();
    for (int i = 0; i < 3; ++i)
        exchange();
    EXPECT_EQ(contents(), one);
    EXPECT_EQ(read(old), one + one);
}

TEST_F(ExchangeLogTest, UnopenableFileIsSkippedSilently) {
    settings.logFileName = (dir / "missing-folder" / "COM.txt").string();
    logRequest(settings, clock, kRequest, sizeof kRequest);
    settings.logFileName.clear();
    logReply(settings, clock, kRequest, sizeof kRequest, ReplyStamp::Hyphens);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace m8163
