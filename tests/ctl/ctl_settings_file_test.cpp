// m8163ctl save and restore run as processes against sim8163 (and once
// against pymodbus): a module's settings kept in a file and put on another
// module, checked by reading them back.

#include <signal.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "ctl/json_reader.h"
#include "ctl_run.h"
#include "module/sensor_sequences.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using ctl::JsonValue;
using sim::test::ChildProcess;
using test::CtlRun;
using test::lines;
using test::readFile;

constexpr auto kTimeout = test::kCtlTimeout;

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The line of a saved document that holds `section`.
std::string sectionLine(const std::string& document, const std::string& section) {
    const std::size_t at = document.find("\n  \"" + section + "\": ");
    return at == std::string::npos ? "" : document.substr(at, document.find('\n', at + 1) - at);
}

// The line options of each module the tests use.
const std::vector<std::string> kModule1 = {"--speed", "19200",     "--parity",
                                           "none",    "--address", "1"};
const std::vector<std::string> kModule5 = {"--speed", "9600", "--parity", "even", "--address", "5"};

class CtlSettingsFile : public test::SimOnLink {
  protected:
    std::string file(const std::string& name) const { return dir_.file(name); }

    CtlRun ctl(const std::vector<std::string>& line, const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--device", link(), "--timeout", "200"};
        all.insert(all.end(), line.begin(), line.end());
        all.insert(all.end(), args.begin(), args.end());
        return test::runCtl(all);
    }

    // The simulator's record of a module (it writes one after every request).
    JsonValue simModule(int address) const {
        const JsonValue sim = ctl::readJson(readFile(state()));
        for (const JsonValue& m : sim.member("modules")->items) {
            if (m.member("address")->text == std::to_string(address))
                return m;
        }
        ADD_FAILURE() << "no module " << address << " in " << readFile(state());
        return {};
    }
    std::string requests(int address) const { return simModule(address).member("requests")->text; }
    std::string sensorWord(int address, std::uint16_t reg) const {
        return simModule(address).member("sensor")->items.at(reg - 0x0500).text;
    }

    // Module 1 given settings of its own, then saved to `name`.
    void saveModule1(const std::string& name) {
        const CtlRun set = ctl(kModule1, {"sensor", "set", "--averaging", "64", "--offset", "-1.25",
                                          "--adjustment", "1.0625", "--text", "Печь 4"});
        ASSERT_EQ(set.exitCode, 0) << set.err;
        const CtlRun save = ctl(kModule1, {"save", name});
        ASSERT_EQ(save.exitCode, 0) << save.err;
        ASSERT_EQ(save.out, "module 1: saved to " + name + "\n");
    }
};

TEST_F(CtlSettingsFile, ModuleSavedAndRestoredOnAnotherReadsBackEqual) {
    startSim({"--module", "1", "--module", "5:9600:E"});
    const std::string saved = file("module1.json");
    saveModule1(saved);

    const JsonValue document = ctl::readJson(readFile(saved));
    EXPECT_EQ(document.member("format")->text, "1");
    EXPECT_TRUE(
        std::regex_match(document.member("saved")->text,
                         std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)")));
    EXPECT_EQ(document.member("line")->member("speed")->text, "19200");
    EXPECT_EQ(document.member("identity")->member("modelCode")->text, "8163");
    const JsonValue& sensor = *document.member("sensor");
    EXPECT_EQ(sensor.member("averaging")->text, "64");
    EXPECT_EQ(sensor.member("offset")->text, "-1.25");
    EXPECT_EQ(sensor.member("adjustment")->text, "1.0625");
    EXPECT_EQ(sensor.member("userText")->text, "Печь 4" + std::string(10, ' '));
    EXPECT_EQ(sensor.member("sensorTypeText")->text, "ТС платина Ro=100 W=1.391");
    // "-" gives the same document on standard output, and nothing else there.
    const CtlRun toStdout = ctl(kModule1, {"save", "-"});
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_NE(sectionLine(toStdout.out, "sensor"), "");
    EXPECT_EQ(sectionLine(toStdout.out, "sensor"), sectionLine(readFile(saved), "sensor"));

    ASSERT_NE(sensorWord(5, 0x0507), "6");
    const CtlRun restore = ctl(kModule5, {"restore", saved});
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(restore.out, "module 5: restored, read back equal\n");
    EXPECT_EQ(sensorWord(5, 0x0507), "6");      // 64 readings
    EXPECT_EQ(sensorWord(5, 0x0516), "49056");  // -1.25 is BFA0 0000
    EXPECT_EQ(sensorWord(5, 0x0518), "16264");  // 1.0625 is 3F88 0000
    EXPECT_EQ(simModule(5).member("userText")->text, "Печь 4" + std::string(10, ' '));
}

// What "Записать" of the sensor page sends for the same values.
std::vector<std::string> sensorPageFrames(int address) {
    test::ScriptedPort port;
    for (auto [start, count] : {std::pair{0x0507, 1}, {0x0516, 4}, {0x040E, 8}})
        port.replyWrite(static_cast<std::uint8_t>(address), start, count);
    ConnectionSettings settings;
    settings.moduleAddress = address;
    test::FixedClock clock;
    test::RecordingPump pump;
    test::RecordingBoxes boxes;
    struct : SensorView {
        void switchPollingOff() override {}
        void showSensorSettings(const SensorDisplay&) override {}
        void clearSettingsMarks() override {}
        void showTexts(const std::string&, const std::string&) override {}
        void clearEditMarks(EditMarks) override {}
    } view;
    RegisterImage image;
    bool settingsRead = true;
    SensorEntry entry;
    entry.offset = "-1.25";
    entry.adjustment = "1.0625";
    entry.averaging = 6;  // "64"
    entry.userText = "Печь 4";
    runSensorWrite({image, settingsRead}, entry, {port, settings, clock}, pump, boxes, view,
                   EditMarks::All);
    std::vector<std::string> frames;
    for (const auto& frame : port.written) {
        std::string text = "would send:";
        for (std::uint8_t byte : frame) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", byte);
            text += hex;
        }
        frames.push_back(text);
    }
    return frames;
}

