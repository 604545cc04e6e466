#include "config/profile_file.h"

#include <array>
#include <iterator>
#include <string_view>

#include "config/ini_file.h"
#include "link/line_format.h"

namespace m8163 {
namespace {

struct KeyText {
    const char* key;
    std::string_view text;
};

// Calibration constants of a created profile, in file order. No part of the
// program uses them; the file carries them for the factory tools.
constexpr KeyText kCreatedGrad[] = {
    {"SET_RA", "40.0"},
    {"SET_RB", "160.0"},
    {"SET_I20", "20.0"},
    {"SET_I5", "5.0"},
    {"SET_U100", "100.0"},
    {"N", "4"},
    {"DT", "5"},
    {"rref_min", "6000.0"},
    {"rref_max", "15000.0"},
    {"uref_min", "30000000"},
    {"uref_max", "70000000"},
    {"ku_min", "0.000025"},
    {"ku_max", "0.0001"},
    {"ku10_min", "7.5"},
    {"ku10_max", "11.5"},
    {"ki05_min", "0.000002"},
    {"ki05_max", "0.000005"},
    {"ki020_min", "0.000002"},
    {"ki020_max", "0.000005"},
    {"usr_ref", "8"},
    {"usr_ku", "8"},
    {"usr_ki", "8"},
    {"del_ref", "40"},
    {"del_ku", "40"},
    {"del_ki", "40"},
    {"wr_grad_immid", "1"},
    {"chk_bound_skip", "0"},
};

// The five calibration reals a load and a save rewrite, with their defaults.
constexpr KeyText kCalibrationReals[] = {
    {"SET_RA", "40.0"}, {"SET_RB", "160.0"},   {"SET_I20", "20.0"},
    {"SET_I5", "5.0"},  {"SET_U100", "100.0"},
};
static_assert(std::size(kCalibrationReals) ==
              std::tuple_size_v<decltype(ProfileValues::calibration)>);

// Sensor bounds (max, min, pogr) of sensor types 0 ... 24, created once and
// never read.
struct SensorBounds {
    int firstType;
    int lastType;
    std::string_view max;
    std::string_view min;
    std::string_view pogr;
};
constexpr SensorBounds kCreatedSensorBounds[] = {
    {0, 5, "200.0", "-50.0", "0.25"},   {6, 8, "600.0", "-100.0", "0.25"},
    {9, 9, "1300.0", "-50.0", "0.5"},   {10, 10, "600.0", "-50.0", "0.5"},
    {11, 12, "1700.0", "0.0", "0.5"},   {13, 13, "1800.0", "300.0", "0.5"},
    {14, 14, "1100.0", "-50.0", "0.5"}, {15, 15, "2500.0", "0.0", "0.5"},
    {16, 16, "400.0", "-50.0", "0.5"},  {17, 21, "100.0", "0.0", "0.25"},
    {22, 22, "300.0", "0.0", "0.25"},   {23, 23, "100.0", "0.0", "0.25"},
    {24, 24, "1300.0", "-50.0", "0.5"},
};

// Seach keys in file order: the eight speeds, then the address range and
// the three parities.
struct SearchKey {
    const char* key;
    std::int32_t created;
    std::int32_t loadDefault;
};
// A speed's key is its bit rate; these are the values of the eight keys in
// the line formats' order.
struct SpeedDefaults {
    std::int32_t created;
    std::int32_t loadDefault;
};
constexpr std::array<SpeedDefaults, kLineFormats.size()> kSpeedDefaults{{
    {0, 0},
    {0, 0},
    {0, 0},
    {1, 0},
    {1, 1},
    {0, 1},
    {0, 1},
    {0, 1},
}};

std::string speedKey(std::size_t index) {
    return std::to_string(kLineFormats[index].bitRate);
}

constexpr SearchKey kBeg{"beg", 1, 1};
constexpr SearchKey kEnd{"end", 5, 5};
constexpr SearchKey kParityNonKey{"parity_non", 0, 0};
constexpr SearchKey kParityOddKey{"parity_odd", 0, 0};
constexpr SearchKey kParityEvKey{"parity_ev", 1, 1};

// The search settings field of each key after the speeds.
struct SearchField {
    SearchKey key;
    int SearchSettings::*field;
};
constexpr SearchField kSearchFields[] = {
    {kBeg, &SearchSettings::firstAddress},        {kEnd, &SearchSettings::lastAddress},
    {kParityNonKey, &SearchSettings::parityNone}, {kParityOddKey, &SearchSettings::parityOdd},
    {kParityEvKey, &SearchSettings::parityEven},
};

constexpr char kDefaultMeasurementLog[] = "izm.txt";
constexpr char kDefaultAdcLog[] = "adc.txt";
constexpr char kDefaultRangeMin[] = "-50.0";
constexpr char kDefaultRangeMax[] = "200.0";

// Register image words the load checks, and what replaces a bad value.
constexpr std::size_t kNetworkNumberWord = 8;  // 0x0408, 1 ... 247
constexpr std::size_t kSpeedCodeWord = 9;      // 0x0409, a line format's module code
constexpr std::size_t kParityCodeWord = 10;    // 0x040A, a parity code

std::string registerKey(std::size_t word) {
    return "reg_" + std::to_string(word);
}

void writeCreatedProfile(IniDocument& ini) {
    ini.writeString("IZM", "izm_name", kDefaultMeasurementLog);
    ini.writeInt("IZM", "write_file", 0);
    ini.writeInt("ADC", "write_file", 0);
    ini.writeInt("TAB", "num", 0);
    ini.writeString("Definition", "txt0", "Модуль 8163  М1");
    ini.writeString("Definition", "txt1", "19200");
    ini.writeString("Definition", "txt2", "");
    ini.writeString("Definition", "txt3", "");
    ini.writeInt("TX", "INTERVAL", 10);
    for (const KeyText& grad : kCreatedGrad)
        ini.writeString("Grad", grad.key, grad.text);
    for (const SensorBounds& bounds : kCreatedSensorBounds) {
        for (int type = bounds.firstType; type <= bounds.lastType; ++type) {
            std::string section = "Dat_bound" + std::to_string(type);
            ini.writeString(section, "max", bounds.max);
            ini.writeString(section, "min", bounds.min);
            ini.writeString(section, "pogr", bounds.pogr);
        }
    }
    ini.writeString("KONSTR_bound", "max", kDefaultRangeMax);
    ini.writeString("KONSTR_bound", "min", kDefaultRangeMin);
    ini.writeInt("KONSTR", "konstr_line_index", 0);
    ini.writeInt("KONSTR", "konstr_long_index", 0);
    ini.writeInt("KONSTR", "konstr_case_index", 0);
    for (std::size_t i = 0; i < kSpeedDefaults.size(); ++i)
        ini.writeInt("Seach", speedKey(i), kSpeedDefaults[i].created);
    for (const SearchField& field : kSearchFields)
        ini.writeInt("Seach", field.key.key, field.key.created);
}

// Values the module can never hold would make the exchange page and the
// next write of exchange parameters nonsense: replace them by sane ones.
void correctExchangeWords(RegisterImage& image) {
    std::uint16_t& speedCode = image.words[kSpeedCodeWord];
    if (lineFormatByModuleCode(speedCode) == nullptr)
        speedCode = lineFormatByBitRate(19200)->moduleCode;
    std::uint16_t& networkNumber = image.words[kNetworkNumberWord];
    if (networkNumber < 1 || networkNumber > 247)
        networkNumber = 2;
    std::uint16_t& parity = image.words[kParityCodeWord];
    parity = static_cast<std::uint16_t>(parityCode(parityFromCode(parity)));
}

std::int32_t readAndKeep(IniDocument& ini, const char* section, const std::string& key,
                         std::int32_t fallback) {
    std::int32_t value = ini.readInt(section, key, fallback);
    ini.writeInt(section, key, value);
    return value;
}

std::string readAndKeepText(IniDocument& ini, const char* section, const char* key,
                            std::string_view fallback) {
    std::string value = ini.readString(section, key, fallback);
    ini.writeString(section, key, value);
    return value;
}

float readAndKeepReal(IniDocument& ini, const char* section, const char* key,
                      std::string_view fallback) {
    float value = ini.readReal(section, key, fallback);
    ini.writeReal(section, key, value);
    return value;
}

}  // namespace

void loadProfile(const std::string& path, const std::string& cataloguePath,
                 const ProfileParts& parts, DesignCatalogue& catalogue) {
    IniFile ini(path);
    if (!ini.existed())
        writeCreatedProfile(ini);

    for (std::size_t word = 0; word < kImageWords; ++word) {
        parts.image.words[word] =
            static_cast<std::uint16_t>(ini.readInt("REG_HOLD", registerKey(word), 0));
    }
    correctExchangeWords(parts.image);

    int page = ini.readInt("TAB", "num", 0);
    if (page >= 0 && page < kNotebookPages)
        parts.pages.showPage(page);
    ini.writeInt("TAB", "num", parts.pages.currentPage());

    MeasurementLogSettings& log = parts.measurementLog;
    log.fileName = readAndKeepText(ini, "IZM", "izm_name", kDefaultMeasurementLog);
    log.writeFile = readAndKeep(ini, "IZM", "write_file", 1);
    log.adcWriteFile = readAndKeep(ini, "ADC", "write_file", 1);
    log.adcFileName = readAndKeepText(ini, "ADC", "adc_name", kDefaultAdcLog);

    ProfileValues& values = parts.values;
    values.interval = readAndKeep(ini, "TX", "INTERVAL", 10);

    SensorSettings& sensor = parts.image.sensor;
    sensor.constructionRangeMin = readAndKeepReal(ini, "KONSTR_bound", "min", kDefaultRangeMin);
    sensor.constructionRangeMax = readAndKeepReal(ini, "KONSTR_bound", "max", kDefaultRangeMax);

    CatalogueSelection& selection = values.catalogueSelection;
    selection.designType = readAndKeep(ini, "KONSTR", "konstr_line_index", 0);
    selection.mountingLength = readAndKeep(ini, "KONSTR", "konstr_long_index", 0);
    selection.caseType = readAndKeep(ini, "KONSTR", "konstr_case_index", 0);

    readAndKeep(ini, "Grad", "auref", 50000000);
    for (std::size_t i = 0; i < values.calibration.size(); ++i) {
        const KeyText& real = kCalibrationReals[i];
        values.calibration[i] = readAndKeepReal(ini, "Grad", real.key, real.text);
    }
    readAndKeep(ini, "Grad", "chk_bound_skip", 0);

    SearchSettings& search = parts.search;
    for (std::size_t i = 0; i < search.speeds.size(); ++i) {
        search.speeds[i] = readAndKeep(ini, "Seach", speedKey(i), kSpeedDefaults[i].loadDefault);
    }
    for (const SearchField& field : kSearchFields) {
        search.*field.field = readAndKeep(ini, "Seach", field.key.key, field.key.loadDefault);
    }

    ini.save();
    loadDesignCatalogue(cataloguePath, catalogue);
}

void saveProfile(const std::string& path, const ProfileParts& parts) {
    IniFile ini(path);
    ini.allowReadOnlyOverwrite();

    ini.writeInt("IZM", "write_file", parts.measurementLog.writeFile);
    ini.writeInt("ADC", "write_file", parts.measurementLog.adcWriteFile);
    ini.writeInt("TAB", "num", parts.pages.currentPage());
    for (std::size_t word = 0; word < kImageWords; ++word) {
        ini.writeInt("REG_HOLD", registerKey(word), parts.image.words[word]);
    }
    for (const char* key : {"txt0", "txt1", "txt2", "txt3"})
        ini.writeString("Definition", key, "");
    ini.writeInt("TX", "INTERVAL", parts.values.interval);
    for (std::size_t i = 0; i < parts.values.calibration.size(); ++i) {
        ini.writeReal("Grad", kCalibrationReals[i].key, parts.values.calibration[i]);
    }

    const SearchSettings& search = parts.search;
    for (std::size_t i = 0; i < search.speeds.size(); ++i) {
        ini.writeInt("Seach", speedKey(i), search.speeds[i]);
    }
    for (const SearchField& field : kSearchFields) {
        ini.writeInt("Seach", field.key.key, search.*field.field);
    }

    const SensorSettings& sensor = parts.image.sensor;
    ini.writeReal("KONSTR_bound", "min", sensor.constructionRangeMin);
    ini.writeReal("KONSTR_bound", "max", sensor.constructionRangeMax);
    const CatalogueSelection& selection = parts.values.catalogueSelection;
    ini.writeInt("KONSTR", "konstr_line_index", selection.designType);
    ini.writeInt("KONSTR", "konstr_long_index", selection.mountingLength);
    ini.writeInt("KONSTR", "konstr_case_index", selection.caseType);

    ini.save();
}

}  // namespace m8163
