#include "ui/exchange/exchange_page.h"
#include "ui/sensor/sensor_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/message_boxes.h"
#include "base/number_text.h"
#include "module/register_codec.h"
#include "module/register_image.h"
#include "recorders.h"
#include "scoped_locale.h"
#include "scripted_port.h"
#include "ui/shell/app_state.h"
#include "ui/shell/named_control.h"
#include "ui/window/main_window.h"
#include "ui/window/window_init.h"

namespace m8163 {
namespace {

// The page controls that the take-overs read, with the main window's names,
// kinds and list contents.
class PageForm {
  public:
    PageForm() {
        for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit22", "Edit24",
                                 "Edit25", "Edit26"}) {
            addEdit(name);
        }
        QStringList speeds = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
        list("ComboBox4", speeds);
        QStringList numbers;
        for (int n = 0; n < 248; ++n)
            numbers << QString::asprintf("%3u", n);
        list("ComboBox5", numbers);
        QStringList watchdog = {"отключен"};
        for (int k = 1; k <= 2550; ++k)
            watchdog << QString::number(k * 0.1, 'f', 1);
        list("ComboBox6", watchdog);
        list("ComboBox7", range(1, 31));
        list("ComboBox8", range(1, 12));
        list("ComboBox9", range(2000, 2015));
        QComboBox* averaging =
            list("ComboBox17", {"1", "2", "4", "8", "16", "32", "64", "128", "256", "512"});
        averaging->setEditable(true);
        averaging->setInsertPolicy(QComboBox::NoInsert);
        for (const char* name : {"CheckBox3", "CheckBox4"}) {
            auto* box = new QCheckBox(&window);
            box->setObjectName(name);
        }
    }

    QLineEdit& edit(const char* name) { return *window.findChild<QLineEdit*>(name); }
    QComboBox& combo(const char* name) { return *window.findChild<QComboBox*>(name); }
    QCheckBox& check(const char* name) { return *window.findChild<QCheckBox*>(name); }

    // A page that the take-over accepts: every field holds a valid value.
    void fillValid() {
        edit("Edit3").setText("8163");
        edit("Edit1").setText("123");
        edit("Edit2").setText("45678");
        combo("ComboBox7").setCurrentIndex(30);  // day 31
        combo("ComboBox8").setCurrentIndex(1);   // February
        combo("ComboBox9").setCurrentIndex(7);   // 2007
        combo("ComboBox4").setCurrentIndex(4);   // 19200
        check("CheckBox3").setChecked(true);
        check("CheckBox4").setChecked(false);
        combo("ComboBox5").setCurrentIndex(247);
        edit("Edit5").setText("3");
        edit("Edit4").setText("12");
        combo("ComboBox6").setCurrentIndex(2550);
        edit("Edit25").setText("    -1.2500");
        edit("Edit26").setText("     1.0010");
        combo("ComboBox17").setCurrentIndex(3);
    }

    QWidget window;

  private:
    // Edits sit on panels in the window: finding them must not depend on nesting.
    void addEdit(const char* name) {
        auto* panel = new QWidget(&window);
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(name);
    }
    QComboBox* list(const char* name, const QStringList& items) {
        auto* box = new QComboBox(&window);
        box->setObjectName(name);
        box->addItems(items);
        box->setCurrentIndex(-1);
        return box;
    }
    static QStringList range(int first, int last) {
        QStringList items;
        for (int n = first; n <= last; ++n)
            items << QString::number(n);
        return items;
    }
};

