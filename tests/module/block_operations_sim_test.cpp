// Block operations through the real termios port against the simulated module
// on a pseudo-terminal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "link/connection_settings.h"
#include "link/termios_port.h"
#include "module/block_operations.h"
#include "module/register_codec.h"
#include "recorders.h"
#include "sim/pty_server.h"

namespace m8163 {
namespace {

namespace simreg = sim::reg;

class SimulatedModule : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "m8163-module-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        sim::ServerOptions options;
        options.link = dir_ + "/port";
        server_ = std::make_unique<sim::PtyServer>(std::move(options));
        server_->start();
        settings.moduleAddress = 1;
        settings.speed = 19200;
        settings.timeoutMs = 500;
        ASSERT_TRUE(
            port.open(server_->path(), LineSettings{19200, Parity::None}, PortTimeouts{}).ok);
    }

    void TearDown() override {
        port.close();
        server_->stop();
        std::filesystem::remove_all(dir_);
    }

    void module(const std::function<void(sim::ModuleModel&)>& f) { server_->withModule(1, f); }

    TermiosPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    test::RecordingPump pump;  // no real waiting: the simulator needs no quiet time
    RegisterImage image;

  private:
    std::string dir_;
    std::unique_ptr<sim::PtyServer> server_;
};

TEST_F(SimulatedModule, ReadSensorSettingsGivesTheModulesValues) {
    module([](sim::ModuleModel& m) {
        m.setReg(simreg::kSensorType, 21);
        m.setReg(0x0503, 1);
        m.setReg(simreg::kAveraging, 5);
        m.setReal(simreg::kRangeMin, 4.0f);
        m.setReal(simreg::kRangeMax, 20.0f);
        m.setReal(simreg::kOffset, -0.125f);
        m.setReal(simreg::kAdjustment, 1.015f);
        m.setReal(simreg::kConstructionMin, -40.0f);
        m.setReal(simreg::kConstructionMax, 125.5f);
        m.setText(simreg::kUserText, 16, "Котельная №3");
        m.setText(simreg::kTypeName, 32, "ТСП-100 гильза 8х120 кабель 2м Ё");
    });

    ASSERT_EQ(readSensorSettings(line, pump, image), ExchangeStatus{});

    const SensorSettings& s = image.sensor;
    EXPECT_EQ(s.sensorType, 21);
    EXPECT_TRUE(squareRootOn(s));
    EXPECT_EQ(s.averaging, 5);
    EXPECT_EQ(s.rangeMin, 4.0f);
    EXPECT_EQ(s.rangeMax, 20.0f);
    EXPECT_EQ(s.offset, -0.125f);
    EXPECT_EQ(s.adjustment, 1.015f);
    EXPECT_EQ(s.constructionRangeMin, -40.0f);
    EXPECT_EQ(s.constructionRangeMax, 125.5f);
    EXPECT_EQ(userText(image), "Котельная №3");
    EXPECT_EQ(typeName(image), "ТСП-100 гильза 8х120 кабель 2м Ё");
}

TEST_F(SimulatedModule, ExchangePageReadsGiveTheModulesWords) {
    std::array<std::uint16_t, 13> expected{};
    module([&](sim::ModuleModel& m) {
        m.setReg(0x0401, 1234);
        m.setReg(0x0402, 56789);
        m.setReg(0x0403, 3);
        m.setReg(0x0404, 17);
        m.setReg(0x0405, 31);
        m.setReg(0x0406, 12);
        m.setReg(0x0407, 7);
        m.setReg(simreg::kWatchdog, 2550);
        for (std::uint16_t i = 0; i < expected.size(); ++i)
            expected[i] = m.reg(0x0400 + i);
    });

    ASSERT_EQ(readExchangePage(line, pump, image), ExchangeStatus{});

    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(image.words[i], expected[i]) << i;
    EXPECT_EQ(image.words[0], 0x8163);
    EXPECT_EQ(image.words[8], 1);   // the address we talk to
    EXPECT_EQ(image.words[9], 7);   // 19200 bit/s
    EXPECT_EQ(image.words[10], 0);  // no parity
}

TEST_F(SimulatedModule, WriteSensorSettingsSetsTheModulesValues) {
    image.sensor.averaging = 9;
    image.sensor.offset = 2.5f;
    image.sensor.adjustment = 0.995f;
    image.sensor.sensorType = 3;  // not written
    setUserText(image, "Пароперегрев Ё");

    ASSERT_EQ(writeSensorSettings(line, pump, image), ExchangeStatus{});

    module([](sim::ModuleModel& m) {
        EXPECT_EQ(m.reg(simreg::kAveraging), 9);
        EXPECT_EQ(m.real(simreg::kOffset), 2.5f);
        EXPECT_EQ(m.real(simreg::kAdjustment), 0.995f);
        EXPECT_EQ(m.reg(simreg::kSensorType), 8);
        EXPECT_EQ(m.text(simreg::kUserText, 16), "Пароперегрев Ё  ");
    });
}

TEST_F(SimulatedModule, AnExceptionEndsTheReadAndKeepsTheEarlierBlocks) {
    module([](sim::ModuleModel& m) {
        m.setReal(simreg::kOffset, 0.75f);
        m.faults.push_back({sim::FaultKind::Exception, 4, 1.0, -1, 0x051B, 0x051E});
    });
    image.sensor.constructionRangeMin = 99.0f;

    EXPECT_EQ(readSensorSettings(line, pump, image),
              (ExchangeStatus{kDeviceException | kFunctionMismatch | kLengthError, 4}));

    EXPECT_EQ(image.sensor.offset, 0.75f);
    EXPECT_EQ(image.sensor.sensorType, 8);
    EXPECT_EQ(image.sensor.constructionRangeMin, 99.0f);
    EXPECT_EQ(userText(image), "");
    EXPECT_EQ(pump.pauses.size(), 3u);
}

}  // namespace
}  // namespace m8163
