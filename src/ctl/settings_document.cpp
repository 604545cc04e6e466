#include "ctl/settings_document.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/json_text.h"
#include "base/message_boxes.h"
#include "base/number_text.h"
#include "ctl/options.h"
#include "ctl/output.h"
#include "module/field_rules.h"
#include "module/register_codec.h"
#include "module/sensor_sequences.h"

namespace m8163::ctl {
namespace {

std::string wordList(const std::uint16_t* words, std::size_t count) {
    std::string out = "[";
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += ',';
        out += std::to_string(words[i]);
    }
    return out + "]";
}

// The sensor registers that the sensor read fetches, 0x0500 ... 0x0519, as
// the module sent them.
std::array<std::uint16_t, 0x1A> sensorBlock(const SensorSettings& s) {
    std::array<std::uint16_t, 0x1A> words{};
    words[0] = s.sensorType;
    words[1] = s.reserved0501[0];
    words[2] = s.reserved0501[1];
    words[3] = s.squareRoot;
    words[4] = s.reserved0504;
    words[5] = s.reserved0505[0];
    words[6] = s.reserved0505[1];
    words[7] = s.averaging;
    const float reals[] = {s.rangeMin, s.rangeMax};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto pair = splitF32(reals[i]);
        words[8 + 2 * i] = pair[0];
        words[9 + 2 * i] = pair[1];
    }
    std::copy(s.reserved050C.begin(), s.reserved050C.end(), words.begin() + 0x0C);
    const float adjustable[] = {s.offset, s.adjustment};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto pair = splitF32(adjustable[i]);
        words[0x16 + 2 * i] = pair[0];
        words[0x17 + 2 * i] = pair[1];
    }
    return words;
}

// 0x051B ... 0x052E: the construction-limited range and the type name.
std::array<std::uint16_t, 20> constructionBlock(const RegisterImage& image) {
    std::array<std::uint16_t, 20> words{};
    const auto low = splitF32(image.sensor.constructionRangeMin);
    const auto high = splitF32(image.sensor.constructionRangeMax);
    words[0] = low[0];
    words[1] = low[1];
    words[2] = high[0];
    words[3] = high[1];
    for (std::size_t i = 0; i < kTypeNameRegisters; ++i)
        words[4 + i] = image.word(static_cast<std::uint16_t>(reg::kTypeName + i));
    return words;
}

[[noreturn]] void refuse(const std::string& field, const std::string& why) {
    throw DocumentRefused(field + ": " + why);
}

const JsonValue& required(const JsonValue& parent, const std::string& section,
                          const std::string& name) {
    const JsonValue* value = parent.member(name);
    if (value == nullptr)
        refuse(section + name, "missing");
    return *value;
}

const JsonValue& section(const JsonValue& document, const std::string& name) {
    const JsonValue& value = required(document, "", name);
    if (value.kind != JsonValue::Kind::Object)
        refuse(name, "not an object");
    return value;
}

int wholeField(const JsonValue& value, const std::string& field, int low, int high) {
    const auto number =
        value.kind == JsonValue::Kind::Number ? readWholeNumber(value.text) : std::nullopt;
    if (!number || *number < low || *number > high) {
        refuse(field,
               "expected a whole number " + std::to_string(low) + " ... " + std::to_string(high));
    }
    return *number;
}

// Keeps the text of the one box a take-over shows when it refuses.
class RefusalText final : public MessageBoxes {
  public:
    BoxAnswer show(const MessageBox& box) override {
        text = box.text;
        return BoxAnswer::Ok;
    }
    std::string text;
};

std::string parityField(Parity parity) {
    return parityName(parity);
}

}  // namespace