// The page controls that the take-overs read, found by their names below
// `root` (a PageForm or the window).
ExchangeControls exchangeControls(const QWidget& root) {
    ExchangeControls c;
    c.modelCode = &namedControl<QLineEdit>(root, "Edit3");
    c.factoryNumber1 = &namedControl<QLineEdit>(root, "Edit1");
    c.factoryNumber2 = &namedControl<QLineEdit>(root, "Edit2");
    c.day = &namedControl<QComboBox>(root, "ComboBox7");
    c.month = &namedControl<QComboBox>(root, "ComboBox8");
    c.year = &namedControl<QComboBox>(root, "ComboBox9");
    c.speed = &namedControl<QComboBox>(root, "ComboBox4");
    c.parityOn = &namedControl<QCheckBox>(root, "CheckBox3");
    c.parityEven = &namedControl<QCheckBox>(root, "CheckBox4");
    c.networkNumber = &namedControl<QComboBox>(root, "ComboBox5");
    c.hardware = &namedControl<QLineEdit>(root, "Edit5");
    c.software = &namedControl<QLineEdit>(root, "Edit4");
    c.watchdog = &namedControl<QComboBox>(root, "ComboBox6");
    return c;
}

SensorControls sensorControls(const QWidget& root) {
    SensorControls c;
    c.offset = &namedControl<QLineEdit>(root, "Edit25");
    c.adjustment = &namedControl<QLineEdit>(root, "Edit26");
    c.averaging = &namedControl<QComboBox>(root, "ComboBox17");
    c.userText = &namedControl<QLineEdit>(root, "Edit24");
    c.typeName = &namedControl<QLineEdit>(root, "Edit22");
    return c;
}

// What the pages hand the take-overs: the entry their controls show.
bool takeOverExchangePage(const QWidget& root, AppState& state, MessageBoxes& boxes) {
    return takeOverExchangeEntry(readExchangeEntry(exchangeControls(root)), state.image, boxes);
}

bool takeOverSensorPage(const QWidget& root, AppState& state, MessageBoxes& boxes) {
    return takeOverSensorEntry(readSensorEntry(sensorControls(root)), state.image.sensor, boxes);
}

bool takeOverUserText(const QWidget& root, AppState& state, MessageBoxes& boxes) {
    return m8163::takeOverUserText(readSensorEntry(sensorControls(root)).userText, state.image,
                                   boxes);
}

void takeOverTypeName(const QWidget& root, AppState& state) {
    setTypeName(state.image, readSensorEntry(sensorControls(root)).typeName);
}

// Every word starts as a sentinel, so that a field left alone shows.
constexpr std::uint16_t kUntouched = 0x5555;

struct TakeOverTest : ::testing::Test {
    TakeOverTest() {
        state.image.words.fill(kUntouched);
        state.image.sensor.averaging = 9;
        state.image.sensor.offset = 77.0f;
        state.image.sensor.adjustment = 88.0f;
        form.fillValid();
    }

    std::uint16_t word(std::uint16_t address) const { return state.image.word(address); }

    void expectOneRefusal(const std::string& text) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0],
                  (MessageBox{text, "Ошибка ввода", BoxIcon::Warning, BoxButtons::Ok, {}}));
    }

    PageForm form;
    AppState state;
    test::RecordingBoxes boxes;
};

TEST_F(TakeOverTest, ExchangePageTakesEveryFieldInRegisterForm) {
    EXPECT_TRUE(takeOverExchangePage(form.window, state, boxes));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(word(reg::kModelCode), 0x8163);
    EXPECT_EQ(word(reg::kFactoryNumber1), 123);
    EXPECT_EQ(word(reg::kFactoryNumber2), 45678);
    EXPECT_EQ(word(reg::kManufactureDay), 31);
    EXPECT_EQ(word(reg::kManufactureMonth), 2);
    EXPECT_EQ(word(reg::kManufactureYear), 7);
    EXPECT_EQ(word(reg::kSpeedCode), 7);
    EXPECT_EQ(word(reg::kParityCode), 1);
    EXPECT_EQ(word(reg::kNetworkNumber), 247);
    EXPECT_EQ(word(reg::kHardwareVersion), 3);
    EXPECT_EQ(word(reg::kSoftwareVersion), 12);
    EXPECT_EQ(word(reg::kWatchdogTime), 2550);
    EXPECT_EQ(word(0x040B), kUntouched);  // not a page field
    EXPECT_FALSE(state.refreshGuard);
}

