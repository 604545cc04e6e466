#include "module/frame_decoder.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "base/number_text.h"
#include "link/line_format.h"
#include "module/register_codec.h"
#include "module/register_image.h"
#include "protocol/exchange_failure.h"

namespace m8163 {
namespace {

constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kWrite = 0x10;
constexpr std::uint8_t kExceptionFlag = 0x80;

// How a field of the map is shown when a frame carries all of it.
enum class Kind {
    Decimal,
    Hex,
    Real,
    Text,
    Date,
    Speed,
    Parity,
    Watchdog,
    Status,
    SensorType,
    SquareRoot,
    Averaging,
};

struct Field {
    std::uint16_t address;
    std::uint16_t width;  // registers
    std::string_view name;
    Kind kind;
};

// The registers the program touches, by address.
constexpr Field kFields[] = {
    {reg::kMeasuredValue, 2, "измеренное значение", Kind::Real},
    {0x0002, 1, "относительное значение", Kind::Decimal},
    {0x0003, 1, "статус измерения", Kind::Status},
    {reg::kModelCode, 1, "код модели", Kind::Hex},
    {reg::kFactoryNumber1, 1, "заводской номер 1", Kind::Decimal},
    {reg::kFactoryNumber2, 1, "заводской номер 2", Kind::Decimal},
    {reg::kHardwareVersion, 1, "версия схемы", Kind::Decimal},
    {reg::kSoftwareVersion, 1, "версия ПО", Kind::Decimal},
    {reg::kManufactureDay, 3, "дата изготовления", Kind::Date},
    {reg::kNetworkNumber, 1, "сетевой номер", Kind::Decimal},
    {reg::kSpeedCode, 1, "скорость", Kind::Speed},
    {reg::kParityCode, 1, "паритет", Kind::Parity},
    {reg::kWatchdogTime, 1, "сторожевой таймер", Kind::Watchdog},
    {reg::kUserText, kUserTextRegisters, "текст пользователя", Kind::Text},
    {reg::kBlinkCommand, 1, "команда мигания", Kind::Decimal},
    {reg::kSensorType, 1, "тип датчика", Kind::SensorType},
    {reg::kSquareRoot, 1, "извлечение корня", Kind::SquareRoot},
    {reg::kAveraging, 1, "усреднение", Kind::Averaging},
    {reg::kRangeMin, 2, "минимум диапазона", Kind::Real},
    {reg::kRangeMax, 2, "максимум диапазона", Kind::Real},
    {reg::kOffset, 2, "смещение", Kind::Real},
    {reg::kAdjustment, 2, "подстройка", Kind::Real},
    {reg::kConstructionRangeMin, 2, "минимум диапазона конструктива", Kind::Real},
    {reg::kConstructionRangeMax, 2, "максимум диапазона конструктива", Kind::Real},
    {reg::kTypeName, kTypeNameRegisters, "название типа", Kind::Text},
};

const Field* fieldAt(std::uint16_t address) {
    for (const Field& field : kFields) {
        if (field.address == address)
            return &field;
    }
    return nullptr;
}

std::string printed(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
    char text[32];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string trimmedLeft(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

// A text from the module's registers, which may hold any byte, kept on one
// line: control characters shown as "\xNN", so that no frame breaks a line
// of the trace or a row of the monitor's saved text.
std::string oneLine(const std::string& text) {
    std::string shown;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            shown += printed("\\x%02X", b);
        else
            shown += c;
    }
    return shown;
}

std::string codeText(unsigned code) {
    return "код " + std::to_string(code);
}

std::string fieldValue(const Field& field, std::span<const std::uint16_t> r) {
    switch (field.kind) {
        case Kind::Decimal:
            return std::to_string(r[0]);
        case Kind::Hex:
            return formatHex4(r[0]);
        case Kind::Real:
            return trimmedLeft(formatShownReal(joinF32(r)));
        case Kind::Text:
            return std::string("\"").append(oneLine(unpackText(r))).append("\"");
        case Kind::Date:
            return printed("%02u.%02u.%u", r[0], r[1], 2000u + r[2]);
        case Kind::Speed:
            if (const LineFormat* format = lineFormatByModuleCode(r[0]))
                return std::to_string(format->bitRate) + " бит/с";
            return codeText(r[0]);
        case Kind::Parity:
            if (r[0] <= 2) {
                constexpr std::string_view kNames[] = {"нет", "нечёт", "чёт"};
                return std::string(kNames[r[0]]);
            }
            return codeText(r[0]);
        case Kind::Watchdog:
            return r[0] == 0 ? "отключен" : printed("%u.%u с", r[0] / 10u, r[0] % 10u);
        case Kind::Status:
            return r[0] == 0 ? "норма" : trimmedLeft(statusBitsText(r[0]));
        case Kind::SensorType: {
            const std::string_view text = sensorTypeText(r[0]);
            return text.empty() ? codeText(r[0]) : std::string(text);
        }
        case Kind::SquareRoot:
            return squareRootOn(SensorSettings{.squareRoot = r[0]}) ? "вкл" : "выкл";
        case Kind::Averaging:
            return r[0] <= 9 ? std::to_string(1u << r[0]) : codeText(r[0]);
    }
    return {};
}

std::string registersText(std::span<const std::uint16_t> values) {
    std::string text;
    for (std::uint16_t value : values) {
        if (!text.empty())
            text += ' ';
        text += formatHex4(value);
    }
    return text;
}

// "0001 0007 0000 (сетевой номер = 1; скорость = 19200 бит/с; ...)": each
// register in hex, then every field of the map that lies whole in the block.
std::string valuesText(std::uint16_t start, std::span<const std::uint16_t> values) {
    std::string text = registersText(values);
    std::string typed;
    for (std::size_t i = 0; i < values.size();) {
        const Field* field = fieldAt(static_cast<std::uint16_t>(start + i));
        if (field == nullptr || i + field->width > values.size()) {
            ++i;
            continue;
        }
        typed += typed.empty() ? " (" : "; ";
        typed +=
            std::string(field->name) + " = " + fieldValue(*field, values.subspan(i, field->width));
        i += field->width;
    }
    if (!typed.empty())
        text += typed + ")";
    return text;
}

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

std::vector<std::uint16_t> registersAt(std::span<const std::uint8_t> bytes, std::size_t at,
                                       std::size_t count) {
    std::vector<std::uint16_t> values;
    for (std::size_t i = 0; i < count && at + 2 * i + 1 < bytes.size(); ++i)
        values.push_back(word(bytes, at + 2 * i));
    return values;
}

std::string moduleText(std::uint8_t address) {
    return "модуль " + std::to_string(address);
}

std::string functionText(std::uint8_t function) {
    if (function == kRead)
        return "чтение (03)";
    if (function == kWrite)
        return "запись (16)";
    return printed("функция %02X", function);
}

}  // namespace

std::string frameHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += printed("%02X", byte);
    }
    return text;
}

