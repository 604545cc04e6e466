// The page "Настройки датчика" on the window as the program builds it: with
// a scripted port (the read, the write, the edit marks, the covered twins,
// the one-line rule) and against the simulated module.
#include "ui/sensor/sensor_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "link/termios_port.h"
#include "module/register_codec.h"
#include "program_window.h"
#include "protocol/exchange_result.h"
#include "sim/pty_server.h"
#include "ui/shell/named_control.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

const QColor kAqua(0, 255, 255);
const QColor kWhite(255, 255, 255);

// The mark of an editor: the field's colour, or the check box's background.
QColor mark(const QWidget& editor) {
    const bool box = qobject_cast<const QCheckBox*>(&editor) != nullptr;
    return editor.palette().color(box ? QPalette::Window : QPalette::Base);
}

// The text a control shows: an edit field's, a list's or a panel's.
QString shownText(const QWidget& window, const char* name) {
    if (auto* edit = window.findChild<QLineEdit*>(name))
        return edit->text();
    if (auto* list = window.findChild<QComboBox*>(name))
        return list->currentText();
    return namedControl<QLabel>(window, name).text();
}

// Types `keys` into `edit` as the user would, key by key.
void type(QLineEdit& edit, const QString& keys) {
    for (QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&edit, &press);
    }
}

// What the module holds, in the blocks the read asks for.
struct ModuleSensor {
    std::uint16_t sensorType = 8;
    std::uint16_t squareRoot = 1;
    std::uint16_t averaging = 3;
    float rangeMin = -50.0f;
    float rangeMax = 150.0f;
    float offset = 0.25f;
    float adjustment = 1.0f;
    float constructionMin = -50.0f;
    float constructionMax = 200.0f;
    std::string userText = "Цех 3, печь №2";
    std::string typeName = "ТСП-8163 Pt100 гильза 8х120";
};

// A text as the module keeps it: zero bytes after it.
std::vector<std::uint16_t> textRegisters(const std::string& text, std::size_t count) {
    std::vector<std::uint16_t> registers(count);
    packText(text + '\0', registers);
    return registers;
}

void append(std::vector<std::uint16_t>& words, float value) {
    const auto pair = splitF32(value);
    words.insert(words.end(), pair.begin(), pair.end());
}

// A request as the module sees it: function, first register, count.
using Request = std::tuple<int, int, int>;

// Counts the pump's message passes and notes Edit25's mark at each.
class MarkingPump : public test::RecordingPump {
  public:
    std::function<void()> onPending;
    void processPending() override {
        RecordingPump::processPending();
        if (onPending)
            onPending();
    }
};

class SensorPageTest : public test::ProgramWindowTest {
  protected:
    MarkingPump pump;

    SensorPageTest() { pumpSeam = &pump; }

    void SetUp() override {
        ProgramWindowTest::SetUp();
        window->selectPage(TForm1::kSensorPage);
    }

    std::uint8_t address() const {
        return static_cast<std::uint8_t>(state.connection.moduleAddress);
    }

    void replyRead(const ModuleSensor& m) {
        std::vector<std::uint16_t> offsetBlock(10, 0);
        append(offsetBlock, m.offset);
        append(offsetBlock, m.adjustment);
        port.replyRegisters(address(), offsetBlock);
        std::vector<std::uint16_t> sensorBlock = {m.sensorType, 0, 0, m.squareRoot, 0, 0, 0,
                                                  m.averaging};
        append(sensorBlock, m.rangeMin);
        append(sensorBlock, m.rangeMax);
        port.replyRegisters(address(), sensorBlock);
        std::vector<std::uint16_t> construction;
        append(construction, m.constructionMin);
        append(construction, m.constructionMax);
        port.replyRegisters(address(), construction);
        port.replyRegisters(address(), textRegisters(m.userText, kUserTextRegisters));
        port.replyRegisters(address(), textRegisters(m.typeName, kTypeNameRegisters));
    }
    void replyWrites() {
        port.replyWrite(address(), reg::kAveraging, 1);
        port.replyWrite(address(), reg::kOffset, 4);
        port.replyWrite(address(), reg::kUserText, kUserTextRegisters);
    }
    // A read that succeeds, with its box and records forgotten.
    void readFirst(const ModuleSensor& m = {}) {
        replyRead(m);
        click("Button35");
        ASSERT_EQ(boxes.shown.size(), 1u);
        forget();
    }
    void forget() {
        boxes.shown.clear();
        port.written.clear();
        pump.pauses.clear();
        pump.pendingRuns = 0;
    }