TEST_F(TakeOverTest, ModelCodeTexts) {
    struct Case {
        const char* text;
        bool accepted;
        std::uint16_t stored;
    };
    const Case cases[] = {
        {"1a2b", true, 0x1A2B},
        {" 0x00FF", true, 0x00FF},
        {"12zz", true, 0x0012},
        {"00000000000001234", true, 0x0123},  // only the first 16 characters count
        {"10000", false, 0xFFFF},
        {"100001234", false, 0xFFFF},  // too big for 32 bits: still above 0xFFFF
        {"", false, kUntouched},
        {"zz", false, kUntouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        state.image.words.fill(kUntouched);
        boxes.shown.clear();
        form.edit("Edit3").setText(c.text);
        EXPECT_EQ(takeOverExchangePage(form.window, state, boxes), c.accepted);
        EXPECT_EQ(word(reg::kModelCode), c.stored);
        if (c.accepted) {
            EXPECT_TRUE(boxes.shown.empty());
        } else {
            expectOneRefusal("Вводимый код модели не получается представить целым числом.");
            EXPECT_EQ(word(reg::kFactoryNumber1), kUntouched);  // nothing after the refusal
        }
    }
}

TEST_F(TakeOverTest, FactoryNumberWordsMustFit16BitsUnsigned) {
    struct Case {
        const char* edit;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"Edit1", "65535", true},  {"Edit2", "0", true},        {"Edit1", "-1", false},
        {"Edit2", "65536", false}, {"Edit2", "", false},        {"Edit1", "12 ", false},
        {"Edit1", "$FFFF", true},  {"Edit2", "0x10000", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " \"" + c.text + "\"");
        state.image.words.fill(kUntouched);
        boxes.shown.clear();
        form.fillValid();
        form.edit(c.edit).setText(c.text);
        EXPECT_EQ(takeOverExchangePage(form.window, state, boxes), c.accepted);
        EXPECT_EQ(word(reg::kModelCode), 0x8163);
        if (c.accepted) {
            EXPECT_TRUE(boxes.shown.empty());
            continue;
        }
        expectOneRefusal(
            "Вводимые данные заводского номера не получается представить целым числом.");
        // Neither word is taken, even when only the second one is refused.
        EXPECT_EQ(word(reg::kFactoryNumber1), kUntouched);
        EXPECT_EQ(word(reg::kFactoryNumber2), kUntouched);
        EXPECT_EQ(word(reg::kManufactureDay), kUntouched);
    }
}

TEST_F(TakeOverTest, VersionsKeepTheLow16BitsAndARefusalKeepsWhatCameBefore) {
    form.edit("Edit4").setText("-1");
    form.edit("Edit5").setText("70000");
    EXPECT_TRUE(takeOverExchangePage(form.window, state, boxes));
    EXPECT_EQ(word(reg::kSoftwareVersion), 0xFFFF);
    EXPECT_EQ(word(reg::kHardwareVersion), 4464);

    // A changed speed list, then an unreadable hardware version.
    state.image.words.fill(kUntouched);
    form.combo("ComboBox4").setCurrentIndex(7);
    form.edit("Edit5").setText("3.0");
    EXPECT_FALSE(takeOverExchangePage(form.window, state, boxes));
    expectOneRefusal("Вводимые данные версии железа не получается представить целым числом.");
    EXPECT_EQ(word(reg::kSpeedCode), 10);
    EXPECT_EQ(word(reg::kModelCode), 0x8163);
    EXPECT_EQ(word(reg::kFactoryNumber2), 45678);
    EXPECT_EQ(word(reg::kManufactureYear), 7);
    EXPECT_EQ(word(reg::kParityCode), 1);
    EXPECT_EQ(word(reg::kNetworkNumber), 247);
    EXPECT_EQ(word(reg::kHardwareVersion), kUntouched);
    EXPECT_EQ(word(reg::kSoftwareVersion), kUntouched);
    EXPECT_EQ(word(reg::kWatchdogTime), kUntouched);

    // An unreadable software version after a good hardware version.
    boxes.shown.clear();
    state.image.words.fill(kUntouched);
    form.edit("Edit5").setText("4");
    form.edit("Edit4").setText("");
    EXPECT_FALSE(takeOverExchangePage(form.window, state, boxes));
    expectOneRefusal("Вводимые данные версии ПО не получается представить целым числом.");
    EXPECT_EQ(word(reg::kHardwareVersion), 4);
    EXPECT_EQ(word(reg::kSoftwareVersion), kUntouched);
    EXPECT_EQ(word(reg::kWatchdogTime), kUntouched);
}

