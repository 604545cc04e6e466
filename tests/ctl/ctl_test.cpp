// m8163ctl run as a process against the simulated module sim8163, over the
// pseudo-terminal the simulator publishes.

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "ctl_run.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using sim::test::ChildProcess;
using test::contains;
using test::CtlRun;
using test::lines;
using test::readFile;

constexpr auto kTimeout = test::kCtlTimeout;

// The tool is pointed at the simulator's link with the line given in full,
// so that no dev.dat of the working folder has a say.
class CtlTest : public test::SimOnLink {
  protected:
    CtlRun ctl(std::vector<std::string> args,
               std::vector<std::string> line = {"--speed", "19200", "--parity", "none", "--address",
                                                "1", "--timeout", "200"}) {
        std::vector<std::string> all = {"--device", link()};
        all.insert(all.end(), line.begin(), line.end());
        all.insert(all.end(), args.begin(), args.end());
        return test::runCtl(all);
    }
};

TEST_F(CtlTest, ReadShowsTheMeasurementAsTextJsonAndCsv) {
    startSim({"--status", "1,0x04"});
    CtlRun text = ctl({"read"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const auto shown = lines(text.out);
    ASSERT_EQ(shown.size(), 4u) << text.out;
    EXPECT_TRUE(std::regex_match(shown[0], std::regex(R"(value: -?\d+\.\d{4})"))) << shown[0];
    EXPECT_TRUE(std::regex_match(shown[1], std::regex(R"(relative value: \d+)"))) << shown[1];
    EXPECT_EQ(shown[2], "status: Выше ВПИ");
    EXPECT_EQ(shown[3], "exchange: Нормальный обмен");

    CtlRun json = ctl({"read", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_TRUE(std::regex_match(
        json.out, std::regex(R"(\{"value":-?\d+\.\d{4},"relativeValue":\d+,"status":4,)"
                             R"("statusText":"Выше ВПИ","exchange":0,)"
                             R"("exchangeText":"Нормальный обмен"\}\n)")))
        << json.out;

    CtlRun csv = ctl({"read", "--csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const auto rows = lines(csv.out);
    ASSERT_EQ(rows.size(), 2u) << csv.out;
    EXPECT_EQ(rows[0], "value,relative_value,status,status_text,exchange,exchange_text,hint");
    EXPECT_TRUE(std::regex_match(
        rows[1], std::regex(R"(-?\d+\.\d{4},\d+,4,"Выше ВПИ",0,"Нормальный обмен",)")))
        << rows[1];
}

TEST_F(CtlTest, PollPrintsOneLinePerCycleAndTheCounters) {
    startSim({});
    CtlRun json = ctl({"poll", "--count", "3", "--interval", "0", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto shown = lines(json.out);
    ASSERT_EQ(shown.size(), 4u) << json.out;
    // Each cycle with its time: ISO 8601, milliseconds, the UTC offset.
    const std::string kIso = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)";
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(
            std::regex_search(shown[i], std::regex("^\\{\"cycle\":" + std::to_string(i + 1) +
                                                   ",\"time\":\"" + kIso + "\",\"value\":")))
            << shown[i];
    }
    EXPECT_EQ(shown[3], R"({"cycles":3,"measurementErrors":0,"exchangeErrors":0})");

    CtlRun text = ctl({"poll", "--count", "2", "--interval", "10"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(lines(text.out).back(), "cycles 2, measurement errors 0, exchange errors 0");
    EXPECT_TRUE(std::regex_match(lines(text.out)[1], std::regex("2: " + kIso + " value .*")))
        << text.out;
    CtlRun csv = ctl({"poll", "--count", "1", "--interval", "0", "--csv"});
    EXPECT_EQ(lines(csv.out)[0].rfind("cycle,time,value,", 0), 0u) << csv.out;
    EXPECT_TRUE(std::regex_search(lines(csv.out)[1], std::regex("^1," + kIso + ","))) << csv.out;
}

TEST_F(CtlTest, PollEndsOnCtrlCWithTheCounters) {
    startSim({});
    ChildProcess program({M8163_CTL_PATH, "--device", link(), "--speed", "19200", "--parity",
                          "none", "--address", "1", "poll", "--interval", "100"});
    ASSERT_FALSE(program.waitForLine("2: ", 10s).empty()) << program.err;
    program.signal(SIGINT);
    ASSERT_EQ(program.wait(kTimeout), 130) << program.err;
    EXPECT_TRUE(std::regex_search(
        program.out, std::regex(R"(\ncycles (\d+), measurement errors 0, exchange errors 0\n$)")))
        << program.out;
}

TEST_F(CtlTest, IdentityAndSensorShowTheModule) {
    startSim({});
    CtlRun identity = ctl({"identity"});
    ASSERT_EQ(identity.exitCode, 0) << identity.err;
    for (const char* line : {"model code: 8163\n", "module number: 1\n", "speed: 19200\n",
                             "parity: none\n", "watchdog: 5.0 s\n"}) {
        EXPECT_TRUE(contains(identity.out, line)) << line << identity.out;
    }
    CtlRun identityJson = ctl({"identity", "--json"});
    ASSERT_EQ(identityJson.exitCode, 0) << identityJson.err;
    EXPECT_TRUE(contains(identityJson.out, R"("modelCode":"8163")")) << identityJson.out;
    EXPECT_TRUE(contains(identityJson.out,
                         R"("moduleNumber":1,"speed":19200,"speedCode":7,)"
                         R"("parity":"none","parityCode":0,"watchdogTenths":50})"))
        << identityJson.out;

    CtlRun sensor = ctl({"sensor"});
    ASSERT_EQ(sensor.exitCode, 0) << sensor.err;
    EXPECT_TRUE(contains(sensor.out, "averaging: 8\n")) << sensor.out;
    EXPECT_TRUE(contains(sensor.out, "range: -50.0000 ... 150.0000\n")) << sensor.out;
    CtlRun sensorJson = ctl({"sensor", "--json"});
    ASSERT_EQ(sensorJson.exitCode, 0) << sensorJson.err;
    EXPECT_TRUE(contains(sensorJson.out, R"("averaging":8,"averagingCode":3,"rangeMin":-50.0000,)"))
        << sensorJson.out;
}

// mbpoll, an independent Modbus master, reads back what the tool wrote.
std::map<int, std::uint16_t> mbpollRead(const std::string& mbpoll, const std::string& port,
                                        int start, int count) {
    ChildProcess process({mbpoll, "-m", "rtu", "-a", "1", "-b", "19200", "-P", "none", "-0", "-1",
                          "-o", "0.5", "-r", std::to_string(start), "-c", std::to_string(count),
                          port});
    EXPECT_EQ(process.wait(20s), 0) << process.out << process.err;
    std::map<int, std::uint16_t> values;
    static const std::regex line(R"(\[(\d+)\]:\s+(-?\d+))");
    for (std::sregex_iterator it(process.out.begin(), process.out.end(), line), end; it != end;
         ++it) {
        values[std::stoi((*it)[1])] = static_cast<std::uint16_t>(std::stol((*it)[2]));
    }
    return values;
}

TEST_F(CtlTest, SensorSetWritesWhatMbpollReadsBack) {
    const std::string mbpoll = sim::test::findProgram("mbpoll");
    if (mbpoll.empty())
        GTEST_SKIP() << "mbpoll is not installed (Debian package mbpoll; test.sh installs it)";
    startSim({});
    CtlRun set = ctl({"sensor", "set", "--averaging", "16", "--offset", "-1.5", "--adjustment",
                      "1.25", "--text", "Line 7"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out,
              "sensor settings written: averaging 16, offset -1.5000, adjustment 1.2500, user "
              "text \"Line 7          \"\n");

    // Averaging code 4 (16 readings); -1.5 is BFC0 0000, 1.25 is 3FA0 0000;
    // "Line 7" and blanks, two characters a register.
    EXPECT_EQ(mbpollRead(mbpoll, link(), 0x0507, 1), (std::map<int, std::uint16_t>{{0x0507, 4}}));
    EXPECT_EQ(mbpollRead(mbpoll, link(), 0x0516, 4),
              (std::map<int, std::uint16_t>{
                  {0x0516, 0xBFC0}, {0x0517, 0}, {0x0518, 0x3FA0}, {0x0519, 0}}));
    EXPECT_EQ(mbpollRead(mbpoll, link(), 0x040E, 4),
              (std::map<int, std::uint16_t>{
                  {0x040E, 0x4C69}, {0x040F, 0x6E65}, {0x0410, 0x2037}, {0x0411, 0x2020}}));

    // A second write of one value keeps the others as the module holds them.
    CtlRun again = ctl({"sensor", "set", "--averaging", "512", "--json"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, R"({"written":true,"averaging":512,"offset":-1.5000,)"
                         R"("adjustment":1.2500,"userText":"Line 7          "})"
                         "\n");
}

TEST_F(CtlTest, DryRunPrintsTheFramesAndWritesNothing) {
    startSim({});
    CtlRun sensor = ctl({"sensor", "set", "--averaging", "16", "--dry-run"});
    ASSERT_EQ(sensor.exitCode, 0) << sensor.err;
    const auto frames = lines(sensor.out);
    ASSERT_EQ(frames.size(), 3u) << sensor.out;
    EXPECT_EQ(frames[0], "would send: 01 10 05 07 00 01 02 00 04 F3 24");
    EXPECT_EQ(frames[1].rfind("would send: 01 10 05 16 00 04 08 ", 0), 0u);
    EXPECT_EQ(frames[2].rfind("would send: 01 10 04 0E 00 08 10 ", 0), 0u);
    EXPECT_TRUE(contains(ctl({"sensor"}).out, "averaging: 8\n"));

    // Writes that need no reading do not touch the line at all.
    const std::vector<std::string> nowhere = {"--device", dir_.file("missing"), "--address", "1"};
    CtlRun exchange = ctl({"exchange", "set", "--speed", "9600", "--parity", "odd", "--address",
                           "3", "--dry-run", "--json"},
                          nowhere);
    ASSERT_EQ(exchange.exitCode, 0) << exchange.err;
    EXPECT_EQ(exchange.out,
              "{\"dryRun\":true,\"frames\":[\"01 10 04 08 00 03 06 00 03 00 06 00 01 "
              "17 9B\"]}\n");
    CtlRun blink = ctl({"blink", "--dry-run"}, nowhere);
    ASSERT_EQ(blink.exitCode, 0) << blink.err;
    EXPECT_EQ(blink.out, "would send: 01 10 04 16 00 01 02 00 01 20 A6\n");
}

TEST_F(CtlTest, ExchangeSetMovesTheModuleAndFollowsIt) {
    startSim({});
    CtlRun set = ctl({"exchange", "set", "--speed", "9600", "--parity", "even", "--address", "7"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out,
              "exchange parameters written: module 7, 9600, parity even; the module answers at "
              "them\n");
    EXPECT_TRUE(contains(readFile(state()), R"("address": 7, "speed": 9600, "parity": 2)"))
        << readFile(state());

    EXPECT_EQ(ctl({"read"}).exitCode, 1);  // the old line no longer reaches it
    const std::vector<std::string> moved = {"--speed",   "9600", "--parity",  "even",
                                            "--address", "7",    "--timeout", "200"};
    CtlRun back =
        ctl({"exchange", "set", "--speed", "19200", "--parity", "none", "--address", "1", "--json"},
            moved);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.out,
              R"({"written":true,"verified":true,"address":1,"speed":19200,"parity":"none"})"
              "\n");
}

TEST_F(CtlTest, BlinkReachesTheModule) {
    startSim({});
    CtlRun blink = ctl({"blink"});
    ASSERT_EQ(blink.exitCode, 0) << blink.err;
    EXPECT_EQ(sim_->waitForLine("BLINK", 10s), "BLINK module 1 count 1");
}

TEST_F(CtlTest, ScanFindsTheModulesInSearchOrder) {
    startSim({"--module", "2", "--module", "3:9600:E"});
    CtlRun scan = ctl({"scan", "--speeds", "19200,9600", "--parities", "none,even", "--from", "3",
                       "--to", "2", "--json"},
                      {"--timeout", "50"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(scan.out, R"({"address":3,"speed":9600,"parity":"even"})"
                        "\n"
                        R"({"address":2,"speed":19200,"parity":"none"})"
                        "\n");
    const auto progress = lines(scan.err);
    ASSERT_EQ(progress.size(), 9u) << scan.err;
    EXPECT_EQ(progress[0], "Проверяется скорость 9600 без паритета номер прибора 2");
    EXPECT_EQ(progress[3], "Проверяется скорость 9600 четный паритет номер прибора 3");
    EXPECT_EQ(progress[8], "Процедура поиска завершена.");

    CtlRun csv =
        ctl({"scan", "--speeds", "9600", "--parities", "even", "--from", "3", "--to", "3", "--csv"},
            {"--timeout", "50"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out, "address,speed,parity\n3,9600,\"even\"\n");

    CtlRun none = ctl({"scan", "--speeds", "1200", "--parities", "odd", "--from", "9", "--to", "9"},
                      {"--timeout", "50"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_TRUE(contains(none.err, "no module answered")) << none.err;
}

TEST_F(CtlTest, SilentModuleGivesExit1AndTheFailureText) {
    startSim({"--fault", "1,silence"});
    for (const char* command : {"read", "identity", "sensor", "blink"}) {
        SCOPED_TRACE(command);
        CtlRun run = ctl({command});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "m8163ctl: При приеме принято не ожидаемое число символов. Возможно, ответа "
                  "просто не было.\n");
    }
    CtlRun poll = ctl({"poll", "--count", "2", "--interval", "0"});
    EXPECT_EQ(poll.exitCode, 1);
    EXPECT_TRUE(contains(poll.out, "cycles 2, measurement errors 0, exchange errors 2"))
        << poll.out;
    // A failed cycle has no value and no status, in none of the forms.
    const std::string failure =
        "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.";
    const std::string kIso = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)";
    const std::string front = lines(poll.out).front();
    EXPECT_TRUE(std::regex_match(front, std::regex("1: " + kIso + " .*"))) << front;
    EXPECT_EQ(front.substr(front.find(' ', 3) + 1), "Ошибка в обмене (" + failure + ")");
    CtlRun json = ctl({"poll", "--count", "1", "--json"});
    const std::string object = lines(json.out).front();
    EXPECT_TRUE(std::regex_search(object, std::regex("^\\{\"cycle\":1,\"time\":\"" + kIso + "\",")))
        << object;
    EXPECT_EQ(object.substr(object.find(",\"value\"")),
              R"(,"value":null,"relativeValue":null,"status":null,"statusText":null,)"
              R"("exchange":110,"exchangeText":"Ошибка в обмене","exceptionCode":0,"failure":")" +
                  failure + R"("})");
    CtlRun csv = ctl({"poll", "--count", "1", "--csv"});
    ASSERT_EQ(lines(csv.out).size(), 2u) << csv.out;
    EXPECT_TRUE(std::regex_match(lines(csv.out)[1],
                                 std::regex("1," + kIso + R"(,,,,,110,"Ошибка в обмене",)")))
        << lines(csv.out)[1];
    CtlRun write = ctl({"exchange", "set", "--speed", "9600", "--parity", "odd", "--address", "3"});
    EXPECT_EQ(write.exitCode, 1);
    EXPECT_TRUE(contains(write.err, "Возможно, ответа просто не было.")) << write.err;
}

TEST_F(CtlTest, TracePrintsEachFrameDecodedOnStderr) {
    startSim({});
    for (const char* flag : {"-v", "--trace"}) {
        SCOPED_TRACE(flag);
        CtlRun run = ctl({flag, "read"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(lines(run.out).size(), 4u) << run.out;  // the output stays as it was
        const auto traced = lines(run.err);
        ASSERT_EQ(traced.size(), 2u) << run.err;
        EXPECT_TRUE(std::regex_match(
            traced[0],
            std::regex(R"(\d\d:\d\d:\d\d\.\d{3} -> 01 03 00 00 00 07 04 08 \| )"
                       R"(модуль 1, чтение \(03\): 0x0000 измеренное значение, 7 рег\.)")))
            << traced[0];
        EXPECT_TRUE(std::regex_match(
            traced[1],
            std::regex(
                R"(\d\d:\d\d:\d\d\.\d{3} <- 01 03 0E( [0-9A-F]{2}){16} \| )"
                R"(модуль 1, чтение \(03\): 14 байт: .* \(измеренное значение = -?\d+\.\d{4}; )"
                R"(относительное значение = \d+; статус измерения = норма\) \| \d+ мс \| норма)")))
            << traced[1];
    }
    sim_.reset();
    startSim({"--fault", "1,silence"});
    CtlRun silent = ctl({"-v", "read"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_TRUE(std::regex_search(
        silent.err, std::regex(R"(<-  \| нет ответа \| \d+ мс \| При приеме принято)")))
        << silent.err;
}

TEST_F(CtlTest, BadOptionsGiveExit2WithoutTouchingTheLine) {
    startSim({});
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"read", "extra"},
        {"exchange"},
        {"read", "--speed", "1234"},
        {"read", "--parity", "mark"},
        {"read", "--address", "248"},
        {"read", "--com", "9"},
        {"read", "--timeout"},
        {"read", "--json", "--csv"},
        {"identity", "--csv"},
        {"read", "--dry-run"},
        {"read", "--count", "3"},
        {"poll", "--count", "0"},
        {"poll", "--interval", "-5"},
        {"sensor", "set"},
        {"sensor", "set", "--averaging", "3"},
        {"sensor", "set", "--offset", "2,5"},
        {"sensor", "set", "--adjustment", "abc"},
        {"sensor", "set", "--text", "seventeen chars!!"},
        {"sensor", "set", "--text", "✓ done"},
        {"exchange", "set", "--speed", "9600", "--parity", "even"},
        {"exchange", "set", "--speed", "9600", "--parity", "even", "--address", "300"},
        {"exchange", "set", "--speed", "9600", "--parity", "even", "--address", "0"},
        {"scan", "--speeds", "9600,1234"},
        {"scan", "--parities", "none,mark"},
        {"scan", "--from", "248"},
        {"blink", "--json=yes"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        SCOPED_TRACE(shown);
        CtlRun run = ctl(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(contains(run.err, "m8163ctl: ")) << run.err;
    }
    EXPECT_TRUE(contains(readFile(state()), R"("requests": 0,)")) << readFile(state());
}

TEST_F(CtlTest, VersionAndUnknownOptions) {
    CtlRun version = ctl({"--version"}, {});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "m8163ctl 0.0.2\n");
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--verbose"}, {"read", "--verbose"}, {"read", "--bogus", "1"}}) {
        SCOPED_TRACE(args.back());
        CtlRun run = ctl(args, {});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(contains(run.err, "unknown option --")) << run.err;
    }
}

TEST_F(CtlTest, PortThatCannotBeOpenedGivesExit3) {
    CtlRun run = ctl({"read"}, {"--device", dir_.file("nothing-here")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(contains(run.err, "Невозможно открыть последовательный порт")) << run.err;
    EXPECT_TRUE(contains(run.err, dir_.file("nothing-here"))) << run.err;
    // A shell user is told the options, not the window's chooser.
    EXPECT_TRUE(contains(run.err, "--device ПУТЬ")) << run.err;
    EXPECT_TRUE(contains(run.err, "(--com N)")) << run.err;
    EXPECT_FALSE(contains(run.err, "Выбрать порт")) << run.err;
    // The system's reason in Russian, as in the window's boxes.
    std::filesystem::create_directory(dir_.file("folder"));
    CtlRun folder = ctl({"read"}, {"--device", dir_.file("folder")});
    EXPECT_EQ(folder.exitCode, 3);
    EXPECT_TRUE(contains(folder.err, "Причина: Это каталог")) << folder.err;
}

TEST_F(CtlTest, LineAndExchangeLogComeFromDevDatWhichStaysAsItWas) {
    startSim({"--module", "4:9600:O"});
    const std::string work = dir_.file("work");
    ASSERT_TRUE(std::filesystem::create_directory(work));
    const std::string devDat =
        "[COM_SETTINGS]\r\nNumber=3\r\nSettings=9600,O,8,1\r\n[DEVICE]\r\nNetAdrr=4\r\n"
        "[LOG]\r\nUseLogFile=1\r\nLogFileName=exchange.txt\r\n"
        "[COM_PORTS]\r\nCOM3=" +
        link() + "\r\n";
    std::ofstream(work + "/dev.dat", std::ios::binary) << devDat;
    ChildProcess program(
        {"/bin/sh", "-c", "cd '" + work + "' && exec '" + M8163_CTL_PATH + "' read --json"});
    ASSERT_EQ(program.wait(kTimeout), 0) << program.err;
    EXPECT_TRUE(contains(program.out, R"("exchange":0)")) << program.out;
    EXPECT_EQ(readFile(work + "/dev.dat"), devDat);
    // The request to module 4 and its reply, in the window's log format.
    EXPECT_TRUE(contains(readFile(work + "/exchange.txt"), "04 03 00 00 00 07"))
        << readFile(work + "/exchange.txt");
}

// An exchange log that names no plain file would block the tool for good
// (a FIFO) or is no log: the run goes on without it and says so.
TEST_F(CtlTest, AnExchangeLogThatIsNoFileIsLeftOff) {
    startSim({});
    const std::string work = dir_.file("work");
    ASSERT_TRUE(std::filesystem::create_directory(work));
    ASSERT_EQ(::mkfifo((work + "/fifo").c_str(), 0644), 0);
    ASSERT_TRUE(std::filesystem::create_directory(work + "/folder"));
    for (const char* name : {"fifo", "folder", "/dev/null", "/no/such/folder/COM.txt"}) {
        SCOPED_TRACE(name);
        std::ofstream(work + "/dev.dat", std::ios::binary)
            << "[LOG]\r\nUseLogFile=1\r\nLogFileName=" << name << "\r\n";
        ChildProcess program({"/bin/sh", "-c",
                              "cd '" + work + "' && exec '" + M8163_CTL_PATH + "' --device '" +
                                  link() + "' --address 1 read"});
        ASSERT_EQ(program.wait(kTimeout), 0) << program.err;
        EXPECT_TRUE(contains(program.err, "exchange log \"" + std::string(name) + "\" is off: "))
            << program.err;
        EXPECT_TRUE(contains(program.out, "exchange: Нормальный обмен")) << program.out;
    }
}

TEST_F(CtlTest, EverySubcommandHasHelp) {
    for (std::vector<std::string> args : {std::vector<std::string>{"--help"},
                                          {"read", "--help"},
                                          {"poll", "--help"},
                                          {"identity", "--help"},
                                          {"sensor", "--help"},
                                          {"sensor", "set", "--help"},
                                          {"exchange", "set", "--help"},
                                          {"blink", "--help"},
                                          {"scan", "-h"}}) {
        SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
        CtlRun run = ctl(args, {});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.rfind("Usage: m8163ctl", 0), 0u) << run.out;
        EXPECT_TRUE(contains(run.out, "Exit codes")) << run.out;
    }
}

}  // namespace
}  // namespace m8163