    void click(const char* name) { control<QPushButton>(name).click(); }
    QString text(const char* name) { return shownText(*window, name); }
    QColor markOf(const char* name) { return mark(control<QWidget>(name)); }

    std::vector<Request> requests() const {
        std::vector<Request> seen;
        for (const auto& frame : port.written)
            seen.emplace_back(frame[1], frame[2] << 8 | frame[3], frame[4] << 8 | frame[5]);
        return seen;
    }
    // The register values a write request carries.
    std::vector<std::uint16_t> written(std::size_t request) const {
        const auto& frame = port.written.at(request);
        std::vector<std::uint16_t> values;
        for (std::size_t i = 7; i + 1 < frame.size() - 2; i += 2)
            values.push_back(static_cast<std::uint16_t>(frame[i] << 8 | frame[i + 1]));
        return values;
    }

    MessageBox question(const char* text) {
        return {text, "Подтвердите действие", BoxIcon::Warning, BoxButtons::YesNo, {}};
    }
    MessageBox success(const char* text) {
        return {text, "Результат операции", BoxIcon::Information, BoxButtons::Ok, {}};
    }
};

const char* const kSettingsEditors[] = {"Edit6",      "Edit7",     "Edit8",      "Edit9",
                                        "Edit25",     "Edit26",    "ComboBox10", "ComboBox11",
                                        "ComboBox17", "CheckBox5", "Edit24"};

TEST_F(SensorPageTest, ReadAsksTheFiveBlocksInOrderAfterPausesAndShowsThem) {
    click("Button18");  // polling on, on the first page's switch
    ASSERT_TRUE(state.polling.polling);
    QColor markAtPass;
    pump.onPending = [&] { markAtPass = markOf("Edit25"); };
    replyRead({});
    click("Button35");

    EXPECT_EQ(
        requests(),
        (std::vector<Request>{
            {3, 0x050C, 14}, {3, 0x0500, 12}, {3, 0x051B, 4}, {3, 0x040E, 8}, {3, 0x051F, 16}}));
    EXPECT_EQ(pump.pauses, std::vector<Milliseconds>(5, 100ms));
    // One message pass after the fill, while the fill's marks still show.
    EXPECT_EQ(pump.pendingRuns, 1);
    EXPECT_EQ(markAtPass, kAqua);

    const std::vector<std::pair<const char*, QString>> shown = {
        {"Edit6", "   -50.0000"},
        {"Edit7", "   150.0000"},
        {"Edit8", "     0.2500"},
        {"Edit25", "     0.2500"},
        {"Edit9", "     1.0000"},
        {"Edit26", "     1.0000"},
        {"Panel13", "   -50.0000"},
        {"Panel14", "   200.0000"},
        {"ComboBox10", "ТС платина Ro=100 W=1.391"},
        {"Panel16", "ТС платина Ro=100 W=1.391"},
        {"ComboBox11", "8"},
        {"ComboBox17", "8"},
        {"Edit24", "Цех 3, печь №2"},
        {"Panel15", "ТСП-8163 Pt100 гильза 8х120"}};
    for (const auto& [name, expected] : shown)
        EXPECT_EQ(text(name), expected) << name;
    EXPECT_TRUE(control<QCheckBox>("CheckBox5").isChecked());
    for (const char* name : kSettingsEditors)
        EXPECT_EQ(markOf(name), kWhite) << name;

    EXPECT_EQ(boxes.shown,
              std::vector<MessageBox>{success("Чтение параметров датчика успешно осуществлено.")});
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(control<QPushButton>("Button18").isEnabled());
    EXPECT_TRUE(state.sensorSettingsRead);
}

