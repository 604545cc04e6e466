// The settings file of m8163ctl save and restore, without a line: the JSON
// reader, the document written and read back, and the checks of a restore.

#include "ctl/settings_document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "ctl/address_list.h"
#include "module/register_codec.h"

namespace m8163::ctl {
namespace {

TEST(JsonReader, ReadsDocumentsAndKeepsNumbersAsWritten) {
    const JsonValue v = readJson(
        " {\"a\": [1, -0.5e+3, true, false, null], \"s\": \"\\\"\\\\\\/\\n\\u00e9\\ud83d\\ude00\","
        " \"o\": {}, \"a\": [] }\n");
    ASSERT_EQ(v.kind, JsonValue::Kind::Object);
    EXPECT_TRUE(v.member("a")->items.empty());  // a repeated name keeps its last value
    EXPECT_EQ(v.member("s")->text, "\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(v.member("o")->kind, JsonValue::Kind::Object);
    EXPECT_EQ(v.member("missing"), nullptr);
    const JsonValue list = readJson("[1, -0.5e+3, true, false, null]");
    ASSERT_EQ(list.items.size(), 5u);
    EXPECT_EQ(list.items[1].text, "-0.5e+3");
    EXPECT_TRUE(list.items[2].boolean);
    EXPECT_EQ(list.items[4].kind, JsonValue::Kind::Null);
}

TEST(JsonReader, RefusesWhatIsNoDocument) {
    const std::string deep(kJsonMaxDepth + 1, '[');
    for (const std::string& text :
         std::vector<std::string>{"", "{", "{\"a\":1,}", "[1 2]", "{\"a\" 1}", "{a:1}", "\"\\x\"",
                                  "01", "1.", "-", "+1", "\"a\nb\"", "\"\\ud800\"", "\"\\udc00\"",
                                  "\"\\u12G4\"", "tru", "{} x", "\"open", deep}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(readJson(text), JsonError);
    }
    try {
        readJson("{\"a\": [1, 2}");
        FAIL();
    } catch (const JsonError& error) {
        EXPECT_STREQ(error.what(), "']' expected at byte 12");
    }
}

TEST(AddressList, NumbersAndRangesInTheOrderWritten) {
    EXPECT_EQ(readAddressList("1,3,5-9", 1, 247), (std::vector<int>{1, 3, 5, 6, 7, 8, 9}));
    EXPECT_EQ(readAddressList("5,1,5,4-5", 1, 247), (std::vector<int>{5, 1, 4}));
    EXPECT_EQ(readAddressList("247", 1, 247), (std::vector<int>{247}));
    for (const char* bad : {"", "0", "248", "1,", ",1", "5-3", "1-", "-1", "1-2-3", " 1", "0x5",
                            "+2", "1;2", "99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(readAddressList(bad, 1, 247), std::nullopt);
    }
}

RegisterImage savedImage() {
    RegisterImage image;
    image.word(reg::kModelCode) = 0x8163;
    image.word(reg::kFactoryNumber1) = 12;
    image.word(reg::kFactoryNumber2) = 3456;
    image.word(reg::kNetworkNumber) = 5;
    image.word(reg::kSpeedCode) = 6;
    image.word(reg::kParityCode) = 2;
    image.word(reg::kWatchdogTime) = 50;
    image.sensor.sensorType = 8;
    image.sensor.averaging = 6;
    image.sensor.rangeMin = -50.0f;
    image.sensor.offset = 0.1f;  // needs all its digits to come back the same
    image.sensor.adjustment = 3.4028235e38f;
    setUserText(image, "Печь \"4\"\\");
    setTypeName(image, "ТСП Pt100");
    return image;
}

TEST(SettingsDocument, WhatIsSavedIsWhatRestoreWrites) {
    const RegisterImage image = savedImage();
    const std::string document =
        settingsDocument(image, {5, 9600, Parity::Even}, "2026-12-11T11:00:00.000+01:00");
    const JsonValue v = readJson(document);
    EXPECT_EQ(v.member("format")->text, "1");
    EXPECT_EQ(v.member("saved")->text, "2026-12-11T11:00:00.000+01:00");
    EXPECT_EQ(v.member("identity")->member("modelCode")->text, "8163");
    EXPECT_EQ(v.member("exchange")->member("parity")->text, "even");
    EXPECT_EQ(v.member("sensor")->member("averaging")->text, "64");
    EXPECT_EQ(v.member("sensor")->member("offset")->text, "0.1");
    EXPECT_EQ(v.member("sensor")->member("typeName")->text, "ТСП Pt100" + std::string(23, ' '));
    EXPECT_EQ(v.member("registers")->member("0x0500")->items[7].text, "6");

    const RestorePlan plan = restorePlan(v, true);
    EXPECT_EQ(plan.modelCode, 0x8163);
    EXPECT_EQ(plan.image.sensor.averaging, 6);
    EXPECT_EQ(splitF32(plan.image.sensor.offset), splitF32(0.1f));
    EXPECT_EQ(splitF32(plan.image.sensor.adjustment), splitF32(3.4028235e38f));
    EXPECT_EQ(userText(plan.image), "Печь \"4\"\\       ");
    EXPECT_TRUE(plan.exchange);
    EXPECT_EQ(plan.address, 5);
    EXPECT_EQ(plan.speed, 9600);
    EXPECT_EQ(plan.image.word(reg::kSpeedCode), 6);
    EXPECT_EQ(plan.image.word(reg::kParityCode), 2);
    // Without --exchange the exchange parameters stay out of it.
    EXPECT_FALSE(restorePlan(v, false).exchange);

    RegisterImage back = plan.image;
    EXPECT_TRUE(readBackDifferences(plan, back).empty());
    back.sensor.offset = std::nextafter(0.1f, 1.0f);  // one bit off
    back.word(reg::kParityCode) = 0;
    const auto differences = readBackDifferences(plan, back);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].field, "sensor.offset");
    EXPECT_EQ(differences[0].file, "0.1");
    EXPECT_EQ(differences[0].module, "0.10000001");
    EXPECT_EQ(differences[1].field, "exchange.parityCode");
}

// A value the pages would refuse, or one the file cannot carry, is refused
// with the field's name before anything is sent.
TEST(SettingsDocument, RefusesValuesOutsideTheLimits) {
    const std::string good =
        settingsDocument(savedImage(), {5, 9600, Parity::Even}, "2026-12-11T11:00:00.000+01:00");
    auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        std::string document;
        bool exchange;
        std::string refusal;  // the start of what()
    };
    const Case cases[] = {
        {"[]", false, "not a settings document"},
        {with("\"format\": 1", "\"format\": 2"), false, "format: version 2 is not known"},
        {with("\"format\": 1", "\"format\": \"1\""), false, "format: version"},
        {with("\"averaging\":64", "\"averaging\":3"), false,
         "sensor.averaging: Усреднение не выбрано из списка"},
        {with("\"averaging\":64", "\"averaging\":null"), false, "sensor.averaging"},
        {with("\"offset\":0.1", "\"offset\":\"abc\""), false,
         "sensor.offset: Данные смещения не удается представить числом"},
        {with("\"offset\":0.1", "\"offset\":null"), false, "sensor.offset"},
        {with("\"adjustment\":3.4028235e+38", "\"adjustment\":1e39"), false,
         "sensor.adjustment: Данные подстройки"},
        {with("\"userText\":\"Печь", "\"userText\":\"Печь seventeen"), false,
         "sensor.userText: more than 16 characters"},
        {with("\"userText\":\"Печь", "\"userText\":\"✓"), false,
         "sensor.userText: Символа \"✓\" нет в кодировке Windows-1251"},
        {with("\"userText\":\"Печь", "\"userText\":5,\"was\":\"Печь"), false,
         "sensor.userText: not a text"},
        {with("\"sensor\": ", "\"sensors\": "), false, "sensor: missing"},
        {with("\"offset\":0.1,", ""), false, "sensor.offset: missing"},
        {with("\"networkNumber\":5", "\"networkNumber\":0"), true,
         "exchange.networkNumber: expected a whole number 1 ... 247"},
        {with("\"networkNumber\":5", "\"networkNumber\":248"), true, "exchange.networkNumber"},
        {with("\"speed\":9600,\"speedCode\"", "\"speed\":1234,\"speedCode\""), true,
         "exchange.speed"},
        {with("\"parity\":\"even\",\"parityCode\"", "\"parity\":\"mark\",\"parityCode\""), true,
         "exchange.parity"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusal);
        try {
            restorePlan(readJson(c.document), c.exchange);
            ADD_FAILURE() << "accepted";
        } catch (const DocumentRefused& refused) {
            EXPECT_EQ(std::string(refused.what()).rfind(c.refusal, 0), 0u) << refused.what();
        }
    }
    // Broken exchange parameters do not matter to a restore without them.
    EXPECT_NO_THROW(
        restorePlan(readJson(with("\"networkNumber\":5", "\"networkNumber\":0")), false));
}

}  // namespace
}  // namespace m8163::ctl
