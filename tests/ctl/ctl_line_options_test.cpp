// m8163ctl's adapter options against the simulated module behind an adapter
// that echoes: given with --line-options, or from COM_OPTIONS of dev.dat.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../sim/child_process.h"
#include "../sim/sim_test_support.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using sim::test::ChildProcess;
using sim::test::TempDir;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CtlLineOptions : public ::testing::Test {
  protected:
    void SetUp() override {
        sim_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{M8163_SIM_PATH, "--link", link(), "--echo"});
        ASSERT_EQ(sim_->waitForLine("READY", 10s), "READY " + link()) << sim_->err;
        std::filesystem::create_directory(work());
    }

    std::string link() const { return dir_.file("port"); }
    std::string work() const { return dir_.file("work"); }

    // m8163ctl with `args` in the folder work(); its exit code.
    int ctl(const std::string& args) {
        ChildProcess program(
            {"/bin/sh", "-c", "cd '" + work() + "' && exec '" + M8163_CTL_PATH + "' " + args});
        const int code = program.wait(30s);
        out = program.out;
        err = program.err;
        return code;
    }

    TempDir dir_;
    std::unique_ptr<ChildProcess> sim_;
    std::string out;
    std::string err;
};

TEST_F(CtlLineOptions, EchoOptionReadsNormallyAndItsAbsenceIsPointedOut) {
    const std::string device = "--device " + link() + " --timeout 200 ";
    EXPECT_EQ(ctl(device + "--line-options echo read --json"), 0) << err;
    EXPECT_TRUE(contains(out, R"("exchange":0)")) << out;

    // A refused word sends nothing: the line would not be driven as asked.
    for (const std::string words :
         {"echo,rs458", "rs485-delay-before=-1", "rs485-delay-before=100000",
          "rs485-delay-before=0x10", "rs485-delay-before=200"}) {
        SCOPED_TRACE(words);
        EXPECT_EQ(ctl(device + "--line-options " + words + " identity"), 2) << err;
        EXPECT_TRUE(contains(err, "--line-options: «")) << err;
        EXPECT_TRUE(contains(err, "nothing sent")) << err;
        EXPECT_EQ(out, "");
    }
    EXPECT_TRUE(contains(err,
                         "«rs485-delay-before=200»: задержка — целое число миллисекунд "
                         "от 0 до 100"))
        << err;
    EXPECT_EQ(ctl(device + "--line-options 'echo, rs485-delay-before = 5' read --json"), 0) << err;

    EXPECT_EQ(ctl(device + "read"), 1);
    EXPECT_TRUE(contains(err, "m8163ctl: При приеме принято не ожидаемое число символов")) << err;
    EXPECT_TRUE(contains(err, "--line-options echo")) << err;
    // poll's failure lines carry the same hint, in each format.
    for (const char* format : {"", "--json", "--csv"}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(ctl(device + "poll --count 1 " + format), 1);
        EXPECT_TRUE(contains(out, "похоже, адаптер возвращает всё, что передаёт (эхо)")) << out;
        EXPECT_TRUE(contains(out, "--line-options echo")) << out;
    }
}

TEST_F(CtlLineOptions, ComNumberTakesTheOptionsOfDevDat) {
    std::ofstream(work() + "/dev.dat", std::ios::binary)
        << "[SETTINGS]\r\nTimeOut=200\r\n[COM_PORTS]\r\nCOM2=" << link()
        << "\r\n[COM_OPTIONS]\r\nCOM2=echo,fast\r\n";
    // A refused word for the COM number in use sends nothing; one for
    // another number only warns.
    EXPECT_EQ(ctl("--com 2 blink"), 2) << err;
    EXPECT_TRUE(
        contains(err, "dev.dat: [COM_OPTIONS] COM2: слово «fast» пропущено: неизвестное слово"))
        << err;
    std::ofstream(work() + "/dev.dat", std::ios::binary)
        << "[SETTINGS]\r\nTimeOut=200\r\n[COM_PORTS]\r\nCOM2=" << link()
        << "\r\n[COM_OPTIONS]\r\nCOM2=echo\r\nCOM3=fast\r\n";
    EXPECT_EQ(ctl("--com 2 blink"), 0) << err;
    EXPECT_TRUE(contains(err, "COM3: слово «fast»")) << err;
    // The same device by path: the options of dev.dat stay with COM2.
    EXPECT_EQ(ctl("--device " + link() + " blink"), 1);
}

}  // namespace
}  // namespace m8163