TEST_F(TakeOverTest, ListsWithoutSelectionAndParityBoxes) {
    for (const char* name :
         {"ComboBox4", "ComboBox5", "ComboBox6", "ComboBox7", "ComboBox8", "ComboBox9"}) {
        form.combo(name).setCurrentIndex(-1);
    }
    EXPECT_TRUE(takeOverExchangePage(form.window, state, boxes));
    EXPECT_EQ(word(reg::kManufactureDay), 0);
    EXPECT_EQ(word(reg::kManufactureMonth), 0);
    EXPECT_EQ(word(reg::kManufactureYear), 0xFFFF);
    EXPECT_EQ(word(reg::kSpeedCode), 6);  // 9600 bit/s
    EXPECT_EQ(word(reg::kNetworkNumber), 0xFFFF);
    EXPECT_EQ(word(reg::kWatchdogTime), 0xFFFF);

    struct Case {
        bool parityOn;
        bool even;
        std::uint16_t code;
    };
    for (Case c :
         {Case{false, false, 0}, Case{false, true, 0}, Case{true, false, 1}, Case{true, true, 2}}) {
        SCOPED_TRACE(std::to_string(c.parityOn) + std::to_string(c.even));
        form.check("CheckBox3").setChecked(c.parityOn);
        form.check("CheckBox4").setChecked(c.even);
        EXPECT_TRUE(takeOverExchangePage(form.window, state, boxes));
        EXPECT_EQ(word(reg::kParityCode), c.code);
    }
}

TEST_F(TakeOverTest, SensorPageReadsTheLeadingRealOfEachField) {
    EXPECT_TRUE(takeOverSensorPage(form.window, state, boxes));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(state.image.sensor.offset, -1.25f);
    EXPECT_EQ(state.image.sensor.adjustment, 1.001f);
    EXPECT_EQ(state.image.sensor.averaging, 3);
    EXPECT_FALSE(state.refreshGuard);

    form.edit("Edit25").setText("1.5e1");
    form.edit("Edit26").setText("2,5");  // pasted with a comma: reads 2
    EXPECT_TRUE(takeOverSensorPage(form.window, state, boxes));
    EXPECT_EQ(state.image.sensor.offset, 15.0f);
    EXPECT_EQ(state.image.sensor.adjustment, 2.0f);
}

TEST_F(TakeOverTest, SensorPageRefusals) {
    form.edit("Edit25").setText("abc");
    EXPECT_FALSE(takeOverSensorPage(form.window, state, boxes));
    expectOneRefusal("Данные смещения не удается представить числом. Проверьте поле ввода.");
    EXPECT_EQ(state.image.sensor.offset, 0.0f);
    EXPECT_EQ(state.image.sensor.adjustment, 88.0f);
    EXPECT_EQ(state.image.sensor.averaging, 9);
    EXPECT_EQ(form.edit("Edit25").text(), "abc");  // the editor keeps the refused text

    boxes.shown.clear();
    form.edit("Edit25").setText("0.5");
    form.edit("Edit26").setText("Нет данных");
    EXPECT_FALSE(takeOverSensorPage(form.window, state, boxes));
    expectOneRefusal("Данные подстройки не удается представить числом. Проверьте поле ввода.");
    EXPECT_EQ(state.image.sensor.offset, 0.5f);
    EXPECT_EQ(state.image.sensor.adjustment, 0.0f);
    EXPECT_EQ(state.image.sensor.averaging, 9);
}

