#include "link/port_state.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace m8163 {
namespace {

// The state line as the user reads it, for each way the port can be.
TEST(PortStateText, SaysWhatIsOpenOrWhyNot) {
    struct Case {
        PortState state;
        std::string text;
    };
    const Case cases[] = {
        {{PortCondition::Open, "/dev/ttyUSB0", "FTDI FT232R", "", std::nullopt, {}, ""},
         "/dev/ttyUSB0 · FTDI FT232R"},
        {{PortCondition::Open, "/dev/pts/3", "", "", std::nullopt, {}, ""}, "/dev/pts/3"},
        {{PortCondition::Missing,
          "/dev/ttyUSB0",
          "",
          "Нет такого файла или каталога",
          std::nullopt,
          {},
          ""},
         "Порт не открыт: нет устройства /dev/ttyUSB0. Подключите его — откроется сам, или "
         "выберите порт (Ctrl+P)"},
        {{PortCondition::NoAccess, "/dev/ttyS0", "", "Отказано в доступе", "dialout", {}, ""},
         "Порт не открыт: нет доступа к /dev/ttyS0. Вступите в группу dialout и войдите в систему "
         "заново; с доступом откроется сам"},
        {{PortCondition::NoAccess, "/dev/ttyS0", "", "Отказано в доступе", std::nullopt, {}, ""},
         "Порт не открыт: нет доступа к /dev/ttyS0. Права устройства не дают доступа; дадут — "
         "откроется сам"},
        {{PortCondition::Busy,
          "/dev/ttyUSB1",
          "",
          "",
          std::nullopt,
          {{812, "minicom"}, {907, "picocom"}},
          ""},
         "Порт не открыт: /dev/ttyUSB1 занят программами minicom (PID 812), picocom (PID 907). "
         "Закройте их — откроется сам"},
        {{PortCondition::Busy, "/dev/ttyUSB1", "", "", std::nullopt, {{526, "python3"}}, ""},
         "Порт не открыт: /dev/ttyUSB1 занят программой python3 (PID 526). Закройте её — откроется "
         "сам"},
        {{PortCondition::Busy, "/dev/ttyUSB1", "", "", std::nullopt, {}, ""},
         "Порт не открыт: /dev/ttyUSB1 занят другой программой. Закройте её — откроется сам"},
        {{PortCondition::Lost, "/dev/ttyUSB0", "", "", std::nullopt, {}, ""},
         "Порт не открыт: /dev/ttyUSB0 пропал (адаптер отключён?); вернётся — откроется сам"},
        {{PortCondition::Failed, "/dev/ttyS4", "", "Ошибка ввода-вывода", std::nullopt, {}, ""},
         "Порт не открыт: /dev/ttyS4: Ошибка ввода-вывода"},
        {{}, "Порт закрыт"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(portStateText(c.state), c.text);
}

TEST(PortStateAfterOpen, TheSystemsReasonPicksTheCondition) {
    const std::pair<int, PortCondition> cases[] = {
        {ENOENT, PortCondition::Missing},  {ENODEV, PortCondition::Missing},
        {EACCES, PortCondition::NoAccess}, {EBUSY, PortCondition::Busy},
        {EIO, PortCondition::Failed},
    };
    for (const auto& [error, condition] : cases) {
        const PortState state =
            portStateAfterOpen("/nonexistent/ttyUSB9", OpenResult{false, error, "reason", 0});
        EXPECT_EQ(state.condition, condition) << error;
        EXPECT_EQ(state.device, "/nonexistent/ttyUSB9");
    }
    EXPECT_TRUE(portStateAfterOpen("/dev/null", OpenResult{true, 0, {}, 0}).open());
}

// The line names the device as the user picked it (a by-id link); the node
// it leads to is in the hint only.
TEST(PortStateAfterOpen, NamesThePathPickedAndTheNodeInTheHint) {
    std::string folder = (std::filesystem::temp_directory_path() / "m8163-state-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string link = folder + "/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    std::filesystem::create_symlink("/dev/null", link);
    for (const OpenResult& result :
         {OpenResult{true, 0, {}, 0}, OpenResult{false, EBUSY, "Устройство занято", 0}}) {
        const PortState state = portStateAfterOpen(link, result);
        EXPECT_EQ(state.device, link);
        EXPECT_EQ(state.node, "/dev/null");
        EXPECT_EQ(portStateText(state).find("/dev/null"), std::string::npos);
        EXPECT_EQ(portStateHint(state), portStateText(state) + "\nУстройство: /dev/null");
    }
    const PortState plain = portStateAfterOpen("/dev/null", OpenResult{true, 0, {}, 0});
    EXPECT_EQ(plain.node, "");
    EXPECT_EQ(portStateHint(plain), portStateText(plain));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace m8163