TEST_F(CtlSettingsFile, DryRunSendsNothingAndPrintsTheSensorPagesFrames) {
    startSim({"--module", "1", "--module", "5:9600:E"});
    const std::string saved = file("module1.json");
    saveModule1(saved);
    const std::string before = requests(5);

    const CtlRun dry = ctl(kModule5, {"restore", saved, "--dry-run"});
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(lines(dry.out), sensorPageFrames(5));
    EXPECT_EQ(requests(5), before);
    // Not even the port is needed.
    const CtlRun nowhere =
        ctl({"--device", file("missing"), "--address", "5"}, {"restore", saved, "--dry-run"});
    ASSERT_EQ(nowhere.exitCode, 0) << nowhere.err;
    EXPECT_EQ(nowhere.out, dry.out);
}

// pymodbus, an independent slave, takes a restore of a file written by hand:
// the frames are the sensor page's, and its registers hold what they carry.
TEST_F(CtlSettingsFile, PymodbusSlaveTakesTheSensorPagesFrames) {
    const std::string python = "/usr/bin/python3";  // Debian's, where python3-pymodbus lives
    if (ChildProcess({python, "-c", "import pymodbus.server"}).wait(kTimeout) != 0)
        GTEST_SKIP() << "pymodbus is not installed (Debian packages python3-pymodbus and "
                        "python3-serial-asyncio; test.sh installs them)";
    ChildProcess slave({python, std::string(M8163_SOURCE_DIR) + "/tests/ctl/pymodbus_slave.py",
                        link(), "1", "0x8163"});
    ASSERT_EQ(slave.waitForLine("READY", 20s), "READY") << slave.err;
    writeText(file("hand.json"), R"({"format": 1, "identity": {"modelCode": "8163"},
        "sensor": {"averaging": 64, "offset": -1.25, "adjustment": 1.0625,
                   "userText": "Печь 4"}})");

    const CtlRun restore =
        ctl({"--speed", "19200", "--parity", "none", "--address", "1", "--timeout", "1000", "-v"},
            {"restore", file("hand.json")});
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(restore.out, "module 1: restored, read back equal\n");
    std::vector<std::string> written;
    static const std::regex request(R"(-> ((?:[0-9A-F]{2} )*[0-9A-F]{2}) \| [^|]*\(16\))");
    for (const std::string& line : lines(restore.err)) {
        std::smatch m;
        if (std::regex_search(line, m, request))
            written.push_back("would send: " + m[1].str());
    }
    EXPECT_EQ(written, sensorPageFrames(1));

    slave.signal(SIGTERM);
    ASSERT_EQ(slave.wait(kTimeout), 0) << slave.err;
    // 64 readings is code 6; -1.25 is BFA0 0000, 1.0625 3F88 0000; "Печь 4" in
    // Windows-1251 (CF E5 F7 FC 20 34), then blanks.
    EXPECT_EQ(slave.out,
              "READY\nWRITE 1287 6\nWRITE 1302 49056 0 16264 0\n"
              "WRITE 1038 53221 63484 8244 8224 8224 8224 8224 8224\n");
}