// The covered layer keeps its values and roles, but the keyboard never
// reaches it: nothing is typed blind into a control nobody sees.
TEST_F(SensorPageTest, TabNeverReachesTheCoveredLayer) {
    window->selectPage(TForm1::kSensorPage);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    control<QLineEdit>("Edit25").setFocus(Qt::TabFocusReason);
    std::vector<std::string> reached;
    for (int step = 0; step < 60; ++step) {
        QTest::keyClick(window.get(), Qt::Key_Tab);
        const QWidget* focus = QApplication::focusWidget();
        // An editable list's editor stands for its list.
        if (focus != nullptr && focus->parentWidget() != nullptr &&
            qobject_cast<const QComboBox*>(focus->parentWidget()) != nullptr)
            focus = focus->parentWidget();
        reached.push_back(focus != nullptr ? focus->objectName().toStdString() : "");
    }
    EXPECT_NE(std::find(reached.begin(), reached.end(), "Button36"), reached.end());
    for (const char* covered : {"Edit6", "Edit7", "Edit8", "Edit9", "Edit20", "Edit21", "Edit22",
                                "Edit23", "ComboBox10", "ComboBox11", "ComboBox14", "ComboBox15",
                                "ComboBox16", "CheckBox5", "BitBtn1", "Button20", "Button21"})
        EXPECT_EQ(std::find(reached.begin(), reached.end(), covered), reached.end()) << covered;
}

TEST_F(SensorPageTest, CoveredReadLeavesTheTexts) {
    readFirst();
    ModuleSensor changed;
    changed.offset = -1.5f;
    changed.userText = "другой";
    changed.typeName = "другой тип";
    replyRead(changed);
    click("Button20");
    EXPECT_EQ(requests().size(), 5u);
    EXPECT_EQ(text("Edit25"), "    -1.5000");
    EXPECT_EQ(text("Edit24"), "Цех 3, печь №2");
    EXPECT_EQ(text("Panel15"), "ТСП-8163 Pt100 гильза 8х120");
    // The image has the new texts all the same.
    EXPECT_EQ(userText(state.image), "другой");
}

TEST_F(SensorPageTest, FailureAtTheFourthReadStoresThreeBlocksAndLeavesThePage) {
    ModuleSensor m;
    m.offset = 4.0f;
    m.sensorType = 21;
    m.constructionMin = -10.0f;
    replyRead(m);
    port.replies.resize(3);
    port.replies.push_back({test::withCrc({address(), 0x83, 0x02}), 0});
    click("Button35");

    EXPECT_EQ(requests().size(), 4u);
    EXPECT_EQ(state.image.sensor.offset, 4.0f);
    EXPECT_EQ(state.image.sensor.sensorType, 21);
    EXPECT_EQ(state.image.sensor.constructionRangeMin, -10.0f);
    EXPECT_EQ(userText(state.image), "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Адрес данных выходит за допустимые границы.");
    for (const char* name :
         {"Edit25", "Edit26", "Panel13", "Panel14", "Panel15", "Panel16", "Edit24", "ComboBox17"}) {
        EXPECT_EQ(text(name), "Нет данных") << name;
    }
    EXPECT_TRUE(state.sensorSettingsRead);  // cleared whether or not the read succeeds
}

