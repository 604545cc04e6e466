#include "protocol/exchange_failure.h"
#include "base/standard_boxes.h"

#include <iterator>
#include <string>
#include <string_view>
#include <utility>

namespace m8163 {
namespace {

// Modbus exception codes 1 ... 4 (index = code - 1).
constexpr std::string_view kDeviceTexts[] = {
    "Неподдерживаемая функция.",
    "Адрес данных выходит за допустимые границы.",
    "Величина данных превышает допустимое значение.",
    "Ошибка в работе адресуемого устройства.",
};

// Link faults in the order they are looked at. A reply that never came sets
// LengthError with NoReply; LengthError comes first, and its text says that
// perhaps there was no reply at all.
struct LinkRule {
    unsigned bit;
    std::string_view text;
};
constexpr LinkRule kLinkRules[] = {
    // Set alone: no reply is read after a wrong echo.
    {kEchoMismatch,
     "Адаптер не вернул отправленный запрос (эхо) или вернул его искажённым. Проверьте "
     "подключение адаптера и слово echo в разделе [COM_OPTIONS] файла dev.dat."},
    {kParityError, "При приеме ответа ошибка паритета."},
    {kLengthError,
     "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было."},
    {kAddressMismatch,
     "При приеме в ответе указан не адрес того устройства к которому обращались."},
    {kCrcError, "При приеме в ответе не сошлась контрольная сумма."},
    {kNoReply, "Ответа не было."},
    {kFunctionMismatch, "В ответе указан не тот номер команды."},
};

// Added to the box of a failed exchange whose reply began with the request.
constexpr std::string_view kEchoHint =
    "Ответ начинается с самого запроса: похоже, адаптер возвращает всё, что передаёт (эхо). "
    "Если это так, допишите слово echo в строку этого порта в разделе [COM_OPTIONS] файла "
    "dev.dat (например, COM1=echo) или дайте m8163ctl --line-options echo.";

MessageBox warning(std::string text, std::string_view caption) {
    return {std::move(text), std::string(caption), BoxIcon::Warning, BoxButtons::Ok, {}};
}

}  // namespace

std::string deviceExceptionText(std::uint8_t code) {
    if (code >= 1 && code <= std::size(kDeviceTexts))
        return std::string(kDeviceTexts[code - 1]);
    return "Ошибка устройства " + std::to_string(code);
}

std::vector<std::string> exchangeFailureTexts(const ExchangeStatus& status) {
    std::vector<std::string> texts;
    if (status.result & kDeviceException)
        texts.push_back(deviceExceptionText(status.exceptionCode));
    for (const LinkRule& rule : kLinkRules) {
        if (status.result & rule.bit)
            texts.emplace_back(rule.text);
    }
    return texts;
}

std::optional<MessageBox> exchangeFailureBox(const ExchangeStatus& status) {
    // Silence from a port with no device is no fault of the module.
    if (status.result != 0 && !status.portNotOpen.empty()) {
        MessageBox box = warning("Последовательный порт не открыт, модуль не мог ответить.",
                                 caption::kLinkError);
        box.detail = status.portNotOpen;
        return box;
    }
    if (status.result & kDeviceException) {
        return warning(deviceExceptionText(status.exceptionCode), caption::kDeviceError);
    }
    for (const LinkRule& rule : kLinkRules) {
        if (status.result & rule.bit) {
            MessageBox box = warning(std::string(rule.text), caption::kLinkError);
            if (status.requestEchoed)
                box.detail = kEchoHint;
            return box;
        }
    }
    return std::nullopt;
}

void reportExchangeFailure(MessageBoxes& boxes, const ExchangeStatus& status) {
    if (auto box = exchangeFailureBox(status))
        boxes.show(*box);
}

}  // namespace m8163