TEST_F(TakeOverTest, AveragingIsTheEntryTheListShows) {
    QComboBox& list = form.combo("ComboBox17");
    struct Case {
        int index;
        const char* typed;  // nullptr: the picked entry's own text
        bool accepted;
        std::uint16_t averaging;
    };
    const Case cases[] = {
        {0, nullptr, true, 0},   {9, nullptr, true, 9}, {3, "64", true, 6},
        {3, " 512", true, 9},    {3, "7", false, 9},    {-1, "Нет данных", false, 9},
        {-1, nullptr, false, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " " + (c.typed ? c.typed : "-"));
        boxes.shown.clear();
        state.image.sensor.averaging = 9;
        list.setCurrentIndex(c.index);
        if (c.typed)
            list.setEditText(QString::fromUtf8(c.typed));
        EXPECT_EQ(takeOverSensorPage(form.window, state, boxes), c.accepted);
        EXPECT_EQ(state.image.sensor.averaging, c.averaging);
        if (!c.accepted) {
            expectOneRefusal("Усреднение не выбрано из списка. Проверьте поле ввода.");
            EXPECT_EQ(state.image.sensor.offset, -1.25f);  // the fields before it are taken
        }
    }
}

// A box shown during the exchange page's take-over sees the refresh guard
// set; afterwards the guard is as the caller left it.
class GuardWatchingBoxes : public test::RecordingBoxes {
  public:
    explicit GuardWatchingBoxes(const AppState& state) : state_(state) {}
    BoxAnswer show(const MessageBox& box) override {
        guardDuringBox.push_back(state_.refreshGuard);
        return RecordingBoxes::show(box);
    }
    std::vector<bool> guardDuringBox;

  private:
    const AppState& state_;
};

TEST(TakeOverOnTheWindow, RefreshGuardIsSetWhileTheExchangePageIsTaken) {
    AppState state;
    test::ScriptedPort port;
    GuardWatchingBoxes watching(state);
    test::RecordingPump pump;
    test::FixedClock clock;
    TForm1 window{state, port, {&watching, &pump, &clock}};
    // The identity editors are empty: the model code is refused.
    EXPECT_FALSE(window.exchangePage().takeOver());
    EXPECT_EQ(watching.guardDuringBox, (std::vector<bool>{true}));
    EXPECT_FALSE(state.refreshGuard);

    state.refreshGuard = true;
    EXPECT_FALSE(window.exchangePage().takeOver());
    EXPECT_TRUE(state.refreshGuard);
}