TEST_F(SensorPageTest, CodesWithoutAnEntryShowNothing) {
    struct Case {
        std::uint16_t sensorType;
        QString name;
        std::uint16_t averaging;
        QString averagingShown;
    };
    const Case cases[] = {
        {0, "ТС медь Ro=50 W=1.428", 0, "1"},
        {24, "Измерение сопротивления", 9, "512"},
        {25, "", 10, ""},
        {0xFFFF, "", 0xFFFF, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sensorType);
        ModuleSensor m;
        m.sensorType = c.sensorType;
        m.averaging = c.averaging;
        replyRead(m);
        click("Button35");
        EXPECT_EQ(text("Panel16"), c.name);
        EXPECT_EQ(text("ComboBox17"), c.averagingShown);
    }
}

TEST_F(SensorPageTest, WriteRightAfterStartUpAsksOnceWhetherToGoOn) {
    const MessageBox notRead = question("Данные настроек еще ни разу не считывались, продолжить?");
    const MessageBox overwrite = question("Данные канала будут переписаны.");
    boxes.answers = {BoxAnswer::No};
    click("Button36");
    EXPECT_EQ(boxes.shown, std::vector<MessageBox>{notRead});

    boxes.answers = {BoxAnswer::No};
    click("Button36");
    EXPECT_EQ(boxes.shown, (std::vector<MessageBox>{notRead, overwrite}));
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(pump.pauses.empty());
}

TEST_F(SensorPageTest, EditedOffsetTurnsAquaAndANoLeavesItWhiteWithItsText) {
    readFirst();
    QLineEdit& offset = control<QLineEdit>("Edit25");
    offset.selectAll();
    type(offset, "2,5");
    EXPECT_EQ(markOf("Edit25"), kAqua);
    EXPECT_EQ(markOf("Edit26"), kWhite);
    // Picks and typing in the averaging list mark it as well.
    control<QComboBox>("ComboBox17").activated(4);
    EXPECT_EQ(markOf("ComboBox17"), kAqua);

    boxes.answers = {BoxAnswer::No};
    click("Button36");
    EXPECT_EQ(boxes.shown, std::vector<MessageBox>{question("Данные канала будут переписаны.")});
    EXPECT_EQ(markOf("Edit25"), kWhite);
    EXPECT_EQ(markOf("ComboBox17"), kWhite);
    EXPECT_EQ(offset.text(), "2.5");
    EXPECT_TRUE(port.written.empty());
}

TEST_F(SensorPageTest, WriteSendsTheEditedFieldsAndTheFirst16CharactersOfTheUserText) {
    readFirst();
    control<QComboBox>("ComboBox17").setCurrentIndex(9);
    control<QLineEdit>("Edit25").setText("1.5e1");
    control<QLineEdit>("Edit26").setText("0.995");
    control<QLineEdit>("Edit24").setText("ABCDEFGHIJKLMNOPQRST");
    replyWrites();
    click("Button36");

    EXPECT_EQ(requests(),
              (std::vector<Request>{{16, 0x0507, 1}, {16, 0x0516, 4}, {16, 0x040E, 8}}));
    EXPECT_EQ(pump.pauses, (std::vector<Milliseconds>{300ms, 100ms, 100ms}));
    EXPECT_EQ(written(0), std::vector<std::uint16_t>{9});
    const auto fifteen = splitF32(15.0f);
    const auto adjustment = splitF32(0.995f);
    EXPECT_EQ(written(1),
              (std::vector<std::uint16_t>{fifteen[0], fifteen[1], adjustment[0], adjustment[1]}));
    EXPECT_EQ(written(2), (std::vector<std::uint16_t>{0x4142, 0x4344, 0x4546, 0x4748, 0x494A,
                                                      0x4B4C, 0x4D4E, 0x4F50}));
    EXPECT_EQ(boxes.shown, (std::vector<MessageBox>{
                               question("Данные канала будут переписаны."),
                               success("Запись параметров датчика успешно осуществлено.")}));
    // The page is not refreshed by a write.
    EXPECT_EQ(text("Edit24"), "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(SensorPageTest, RefusedOffsetEndsTheWriteBeforeAnyExchange) {
    // Right after start-up the field still says "Нет данных".
    click("Button36");
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2],
              (MessageBox{"Данные смещения не удается представить числом. Проверьте поле ввода.",
                          "Ошибка ввода",
                          BoxIcon::Warning,
                          BoxButtons::Ok,
                          {}}));
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(pump.pauses.empty());
    EXPECT_EQ(text("Edit25"), "Нет данных");
    EXPECT_EQ(state.image.sensor.offset, 0.0f);
}

