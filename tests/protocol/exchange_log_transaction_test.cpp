#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "protocol/transactions.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A read and a write as they appear in the exchange log, byte for byte: the
// read's reply is stamped with hyphens, the write's with colons.
TEST(ExchangeLogOfTransactions, ReadAndWriteRecords) {
    char dirTemplate[] = "/tmp/m8163-xlog-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::filesystem::path dir = dirTemplate;

    test::ScriptedPort port;
    test::FixedClock clock;
    ConnectionSettings settings;
    settings.moduleAddress = 1;
    settings.useLogFile = 1;
    settings.logFileName = (dir / "COM.txt").string();
    ModbusLine line{port, settings, clock};

    port.reply("01 03 02 12 34 B5 33");
    std::array<std::uint16_t, 1> one{};
    readRegisters(line, 0, one);
    clock.time.millisecond = 7;
    port.silence();
    writeRegisters(line, 0x0400, one);

    const std::string expected =
        "\r\n____________________________\r\n"
        "08 12 2026 22-30-05.123 \r\n"
        "Send:\r\n"
        " 01 03 00 00 00 01 84 0a"
        "\r\n"
        "08 12 2026 22-30-05.123 \r\n"
        "Answ:\r\n"
        " 01 03 02 12 34 b5 33"
        "\r\n____________________________\r\n"
        "08 12 2026 22-30-05.007 \r\n"
        "Send:\r\n"
        " 01 10 04 00 00 01 02 12 34 ee e7"
        "\r\n"
        "08 12 2026 22:30:05.007 \r\n"
        "Answ:\r\n";
    EXPECT_EQ(fileBytes(dir / "COM.txt"), expected);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace m8163