TEST_F(CtlSettingsFile, ReadBackThatDiffersExits1NamingTheField) {
    startSim({"--module", "1", "--module", "5:9600:E", "--fault", "5,keep,regs=0x0516-0x0517"});
    const std::string saved = file("module1.json");
    saveModule1(saved);
    const CtlRun restore = ctl(kModule5, {"restore", saved});
    EXPECT_EQ(restore.exitCode, 1);
    // The fault keeps the whole write of offset and adjustment.
    EXPECT_EQ(restore.out,
              "module 5: written, but read back differs: sensor.offset, sensor.adjustment\n");
    EXPECT_EQ(restore.err,
              "m8163ctl: module 5: sensor.offset: the file has -1.25, the module 0\n"
              "m8163ctl: module 5: sensor.adjustment: the file has 1.0625, the module 1\n");
    EXPECT_EQ(sensorWord(5, 0x0507), "6");  // the other values were written
}

TEST_F(CtlSettingsFile, FileOfAnotherModelIsRefusedUnlessForced) {
    startSim({"--module", "1", "--module", "5:9600:E"});
    const std::string saved = file("module1.json");
    saveModule1(saved);
    const std::string other = file("other.json");
    writeText(other, replaced(readFile(saved), R"("modelCode":"8163")", R"("modelCode":"8164")"));

    const CtlRun refused = ctl(kModule5, {"restore", other});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.out,
              "module 5: not restored: model code 8163, the file's is 8164 (--force restores it "
              "all the same)\n");
    EXPECT_EQ(requests(5), "1");  // the model code read, nothing written
    EXPECT_NE(sensorWord(5, 0x0507), "6");

    const CtlRun forced = ctl(kModule5, {"restore", other, "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(sensorWord(5, 0x0507), "6");
}

// A file cut short by a crash, edited by hand, or no file at all: refused
// before a single byte goes out.
TEST_F(CtlSettingsFile, BadFileIsRefusedBeforeAnyByteIsSent) {
    startSim({"--module", "1", "--module", "5:9600:E"});
    const std::string saved = file("module1.json");
    saveModule1(saved);
    const std::string good = readFile(saved);
    std::filesystem::create_directory(file("folder"));
    struct Case {
        std::string text;  // empty: `name` as it is
        std::string name;
        std::string err;
    };
    const Case cases[] = {
        {good.substr(0, good.size() / 2), "torn.json",
         "torn.json: not a settings document: unexpected end"},
        {replaced(good, R"("averaging":64)", R"("averaging":48)"), "edited.json",
         "edited.json: sensor.averaging: Усреднение не выбрано из списка. Проверьте поле ввода.; "
         "nothing sent\n"},
        {replaced(good, R"("offset":-1.25)", R"("offset":"-1,25")"), "comma.json",
         "comma.json: sensor.offset: Данные смещения не удается представить числом."},
        {std::string(300 * 1024, ' '), "huge.json", "huge.json: larger than 256 KiB"},
        {"", "missing.json", "missing.json: Нет такого файла или каталога; nothing sent\n"},
        {"", "folder", "folder: not a plain file; nothing sent\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty())
            writeText(file(c.name), c.text);
        const CtlRun run = ctl(kModule5, {"restore", file(c.name)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("m8163ctl: " + file(c.err), 0), 0u) << run.err;
    }
    EXPECT_EQ(requests(5), "0");
}

TEST_F(CtlSettingsFile, SeveralModulesOneSilentEachGetsALine) {
    startSim({"--module", "1", "--module", "5", "--fault", "5,silence"});
    const std::vector<std::string> both = {"--address", "1,5"};
    const CtlRun save =
        ctl(kModule1, {"save", file("m{address}-{factory}.json"), "--address", "5,1"});
    EXPECT_EQ(save.exitCode, 1);
    EXPECT_EQ(save.out,
              "module 5: not saved: При приеме принято не ожидаемое число символов. Возможно, "
              "ответа просто не было.\nmodule 1: saved to " +
                  file("m1-12-3456.json") + "\n");
    EXPECT_TRUE(std::filesystem::exists(file("m1-12-3456.json")));

    const CtlRun restore = ctl(kModule1, {"restore", file("m1-12-3456.json"), "--address", "5,1"});
    EXPECT_EQ(restore.exitCode, 1);
    EXPECT_EQ(restore.out,
              "module 5: not restored: При приеме принято не ожидаемое число символов. Возможно, "
              "ответа просто не было.\nmodule 1: restored, read back equal\n");
}

TEST_F(CtlSettingsFile, ExchangeParametersRestoredAndTheModuleFollowed) {
    startSim({"--module", "5:9600:E", "--init"});  // a module fresh from the factory
    const CtlRun saveFrom = ctl({"--speed", "19200", "--parity", "none", "--address", "1"},
                                {"save", file("init.json")});
    ASSERT_EQ(saveFrom.exitCode, 0) << saveFrom.err;
    // The file of the module it replaces: number 7 at 4800 bit/s, odd parity.
    std::string text = replaced(readFile(file("init.json")), R"("networkNumber":5,"speed":9600,)",
                                R"("networkNumber":7,"speed":4800,)");
    writeText(file("replaced.json"),
              replaced(text, R"("parity":"even","parityCode")", R"("parity":"odd","parityCode")"));
    const CtlRun restore = ctl({"--speed", "19200", "--parity", "none", "--address", "1"},
                               {"restore", file("replaced.json"), "--exchange"});
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(restore.out, "module 1: restored, read back equal; now module 7, 4800, parity odd\n");
    const JsonValue moved = simModule(7);
    EXPECT_EQ(moved.member("speed")->text, "4800");
    EXPECT_EQ(moved.member("parity")->text, "1");
    EXPECT_EQ(moved.member("init")->kind, JsonValue::Kind::Boolean);
    EXPECT_FALSE(moved.member("init")->boolean);
}

// On a terminal --exchange asks first (script(1) gives the tool one, with
// the answer typed into it); --yes asks nothing.
TEST_F(CtlSettingsFile, ExchangeRestoreAsksOnATerminal) {
    const std::string script = sim::test::findProgram("script");
    if (script.empty())
        GTEST_SKIP() << "script (util-linux) is not installed";
    startSim({});
    const std::string command = std::string(M8163_CTL_PATH) + " --device " + link() +
                                " --address 1 --timeout 200 restore " + file("moved.json") +
                                " --exchange";
    const CtlRun save = ctl({"--address", "1"}, {"save", file("moved.json")});
    ASSERT_EQ(save.exitCode, 0) << save.err;
    writeText(file("moved.json"), replaced(readFile(file("moved.json")), R"("networkNumber":1,)",
                                           R"("networkNumber":9,)"));
    const std::string saving = requests(1);
    auto typed = [&](const std::string& answer, const std::string& options) {
        ChildProcess run({"/bin/sh", "-c",
                          "printf '" + answer + "\\n' | " + script + " -qec '" + command + options +
                              "' /dev/null"});
        const int code = run.wait(kTimeout);
        return std::pair{code, run.out};
    };
    const auto [no, noText] = typed("n", "");
    EXPECT_EQ(no, 2);
    EXPECT_TRUE(test::contains(noText,
                               "module 1 will answer as module 9, 19200, parity none. Go "
                               "on? [y/N] m8163ctl: nothing sent"))
        << noText;
    EXPECT_EQ(requests(1), saving);

    const auto [yes, yesText] = typed("x", " --yes");  // nothing reads the x
    EXPECT_EQ(yes, 0) << yesText;
    EXPECT_FALSE(test::contains(yesText, "Go on?")) << yesText;
    EXPECT_TRUE(test::contains(yesText, "now module 9, 19200, parity none")) << yesText;
}

TEST_F(CtlSettingsFile, BadCommandLinesExit2AndHelpDescribesBoth) {
    startSim({});
    const std::vector<std::vector<std::string>> cases = {
        {"save"},
        {"restore"},
        {"save", "a.json", "b.json"},
        {"save", "-", "--address", "1,2"},
        {"save", "same.json", "--address", "1,2"},
        {"save", "a.json", "--address", "0"},
        {"save", "a.json", "--address", "5-3"},
        {"save", "a.json", "--exchange"},
        {"save", "a.json", "--dry-run"},
        {"save", "a.json", "--json"},
        {"restore", "a.json", "--address", "1,2", "--exchange"},
        {"read", "--force"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        SCOPED_TRACE(shown);
        const CtlRun run = ctl({}, args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("m8163ctl: ", 0), 0u) << run.err;
    }
    EXPECT_EQ(requests(1), "0");
    for (const char* command : {"save", "restore"}) {
        const CtlRun help = ctl({}, {command, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: m8163ctl [LINE OPTIONS] ") + command, 0), 0u)
            << help.out;
    }
}

}  // namespace
}  // namespace m8163