TEST_F(SensorPageTest, LargeAndNoNumberRealsShowShortAndUneditedOnesGoBackWhole) {
    ModuleSensor m;
    m.offset = 12345678.0f;
    m.adjustment = -3.0e9f;
    m.rangeMin = std::numeric_limits<float>::quiet_NaN();
    m.constructionMin = -std::numeric_limits<float>::infinity();
    m.constructionMax = std::numeric_limits<float>::max();
    readFirst(m);
    EXPECT_EQ(text("Edit25"), " 1.2346e+07");
    EXPECT_EQ(text("Edit26"), "-3.0000e+09");
    EXPECT_EQ(text("Edit6"), "        nan");
    EXPECT_EQ(text("Panel13"), "       -inf");
    EXPECT_EQ(text("Panel14"), " 3.4028e+38");

    // Written back untouched: the module gets its own values, not the shown digits.
    replyWrites();
    click("Button36");
    ASSERT_EQ(requests().size(), 3u);
    const auto offset = splitF32(12345678.0f);
    const auto adjustment = splitF32(-3.0e9f);
    EXPECT_EQ(written(1),
              (std::vector<std::uint16_t>{offset[0], offset[1], adjustment[0], adjustment[1]}));
}

// An offset and an adjustment that are no number ("nan", "inf", "-inf" as
// read) do not stop the write of the other fields: left as shown, they go
// back as the module holds them.
TEST_F(SensorPageTest, NonFiniteOffsetAndAdjustmentLeftAsShownGoBackAsRead) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct { float offset, adjustment; } cases[] = {{nan, inf}, {-inf, nan}};
    for (const auto& c : cases) {
        SCOPED_TRACE(text("Edit25").toStdString());
        ModuleSensor m;
        m.offset = c.offset;
        m.adjustment = c.adjustment;
        readFirst(m);
        control<QComboBox>("ComboBox17").setCurrentIndex(3);
        replyWrites();
        click("Button36");
        ASSERT_EQ(requests().size(), 3u);
        EXPECT_EQ(written(0), std::vector<std::uint16_t>{3});
        const auto offset = splitF32(c.offset);
        const auto adjustment = splitF32(c.adjustment);
        EXPECT_EQ(written(1),
                  (std::vector<std::uint16_t>{offset[0], offset[1], adjustment[0], adjustment[1]}));
        forget();
    }
}

// A user text the module cannot hold is refused, naming the character,
// before anything is sent.
TEST_F(SensorPageTest, UserTextOutsideWindows1251IsRefusedBeforeAnythingIsSent) {
    readFirst();
    control<QLineEdit>("Edit24").setText(QString::fromUtf8("A✓B€"));
    replyWrites();
    click("Button36");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].caption, "Ошибка ввода");
    EXPECT_NE(boxes.shown[1].text.find("\"✓\""), std::string::npos) << boxes.shown[1].text;
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(pump.pauses.empty());
}

