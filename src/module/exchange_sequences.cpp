#include "module/exchange_sequences.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/number_text.h"
#include "base/standard_boxes.h"
#include "link/line_format.h"
#include "module/blink_command.h"
#include "module/block_operations.h"
#include "module/field_rules.h"
#include "module/register_codec.h"
#include "protocol/exchange_failure.h"

namespace m8163 {
namespace {

// The module switches to what it was written; a speed code outside the
// table means 9600 bit/s to it.
// What the take-over stores for a list without a pick.
constexpr std::uint16_t kNoListEntry = 0xFFFF;

int bitRateOfCode(std::uint16_t code) {
    const LineFormat* format = lineFormatByModuleCode(code);
    return (format != nullptr ? format : lineFormatByBitRate(9600))->bitRate;
}

// A list index stored as a register: "no selection" (-1) becomes 0xFFFF.
std::uint16_t indexWord(int index) {
    return static_cast<std::uint16_t>(index);
}

std::optional<std::uint16_t> factoryWord(const std::string& text) {
    auto value = readWholeNumber(text);
    if (!value || *value < 0 || *value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// Without a selection in the speed list the module is given 9600 bit/s.
std::uint16_t speedCode(int index) {
    const LineFormat* format = lineFormatByListIndex(index);
    return (format != nullptr ? format : lineFormatByBitRate(9600))->moduleCode;
}

// Over a port whose line format is the far end's own (a device server on
// plain TCP) the program cannot follow the module to a new speed or parity:
// the module would go silent until the server is set to match. Asked once
// more, with the reason, before such a write.
bool formatChangeAccepted(const ModbusLine& line, const RegisterImage& image, MessageBoxes& boxes) {
    if (!line.port.lineFormatFixed())
        return true;
    const ConnectionSettings& now = line.settings;
    if (bitRateOfCode(image.word(reg::kSpeedCode)) == now.speed &&
        parityFromCode(image.word(reg::kParityCode)) == now.parity) {
        return true;
    }
    return confirmed(boxes,
                     "Формат линии этого порта задан на сервере (socket://): программа не "
                     "перейдёт на новую скорость или паритет, и модуль перестанет отвечать, "
                     "пока формат линии не изменят на сервере. Записать всё же?");
}

}  // namespace

bool takeOverExchangeEntry(const ExchangeEntry& entry, RegisterImage& image, MessageBoxes& boxes) {
    constexpr const char* kModelRefused =
        "Вводимый код модели не получается представить целым числом.";
    auto model = readHex(entry.modelCode);
    if (!model)
        return refuseInput(boxes, kModelRefused);
    if (*model > 0xFFFF) {
        image.word(reg::kModelCode) = 0xFFFF;
        return refuseInput(boxes, kModelRefused);
    }
    image.word(reg::kModelCode) = static_cast<std::uint16_t>(*model);

    auto factory1 = factoryWord(entry.factoryNumber1);
    auto factory2 = factoryWord(entry.factoryNumber2);
    if (!factory1 || !factory2) {
        return refuseInput(
            boxes, "Вводимые данные заводского номера не получается представить целым числом.");
    }
    image.word(reg::kFactoryNumber1) = *factory1;
    image.word(reg::kFactoryNumber2) = *factory2;

    image.word(reg::kManufactureDay) = indexWord(entry.day + 1);
    image.word(reg::kManufactureMonth) = indexWord(entry.month + 1);
    image.word(reg::kManufactureYear) = indexWord(entry.year);
    image.word(reg::kSpeedCode) = speedCode(entry.speed);
    image.word(reg::kParityCode) = static_cast<std::uint16_t>(parityCode(entry.parity));
    image.word(reg::kNetworkNumber) = indexWord(entry.networkNumber);

    auto hardware = readWholeNumber(entry.hardware);
    if (!hardware) {
        return refuseInput(boxes,
                           "Вводимые данные версии железа не получается представить целым числом.");
    }
    image.word(reg::kHardwareVersion) = static_cast<std::uint16_t>(*hardware);

    auto software = readWholeNumber(entry.software);
    if (!software)
        return refuseInput(boxes,
                           "Вводимые данные версии ПО не получается представить целым числом.");
    image.word(reg::kSoftwareVersion) = static_cast<std::uint16_t>(*software);

    image.word(reg::kWatchdogTime) = indexWord(entry.watchdog);
    return true;
}

void runBlink(const ModbusLine& line, MessageBoxes& boxes, ConnectionView& view) {
    view.stopPolling();
    const ExchangeStatus status = blinkModule(line);
    if (!status.ok())
        reportExchangeFailure(boxes, status);
}

void runSetInit(ConnectionSettings& settings, SerialPort& port, EventPump& pump,
                MessageBoxes& boxes, ConnectionView& view) {
    if (!confirmed(
            boxes,
            "Текущие настройки связи будут изменены на значения для работы в режиме INIT.")) {
        return;
    }
    view.stopPolling();
    settings.speed = 19200;
    settings.parity = Parity::None;
    settings.moduleAddress = 1;
    view.showConnection();
    pump.processPending();
    view.reopenPort(port);
}

void runReadExchangePage(const ModbusLine& line, EventPump& pump, RegisterImage& image,
                         MessageBoxes& boxes, ExchangePageView& page) {
    const ExchangeStatus status = readExchangePage(line, pump, image);
    if (!status.ok()) {
        reportExchangeFailure(boxes, status);
        return;
    }
    page.showExchangePage();
    reportSuccess(boxes, "Чтение всех параметров закладки успешно осуществлено.");
}

void runWriteExchangePage(const ModbusLine& line, EventPump& pump, const RegisterImage& image,
                          ConnectionSettings& settings, MessageBoxes& boxes, ExchangePageView& page,
                          ConnectionView& connection) {
    // With no module number picked the image holds 0xFFFF, after a read of
    // a module with a number beyond the list that number: written, it would
    // leave the module unreachable or be refused by it after the question.
    const std::uint16_t number = image.word(reg::kNetworkNumber);
    if (number > kLastModuleNumber) {
        const std::string text =
            number == kNoListEntry
                ? std::string(
                      "Номер модуля не выбран из списка. Выберите номер модуля от 0 до 247.")
                : "Номер модуля, прочитанный из модуля (" + std::to_string(number) +
                      "), вне пределов от 0 до 247. Выберите номер модуля из списка.";
        refuseInput(boxes, text);
        return;
    }
    if (!confirmed(boxes, "Данные конфигурации будут переписаны?."))
        return;
    if (!formatChangeAccepted(line, image, boxes))
        return;
    const ExchangeStatus status = writeExchangeParameters(line, pump, image);
    if (!status.ok()) {
        reportExchangeFailure(boxes, status);
        return;
    }
    settings.speed = bitRateOfCode(image.word(reg::kSpeedCode));
    settings.parity = parityFromCode(image.word(reg::kParityCode));
    settings.moduleAddress = image.word(reg::kNetworkNumber);
    page.showExchangePage();
    connection.showConnection();
    connection.reopenPort(line.port);
    reportSuccess(boxes, "Запись параметров обмена модуля успешно осуществлена.");
}

}  // namespace m8163
