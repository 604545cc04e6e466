#include "protocol/exchange_failure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorders.h"

namespace m8163 {
namespace {

const std::string kDevice = "Устройство сообщает об ошибке";
const std::string kLink = "Ошибка в обмене.";
const std::string kLengthText =
    "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.";

struct Case {
    unsigned result;
    std::uint8_t code;
    std::string text;  // empty: no box
    std::string caption;
};

TEST(ExchangeFailureBox, FirstMatchingRuleGivesTheBox) {
    const std::vector<Case> cases = {
        // Device rows come first and name the exception code.
        {kDeviceException, 1, "Неподдерживаемая функция.", kDevice},
        {0x1A, 2, "Адрес данных выходит за допустимые границы.", kDevice},
        {kDeviceException, 3, "Величина данных превышает допустимое значение.", kDevice},
        {kDeviceException | kCrcError, 4, "Ошибка в работе адресуемого устройства.", kDevice},
        {kDeviceException, 0, "Ошибка устройства 0", kDevice},
        {0x1A, 11, "Ошибка устройства 11", kDevice},
        {kDeviceException, 255, "Ошибка устройства 255", kDevice},
        {0x7F, 5, "Ошибка устройства 5", kDevice},
        // Link rows in the order 0x01, 0x02, 0x04, 0x20, 0x40, 0x08.
        {0x7F & ~kDeviceException, 0, "При приеме ответа ошибка паритета.", kLink},
        {kLengthError | kNoReply, 0, kLengthText, kLink},
        {0x6E, 0, kLengthText, kLink},  // silent module, address not 0
        {kLengthError, 0, kLengthText, kLink},
        {0x24, 0, "При приеме в ответе указан не адрес того устройства к которому обращались.",
         kLink},
        {kCrcError | kNoReply | kFunctionMismatch, 0,
         "При приеме в ответе не сошлась контрольная сумма.", kLink},
        {kNoReply | kFunctionMismatch, 0, "Ответа не было.", kLink},
        {kFunctionMismatch, 0, "В ответе указан не тот номер команды.", kLink},
        // A wrong echo of the adapter: set alone, no reply was read.
        {kEchoMismatch, 0,
         "Адаптер не вернул отправленный запрос (эхо) или вернул его искажённым. Проверьте "
         "подключение адаптера и слово echo в разделе [COM_OPTIONS] файла dev.dat.",
         kLink},
        // The code counts only beside DeviceException; higher bits are ignored.
        {kFunctionMismatch, 2, "В ответе указан не тот номер команды.", kLink},
        {0, 0, "", ""},
        {0, 7, "", ""},
        {0x100 | 0x200, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "result 0x" << std::hex << c.result << " code " << std::dec << int(c.code));
        auto box = exchangeFailureBox({c.result, c.code});
        if (c.text.empty()) {
            EXPECT_FALSE(box.has_value());
            continue;
        }
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, c.text);
        EXPECT_EQ(box->caption, c.caption);
        EXPECT_EQ(box->icon, BoxIcon::Warning);
        EXPECT_EQ(box->buttons, BoxButtons::Ok);
    }
}

TEST(ReportExchangeFailure, ShowsOneBoxOrNone) {
    test::RecordingBoxes boxes;
    reportExchangeFailure(boxes, {0x6E, 0});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], *exchangeFailureBox({0x6E, 0}));

    reportExchangeFailure(boxes, {0, 0});
    EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace m8163
