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

    EXPECT_EQ(ctl(device + "--line-options echo,rs458 identity"), 0) << err;
    EXPECT_TRUE(contains(err, "--line-options: unknown word 'rs458' ignored")) << err;

    EXPECT_EQ(ctl(device + "read"), 1);
    EXPECT_TRUE(contains(err, "m8163ctl: При приеме принято не ожидаемое число символов")) << err;
    EXPECT_TRUE(contains(err, "--line-options echo")) << err;
}

TEST_F(CtlLineOptions, ComNumberTakesTheOptionsOfDevDat) {
    std::ofstream(work() + "/dev.dat", std::ios::binary)
        << "[SETTINGS]\r\nTimeOut=200\r\n[COM_PORTS]\r\nCOM2=" << link()
        << "\r\n[COM_OPTIONS]\r\nCOM2=echo,fast\r\n";
    EXPECT_EQ(ctl("--com 2 blink"), 0) << err;
    EXPECT_TRUE(contains(err, "dev.dat: [COM_OPTIONS] COM2: слово «fast» не понято и пропущено"))
        << err;
    // The same device by path: the options of dev.dat stay with COM2.
    EXPECT_EQ(ctl("--device " + link() + " blink"), 1);
}

}  // namespace
}  // namespace m8163