std::string jsonReal(float value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string settingsDocument(const RegisterImage& image, const SavedLine& line,
                             const std::string& savedAt) {
    const SensorSettings& s = image.sensor;
    const std::uint16_t speedCode = image.word(reg::kSpeedCode);
    const LineFormat* speed = lineFormatByModuleCode(speedCode);
    const std::uint16_t parity = image.word(reg::kParityCode);
    const std::optional<int> averaging = averagingCount(s.averaging);

    JsonObject identity;
    identity.text("modelCode", formatHex4(image.word(reg::kModelCode)))
        .raw("factoryNumber", wordList(&image.words[*imageWordIndex(reg::kFactoryNumber1)], 2))
        .number("softwareVersion", image.word(reg::kSoftwareVersion))
        .number("hardwareVersion", image.word(reg::kHardwareVersion))
        .number("day", image.word(reg::kManufactureDay))
        .number("month", image.word(reg::kManufactureMonth))
        .number("year", 2000 + image.word(reg::kManufactureYear));

    JsonObject exchange;
    exchange.number("networkNumber", image.word(reg::kNetworkNumber))
        .raw("speed", speed != nullptr ? std::to_string(speed->bitRate) : "null")
        .number("speedCode", speedCode)
        .raw("parity", parity <= kParityEven ? jsonQuoted(parityName(parity)) : "null")
        .number("parityCode", parity)
        .number("watchdogTenths", image.word(reg::kWatchdogTime));

    JsonObject sensor;
    sensor.number("sensorType", s.sensorType)
        .text("sensorTypeText", sensorTypeText(s.sensorType))
        .boolean("squareRoot", squareRootOn(s))
        .raw("averaging", averaging ? std::to_string(*averaging) : "null")
        .number("averagingCode", s.averaging)
        .raw("rangeMin", jsonReal(s.rangeMin))
        .raw("rangeMax", jsonReal(s.rangeMax))
        .raw("offset", jsonReal(s.offset))
        .raw("adjustment", jsonReal(s.adjustment))
        .raw("constructionRangeMin", jsonReal(s.constructionRangeMin))
        .raw("constructionRangeMax", jsonReal(s.constructionRangeMax))
        .text("typeName", typeName(image))
        .text("userText", userText(image));

    const auto sensorWords = sensorBlock(s);
    const auto constructionWords = constructionBlock(image);
    JsonObject registers;
    registers
        .raw("0x0400", wordList(&image.words[*imageWordIndex(reg::kModelCode)],
                                reg::kWatchdogTime - reg::kModelCode + 1))
        .raw("0x040E", wordList(&image.words[*imageWordIndex(reg::kUserText)], kUserTextRegisters))
        .raw("0x0500", wordList(sensorWords.data(), sensorWords.size()))
        .raw("0x051B", wordList(constructionWords.data(), constructionWords.size()));

    return "{\n  \"format\": " + std::to_string(kSettingsFormat) +
           ",\n  \"saved\": " + jsonQuoted(savedAt) + ",\n  \"line\": " +
           JsonObject()
               .number("address", line.address)
               .number("speed", line.speed)
               .text("parity", parityField(line.parity))
               .str() +
           ",\n  \"identity\": " + identity.str() + ",\n  \"exchange\": " + exchange.str() +
           ",\n  \"sensor\": " + sensor.str() + ",\n  \"registers\": " + registers.str() + "\n}\n";
}

RestorePlan restorePlan(const JsonValue& document, bool exchange) {
    if (document.kind != JsonValue::Kind::Object)
        throw DocumentRefused("not a settings document (no JSON object)");
    const JsonValue& format = required(document, "", "format");
    if (format.kind != JsonValue::Kind::Number || format.text != std::to_string(kSettingsFormat))
        refuse("format", "version " + format.text + " is not known (this tool reads version " +
                             std::to_string(kSettingsFormat) + ")");

    RestorePlan plan;
    const JsonValue& identity = section(document, "identity");
    if (const JsonValue* model = identity.member("modelCode")) {
        const std::string& text = model->text;
        const bool hex = model->kind == JsonValue::Kind::String && !text.empty() &&
                         text.size() <= 4 &&
                         text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        if (hex)
            plan.modelCode = static_cast<std::uint16_t>(*readHex(text));
    }

    // The sensor page's own take-overs check what the file gives.
    const JsonValue& sensor = section(document, "sensor");
    SensorEntry entry;
    auto realText = [&](const char* name) {
        const JsonValue& value = required(sensor, "sensor.", name);
        return value.kind == JsonValue::Kind::Number ? value.text : std::string();
    };
    entry.offset = realText("offset");
    entry.adjustment = realText("adjustment");
    const JsonValue& averaging = required(sensor, "sensor.", "averaging");
    if (averaging.kind == JsonValue::Kind::Number) {
        const auto count = readWholeNumber(averaging.text);
        if (const auto code = count ? averagingCode(*count) : std::nullopt)
            entry.averaging = *code;
    }
    const JsonValue& text = required(sensor, "sensor.", "userText");
    if (text.kind != JsonValue::Kind::String)
        refuse("sensor.userText", "not a text");

    RefusalText refusal;
    if (!takeOverSensorEntry(entry, plan.image.sensor, refusal)) {
        const char* field = !readReal(entry.offset)       ? "sensor.offset"
                            : !readReal(entry.adjustment) ? "sensor.adjustment"
                                                          : "sensor.averaging";
        refuse(field, refusal.text);
    }
    // The real reader takes a leading number and drops the rest, which JSON
    // never has; a file's value must be the number as a whole.
    for (const char* name : {"offset", "adjustment"}) {
        if (!readRealWhole(realText(name)))
            refuse(std::string("sensor.") + name, "not a real of 32 bits");
    }
    if (!userTextFits(text.text)) {
        if (!takeOverUserText(text.text, plan.image, refusal))
            refuse("sensor.userText", refusal.text);
        refuse("sensor.userText", "more than " + std::to_string(kUserTextCharacters) +
                                      " characters; the module keeps 16");
    }
    setUserText(plan.image, text.text);

    if (!exchange)
        return plan;
    const JsonValue& parameters = section(document, "exchange");
    // 0 is the broadcast address, which the module does not take.
    plan.address = wholeField(required(parameters, "exchange.", "networkNumber"),
                              "exchange.networkNumber", 1, kLastModuleNumber);
    const JsonValue& speed = required(parameters, "exchange.", "speed");
    const auto rate =
        speed.kind == JsonValue::Kind::Number ? readWholeNumber(speed.text) : std::nullopt;
    const LineFormat* lineFormat = rate ? lineFormatByBitRate(*rate) : nullptr;
    if (lineFormat == nullptr)
        refuse("exchange.speed", "not one of the module's speeds");
    const JsonValue& parity = required(parameters, "exchange.", "parity");
    bool parityKnown = false;
    for (Parity p : {Parity::None, Parity::Odd, Parity::Even}) {
        if (parity.kind == JsonValue::Kind::String && parity.text == parityName(p)) {
            plan.parity = p;
            parityKnown = true;
        }
    }
    if (!parityKnown)
        refuse("exchange.parity", "expected \"none\", \"odd\" or \"even\"");
    plan.exchange = true;
    plan.speed = lineFormat->bitRate;
    plan.image.word(reg::kNetworkNumber) = static_cast<std::uint16_t>(plan.address);
    plan.image.word(reg::kSpeedCode) = lineFormat->moduleCode;
    plan.image.word(reg::kParityCode) = static_cast<std::uint16_t>(parityCode(plan.parity));
    return plan;
}

std::vector<FieldDifference> readBackDifferences(const RestorePlan& plan,
                                                 const RegisterImage& readBack) {
    std::vector<FieldDifference> out;
    const SensorSettings& want = plan.image.sensor;
    const SensorSettings& got = readBack.sensor;
    auto averagingText = [](std::uint16_t code) {
        const auto count = averagingCount(code);
        return count ? std::to_string(*count) : "code " + std::to_string(code);
    };
    if (want.averaging != got.averaging)
        out.push_back(
            {"sensor.averaging", averagingText(want.averaging), averagingText(got.averaging)});
    // Compared as the registers carry them: a real equal to the last bit.
    auto sameReal = [](float a, float b) { return splitF32(a) == splitF32(b); };
    if (!sameReal(want.offset, got.offset))
        out.push_back({"sensor.offset", jsonReal(want.offset), jsonReal(got.offset)});
    if (!sameReal(want.adjustment, got.adjustment))
        out.push_back({"sensor.adjustment", jsonReal(want.adjustment), jsonReal(got.adjustment)});
    bool textSame = true;
    for (std::size_t i = 0; i < kUserTextRegisters; ++i) {
        const auto address = static_cast<std::uint16_t>(reg::kUserText + i);
        textSame = textSame && plan.image.word(address) == readBack.word(address);
    }
    if (!textSame) {
        out.push_back(
            {"sensor.userText", jsonQuoted(userText(plan.image)), jsonQuoted(userText(readBack))});
    }
    if (!plan.exchange)
        return out;
    const struct {
        const char* field;
        std::uint16_t address;
    } words[] = {{"exchange.networkNumber", reg::kNetworkNumber},
                 {"exchange.speedCode", reg::kSpeedCode},
                 {"exchange.parityCode", reg::kParityCode}};
    for (const auto& w : words) {
        if (plan.image.word(w.address) != readBack.word(w.address)) {
            out.push_back({w.field, std::to_string(plan.image.word(w.address)),
                           std::to_string(readBack.word(w.address))});
        }
    }
    return out;
}

}  // namespace m8163::ctl