std::string registerName(std::uint16_t address) {
    std::string text = std::string("0x").append(formatHex4(address));
    if (const Field* field = fieldAt(address))
        text.append(" ").append(field->name);
    return text;
}

std::string describeRequest(std::span<const std::uint8_t> request) {
    if (request.size() < 6)
        return "неполный запрос";
    const std::uint8_t function = request[1];
    const std::uint16_t start = word(request, 2);
    const std::size_t count = word(request, 4);
    std::string text = moduleText(request[0]) + ", " + functionText(function) + ": " +
                       registerName(start) + ", " + std::to_string(count) + " рег.";
    if (function == kWrite)
        text += ": " + valuesText(start, registersAt(request, 7, count));
    return text;
}

std::string describeReply(std::span<const std::uint8_t> request,
                          std::span<const std::uint8_t> reply, const ExchangeStatus& status) {
    if (reply.empty())
        return "нет ответа";
    if (status.requestEchoed || (reply.size() >= request.size() && request.size() >= 8 &&
                                 std::equal(request.begin(), request.end(), reply.begin())))
        return "эхо запроса: " + describeRequest(request);
    std::string text = moduleText(reply[0]);
    if (request.size() >= 8 && reply[0] != request[0])
        text += " (запрос был к модулю " + std::to_string(request[0]) + ")";
    if (reply.size() < 2)
        return text + ", обрывок ответа";
    const std::uint8_t function = reply[1];
    const std::uint8_t asked = request.size() >= 2 ? request[1] : 0;
    if (function == (asked | kExceptionFlag) && reply.size() >= 3) {
        return text + ", исключение " + printed("%02X", function) + ": код " +
               std::to_string(reply[2]) + " — " + deviceExceptionText(reply[2]);
    }
    if (function != asked)
        return text + ", " + functionText(function) + " в ответ на " + functionText(asked);
    if (request.size() < 6)
        return text + ", " + functionText(function);
    const std::uint16_t start = word(request, 2);
    const std::size_t count = word(request, 4);
    if (function == kWrite) {
        if (reply.size() < 6)
            return text + ", запись (16): обрывок ответа";
        return text + ", запись (16): записано " + registerName(word(reply, 2)) + ", " +
               std::to_string(word(reply, 4)) + " рег.";
    }
    if (reply.size() < 3)
        return text + ", чтение (03): обрывок ответа";
    const std::vector<std::uint16_t> values = registersAt(reply, 3, count);
    text += ", чтение (03): " + std::to_string(reply[2]) + " байт";
    if (values.empty())
        return text;
    text += ": ";
    // Typed values only for a block that came whole.
    if (values.size() == count)
        return text + valuesText(start, values);
    return text + registersText(values) + " (не все регистры)";
}

std::string exchangeOutcome(const ExchangeStatus& status) {
    const std::vector<std::string> texts = exchangeFailureTexts(status);
    if (texts.empty())
        return "норма";
    std::string text;
    for (const std::string& part : texts)
        text += part + " ";
    return text + printed("[0x%02X]", status.result);
}

}  // namespace m8163