TEST_F(SensorPageTest, CoveredWriteKeepsTheVisibleMarksAndPacksTheJoinedTypeName) {
    readFirst();
    control<QLineEdit>("Edit25").setText("3");
    click("BitBtn1");
    const QString joined = control<QComboBox>("ComboBox14").currentText() + "  " +
                           control<QComboBox>("ComboBox15").currentText() + "  " +
                           control<QComboBox>("ComboBox16").currentText();
    EXPECT_EQ(text("Edit22"), joined);
    EXPECT_EQ(markOf("Edit22"), kAqua);

    replyWrites();
    click("Button21");
    EXPECT_EQ(markOf("Edit22"), kWhite);
    EXPECT_EQ(markOf("Edit25"), kAqua);
    // Packed in 32 characters, blanks after it.
    EXPECT_EQ(QString::fromStdString(typeName(state.image)), joined.leftJustified(32, ' ', true));
    // The type name reaches the image only: the same three writes.
    EXPECT_EQ(requests(),
              (std::vector<Request>{{16, 0x0507, 1}, {16, 0x0516, 4}, {16, 0x040E, 8}}));
    EXPECT_EQ(state.image.sensor.offset, 3.0f);
}

TEST_F(SensorPageTest, StartUpMarksNoField) {
    // Filling the lists at start-up is no edit.
    for (const char* name : kSettingsEditors) {
        if (std::string(name) != "CheckBox5") {
            EXPECT_EQ(markOf(name), kWhite) << name;
        }
    }
}

// The real pump: the read's pauses let the window's messages run.
class SensorPageOnTheLine : public test::ProgramWindowTest {};

TEST_F(SensorPageOnTheLine, CommandsClickedDuringTheReadsPausesDoNotInterleave) {
    window->selectPage(TForm1::kSensorPage);
    const auto address = static_cast<std::uint8_t>(state.connection.moduleAddress);
    for (int count : {14, 12, 4, 8, 16})
        port.replyRegisters(address, std::vector<std::uint16_t>(static_cast<std::size_t>(count)));
    int clicks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        ++clicks;
        for (const char* other : {"Button17", "Button36", "Button35", "Button9"})
            control<QPushButton>(other).click();
    });
    clicker.start(60);
    const auto start = std::chrono::steady_clock::now();
    control<QPushButton>("Button35").click();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    clicker.stop();

    EXPECT_GE(clicks, 3);
    EXPECT_GE(elapsed, 500ms);
    // Only the read's own five requests went out, each one answered in turn.
    ASSERT_EQ(port.written.size(), 5u);
    const int firsts[] = {0x050C, 0x0500, 0x051B, 0x040E, 0x051F};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(port.written[i][1], 3);
        EXPECT_EQ(port.written[i][2] << 8 | port.written[i][3], firsts[i]);
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Чтение параметров датчика успешно осуществлено.");
}

// The sensor page against the simulated module: the window as the program
// builds it, started in a folder whose dev.dat maps COM1 to the simulator's
// pseudo-terminal, over the real termios port and the real event pump.

namespace fs = std::filesystem;

// The numbers of the array `key` in the simulator's state file.
std::vector<std::uint16_t> stateWords(const std::string& json, const std::string& key) {
    std::vector<std::uint16_t> words;
    const std::size_t at = json.find("\"" + key + "\": [");
    if (at == std::string::npos)
        return words;
    std::istringstream in(json.substr(json.find('[', at) + 1));
    unsigned value = 0;
    char separator = ',';
    while (separator == ',' && in >> value >> separator)
        words.push_back(static_cast<std::uint16_t>(value));
    return words;
}