// A character the module's code page lacks is refused, named, and nothing
// is packed; one beyond the 16 that are sent does not matter.
TEST_F(TakeOverTest, UserTextWithACharacterOutsideWindows1251IsRefused) {
    const struct {
        const char* text;
        const char* named;  // nullptr: accepted
    } cases[] = {
        {"A✓B€", "✓"},
        {"Котёл €5", nullptr},
        {"温度", "温"},
        {"ABCDEFGHIJKLMNOP✓", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        boxes.shown.clear();
        setUserText(state.image, "old");
        form.edit("Edit24").setText(QString::fromUtf8(c.text));
        const bool taken = takeOverUserText(form.window, state, boxes);
        EXPECT_EQ(taken, c.named == nullptr);
        if (c.named == nullptr) {
            EXPECT_TRUE(boxes.shown.empty());
            continue;
        }
        expectOneRefusal(std::string("Символа \"") + c.named +
                         "\" нет в кодировке Windows-1251, и модуль не может его показать. "
                         "Исправьте пользовательский текст.");
        EXPECT_EQ(userText(state.image), "old             ");
    }
}

TEST_F(TakeOverTest, UserTextIsPackedInto16Characters) {
    struct Case {
        const char* text;
        const char* sent;  // what the 16 characters of the registers hold
    };
    const Case cases[] = {
        {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP"},  // 20 characters: the first 16
        {"abc", "abc             "},                   // 3 characters and 13 blanks
        {"", "                "},
        {"Котёл №2", "Котёл №2        "},  // Cyrillic: one byte per character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        form.edit("Edit24").setText(QString::fromUtf8(c.text));
        EXPECT_TRUE(takeOverUserText(form.window, state, boxes));
        EXPECT_EQ(userText(state.image), c.sent);
    }
    // Register form: first character in the high byte.
    form.edit("Edit24").setText("AB");
    EXPECT_TRUE(takeOverUserText(form.window, state, boxes));
    EXPECT_EQ(word(reg::kUserText), 0x4142);
    EXPECT_EQ(word(reg::kUserText + 1), 0x2020);
    EXPECT_EQ(word(reg::kUserText - 1), kUntouched);  // the word before the text

    EXPECT_TRUE(boxes.shown.empty());

    form.edit("Edit22").setText(QString(40, QChar('x')));
    takeOverTypeName(form.window, state);
    EXPECT_EQ(typeName(state.image), std::string(32, 'x'));
}

TEST_F(TakeOverTest, RussianLocaleReadsThePoint) {
    test::ScopedLocale russian("ru_RU.UTF-8");
    if (!russian.active())
        GTEST_SKIP() << "locale ru_RU.UTF-8 not available";
    form.edit("Edit25").setText("2.5");
    form.edit("Edit26").setText("2,5");
    EXPECT_TRUE(takeOverSensorPage(form.window, state, boxes));
    EXPECT_EQ(state.image.sensor.offset, 2.5f);
    EXPECT_EQ(state.image.sensor.adjustment, 2.0f);
}

// The main window: its controls carry the names and kinds the take-overs read.
TEST(TakeOverOnTheWindow, EditsTypedIntoTheWindowReachTheRegisterImage) {
    AppState state;
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    test::RecordingPump pump;
    test::FixedClock clock;
    TForm1 window{state, port, {&boxes, &pump, &clock}};
    initialiseWindowContents(window, CatalogueLists{});

    // The identity editors are emptied at start-up: the model code is refused.
    EXPECT_FALSE(window.exchangePage().takeOver());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Вводимый код модели не получается представить целым числом.");

    window.control<QLineEdit>("Edit3").setText(QString::fromStdString(formatHex4(0x8163)));
    window.control<QLineEdit>("Edit1").setText("12");
    window.control<QLineEdit>("Edit2").setText("34");
    window.control<QLineEdit>("Edit5").setText("2");
    window.control<QLineEdit>("Edit4").setText("5");
    window.control<QComboBox>("ComboBox4").setCurrentIndex(7);
    window.control<QComboBox>("ComboBox5").setCurrentIndex(17);
    window.control<QCheckBox>("CheckBox3").setChecked(true);
    window.control<QCheckBox>("CheckBox4").setChecked(true);
    EXPECT_TRUE(window.exchangePage().takeOver());
    EXPECT_EQ(state.image.word(reg::kModelCode), 0x8163);
    EXPECT_EQ(state.image.word(reg::kFactoryNumber2), 34);
    EXPECT_EQ(state.image.word(reg::kSpeedCode), 10);
    EXPECT_EQ(state.image.word(reg::kParityCode), 2);
    EXPECT_EQ(state.image.word(reg::kNetworkNumber), 17);
    EXPECT_EQ(state.image.word(reg::kSoftwareVersion), 5);

    // The offset typed with a comma on the keyboard.
    QLineEdit& offset = window.control<QLineEdit>("Edit25");
    offset.selectAll();
    for (QChar c : QString("2,5")) {
        QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&offset, &press);
    }
    EXPECT_EQ(offset.text(), "2.5");
    window.control<QLineEdit>("Edit26").setText(QString::fromStdString(formatReal4(1.0)));
    window.control<QComboBox>("ComboBox17").setCurrentIndex(4);
    window.control<QLineEdit>("Edit24").setText("Котёл №2, линия 1");
    boxes.shown.clear();
    EXPECT_TRUE(takeOverSensorPage(window, state, boxes));
    EXPECT_TRUE(takeOverUserText(window, state, boxes));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(state.image.sensor.offset, 2.5f);
    EXPECT_EQ(state.image.sensor.adjustment, 1.0f);
    EXPECT_EQ(state.image.sensor.averaging, 4);
    EXPECT_EQ(userText(state.image), "Котёл №2, линия ");
}

}  // namespace
}  // namespace m8163