// Every register of the general and sensor ranges, by address.
std::map<int, std::uint16_t> moduleRegisters(const fs::path& stateFile) {
    std::ifstream in(stateFile, std::ios::binary);
    const std::string json{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::map<int, std::uint16_t> registers;
    const std::vector<std::uint16_t> general = stateWords(json, "general");
    const std::vector<std::uint16_t> sensor = stateWords(json, "sensor");
    for (std::size_t i = 0; i < general.size(); ++i)
        registers[0x0400 + static_cast<int>(i)] = general[i];
    for (std::size_t i = 0; i < sensor.size(); ++i)
        registers[0x0500 + static_cast<int>(i)] = sensor[i];
    return registers;
}

class SensorPageSimTest : public ::testing::Test {
  protected:
    fs::path folder;
    fs::path previous = fs::current_path();
    std::unique_ptr<sim::PtyServer> server;
    AppState state;
    TermiosPort port;
    test::RecordingBoxes boxes;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        char name[] = "/tmp/m8163-sensor-sim.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        sim::ServerOptions options;
        options.link = (folder / "port").string();
        options.stateFile = (folder / "state.json").string();
        server = std::make_unique<sim::PtyServer>(std::move(options));
        server->start();
        std::ofstream(folder / "dev.dat") << "[COM_SETTINGS]\r\nNumber=1\r\n"
                                             "Settings=19200,N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\n"
                                             "[SETTINGS]\r\nTimeOut=500\r\n[COM_PORTS]\r\nCOM1="
                                          << (folder / "port").string() << "\r\n";
        fs::current_path(folder);
        window = makeProgramWindow(state, port, WindowSeams{&boxes, nullptr, &clock});
        ASSERT_TRUE(runStartupSequence(*window));
        ASSERT_TRUE(port.isOpen());
        ASSERT_TRUE(boxes.shown.empty());
        window->selectPage(TForm1::kSensorPage);
    }
    void TearDown() override {
        window.reset();
        port.close();
        server->stop();
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    QString text(const char* name) { return shownText(*window, name); }
    void click(const char* name) { window->control<QPushButton>(name).click(); }
    void expectOnlySuccess(const char* text) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, text);
        boxes.shown.clear();
    }
};

TEST_F(SensorPageSimTest, ReadShowsTheModuleAndAWriteChangesExactlyTheEditedRegisters) {
    click("Button35");
    expectOnlySuccess("Чтение параметров датчика успешно осуществлено.");
    const std::vector<std::pair<const char*, QString>> fromModule = {
        {"Edit25", "     0.0000"},
        {"Edit26", "     1.0000"},
        {"Panel13", "   -50.0000"},
        {"Panel14", "   200.0000"},
        {"Panel16", "ТС платина Ro=100 W=1.391"},
        {"ComboBox17", "8"},
        {"Edit24", "Цех 3, печь №2"},
        {"Panel15", "ТСП-8163 Pt100 гильза 8х120"}};
    for (const auto& [name, expected] : fromModule)
        EXPECT_EQ(text(name), expected) << name;

    const auto before = moduleRegisters(folder / "state.json");
    ASSERT_EQ(before.size(), 23u + 63u);
    window->control<QComboBox>("ComboBox17").setCurrentIndex(6);
    window->control<QLineEdit>("Edit25").setText("-0.75");
    window->control<QLineEdit>("Edit26").setText("1.0025");
    window->control<QLineEdit>("Edit24").setText("Котёл 7");
    click("Button36");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Запись параметров датчика успешно осуществлено.");
    boxes.shown.clear();

    std::map<int, std::uint16_t> expected = before;
    expected[0x0507] = 6;
    const auto offset = splitF32(-0.75f);
    const auto adjustment = splitF32(1.0025f);
    expected[0x0516] = offset[0];
    expected[0x0517] = offset[1];
    expected[0x0518] = adjustment[0];
    expected[0x0519] = adjustment[1];
    std::vector<std::uint16_t> userText(kUserTextRegisters);
    packText("Котёл 7", userText);
    for (std::size_t i = 0; i < userText.size(); ++i)
        expected[0x040E + static_cast<int>(i)] = userText[i];
    EXPECT_EQ(moduleRegisters(folder / "state.json"), expected);

    // A new read shows what the module now holds.
    window->control<QLineEdit>("Edit25").setText("99");
    click("Button35");
    expectOnlySuccess("Чтение параметров датчика успешно осуществлено.");
    EXPECT_EQ(text("Edit25"), "    -0.7500");
    EXPECT_EQ(text("Edit26"), "     1.0025");
    EXPECT_EQ(text("ComboBox17"), "64");
    EXPECT_EQ(text("Edit24"), "Котёл 7         ");
}

}  // namespace
}  // namespace m8163
