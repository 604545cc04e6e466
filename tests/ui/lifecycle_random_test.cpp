// Random interleavings of what a user, the window's timers and the desktop do
// to the window as main builds it: clicks on line commands, polling on and
// off, ticks, boxes answered late or at once, input held during a wait, a
// close by the window or by a signal, each at a random moment. After every
// run the lifecycle's promises are checked. A run is replayed exactly from
// its seed: M8163_LIFECYCLE_SEED=N runs that seed alone;
// M8163_LIFECYCLE_SEEDS=N and M8163_LIFECYCLE_SEED_FIRST=F run N seeds from F
// (200 from 1 by default; scripts/lifecycle-soak.sh runs any number).
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>
#include <QTimerEvent>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "program_window.h"
#include "ui/shell/command_guard.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A module behind a line that is sometimes slow, silent or garbled: every
// request gets the reply its function asks for, after a random delay, or
// none. Notes what a transaction's promises need.
class RandomModulePort : public test::ScriptedPort {
  public:
    std::mt19937* random = nullptr;
    std::function<bool()> closing;  // the close sequence runs or has run

    int overlaps = 0;  // a request written while another waits for its reply
    int writesAfterClose = 0;
    int measureRequests = 0;
    int measureFailures = 0;
    int sensorWritesBegun = 0;  // first block, averaging, 0x0507
    int sensorWritesEnded = 0;  // last block, the user text, 0x040E

    std::size_t write(const std::uint8_t* data, std::size_t size) override {
        if (inTransaction_)
            ++overlaps;
        if (closing && closing())
            ++writesAfterClose;
        const std::size_t n = ScriptedPort::write(data, size);
        if (size < 6)
            return n;
        inTransaction_ = true;
        const std::uint8_t address = data[0];
        const std::uint8_t function = data[1];
        const auto start = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
        const auto count = static_cast<std::uint16_t>(data[4] << 8 | data[5]);
        const int roll = std::uniform_int_distribution<int>(0, 99)(*random);
        const auto delay = std::chrono::milliseconds(
            std::uniform_int_distribution<int>(0, roll < 70 ? 5 : 60)(*random));
        const bool silent = n == 0 || (function == 0x03 && roll >= 90);
        const bool measure = function == 0x03 && start == 0 && count == 7;
        if (measure) {
            ++measureRequests;
            measureFailures += silent ? 1 : 0;
        }
        if (function == 0x10 && start == 0x0507 && n > 0)
            ++sensorWritesBegun;
        if (function == 0x10 && start == 0x040E && n > 0)
            ++sensorWritesEnded;
        replies.clear();
        if (silent)
            replies.push_back({{}, 0, delay});
        else if (function == 0x03)
            replyRegisters(address, std::vector<std::uint16_t>(count, 1));
        else
            replyWrite(address, start, count);
        replies.back().delay = delay;
        return n;
    }
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = ScriptedPort::read(buffer, size);
        inTransaction_ = false;
        return n;
    }

  private:
    bool inTransaction_ = false;
};

// The window's pauses, twenty times shorter: the same messages run in them,
// and a run takes a fraction of a second.
class ShortPump : public EventPump {
  public:
    void processPending() override { QCoreApplication::processEvents(); }
    void pause(std::chrono::milliseconds duration) override {
        test::ProgramWindowTest::runFor(static_cast<int>(std::max<long>(1, duration.count() / 20)));
    }
};

// Counts the times a file of the folder is written (closed after writing,
// or moved into place).
class FileWrites {
  public:
    explicit FileWrites(const fs::path& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    }
    ~FileWrites() { ::close(fd_); }
    FileWrites(const FileWrites&) = delete;
    FileWrites& operator=(const FileWrites&) = delete;
    int count(const std::string& name) {
        alignas(inotify_event) char buffer[8192];
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0)
                    ++counts_[event->name];
                p += sizeof(inotify_event) + event->len;
            }
        }
        return counts_[name];
    }

  private:
    int fd_;
    std::map<std::string, int> counts_;
};

struct RunReport {
    std::string failures;
    void check(bool holds, const std::string& what) {
        if (!holds)
            failures += "  " + what + "\n";
    }
};

// One run from `seed` in `folder`: start-up (failing on a refused file in
// some runs), a random sequence of events, a close; the promises checked.
RunReport runOnce(unsigned seed, const fs::path& folder) {
    RunReport report;
    std::mt19937 random(seed);
    const auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    const auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (const auto& entry : fs::directory_iterator(folder))
        fs::remove_all(entry.path());
    const std::string devDat =
        "[COM_SETTINGS]\r\nSettings=19200,N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\nTimeOut=40\r\n";
    std::ofstream(folder / "dev.dat", std::ios::binary) << devDat;
    const bool refusedFile = chance(10);
    if (refusedFile)
        fs::create_directory(folder / "recent.prf");

    AppState state;
    RandomModulePort port;
    port.random = &random;
    port.openState = false;
    test::OpenBoxes boxes;
    ShortPump pump;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window =
        makeProgramWindow(state, port, WindowSeams{&boxes, &pump, &clock});
    TForm1* w = window.get();
    const auto phase = [w] { return w->commands().lifecycle().phase(); };
    port.closing = [&] { return phase() == LifePhase::Closing || phase() == LifePhase::Closed; };
    bool signalled = false;
    // A close by the window or, once, by a signal; never a second signal in
    // the test's own process, which would end it.
    const auto close = [&](bool bySignal) {
        if (w->commands().lifecycle().closeAccepted())
            return;
        if (bySignal && !signalled) {
            signalled = true;
            ::raise(SIGTERM);
            // Taken in before anything else can close the window: a signal
            // after the close would end this process.
            test::ProgramWindowTest::runUntil(
                [w] { return w->commands().lifecycle().closeAccepted(); }, 2000);
        } else {
            w->close();
        }
    };
    const auto tick = [w] {
        QTimer& timer = w->timer(4);
        if (!timer.isActive())
            return;
        // What the timer's own expiry does: its tick now.
        QTimerEvent expired(timer.timerId());
        QCoreApplication::sendEvent(&timer, &expired);
    };
    boxes.whileShown = [&](const MessageBox&) {
        // Ticks, a close, or nothing under the box, then the answer.
        for (int i = between(0, 3); i > 0; --i)
            tick();
        if (chance(10))
            close(chance(50));
        test::ProgramWindowTest::runFor(between(0, 10));
        if (chance(30))
            boxes.answers.push_back(chance(50) ? BoxAnswer::Yes : BoxAnswer::No);
    };

    if (refusedFile && chance(50))
        boxes.whileShown = [&](const MessageBox&) { close(true); };
    FileWrites writes(folder);
    const bool started = runStartupSequence(*window);
    report.check(started == !refusedFile, "start-up refused the folder recent.prf, and only that");
    if (!started) {
        report.check(writes.count("dev.dat") == 0, "dev.dat untouched after a failed start-up");
        report.check(port.written.empty(), "nothing sent after a failed start-up");
        std::ifstream in(folder / "dev.dat", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        report.check(text.str() == devDat, "dev.dat byte-identical after a failed start-up");
        return report;
    }
    const int devDatAtStart = writes.count("dev.dat");
    const int profileAtStart = writes.count("recent.prf");
    if (!window->closed()) {
        window->show();
        window->selectPage(TForm1::kMeasurePage);
        // What the sensor page's "Записать" sends, once asked.
        w->control<QComboBox>("ComboBox17").setCurrentIndex(9);
        w->control<QLineEdit>("Edit25").setText("1.5");
        w->control<QLineEdit>("Edit26").setText("0.995");
    }

    // Line commands by their buttons, visible or not; held input only to
    // visible ones, and never the single reading (its requests would look
    // like polling's).
    const char* const kLineCommands[] = {"Button35", "Button36", "Button9", "Button1",
                                         "Button2",  "Button15", "Button36"};
    const char* const kHeldTargets[] = {"Button18", "Button19", "Button2"};
    const int steps = between(5, 20);
    for (int step = 0; step < steps && !w->commands().lifecycle().closeAccepted(); ++step) {
        // Something that comes during the next step: a tick, held input or
        // a close, while a command may be waiting for its reply.
        const int later = between(0, 25);
        switch (between(0, 5)) {
            case 0:
                QTimer::singleShot(later, w, tick);
                break;
            case 1: {
                const char* target = kHeldTargets[between(0, 2)];
                QTimer::singleShot(later, w, [w, target] {
                    if (!w->isVisible())
                        return;
                    QPushButton& button = w->control<QPushButton>(target);
                    const QPointF at = button.mapTo(w, button.rect().center());
                    QWindow* handle = w->windowHandle();
                    const QPointF global = handle->mapToGlobal(at.toPoint());
                    QCoreApplication::postEvent(
                        handle, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
                    QCoreApplication::postEvent(
                        handle, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
                });
                break;
            }
            case 2:
                if (chance(25)) {
                    const bool bySignal = chance(50);
                    QTimer::singleShot(later, w, [&close, bySignal] { close(bySignal); });
                }
                break;
            default:
                break;
        }
        // What the user does now.
        switch (between(0, 4)) {
            case 0:
            case 1:
                w->control<QPushButton>(kLineCommands[between(0, 6)]).click();
                break;
            case 2:
                w->control<QPushButton>("Button18").click();
                break;
            case 3:
                w->control<QPushButton>("Button19").click();
                break;
            default:
                tick();
                break;
        }
        test::ProgramWindowTest::runFor(between(0, 12));
    }
    if (!w->commands().lifecycle().closeAccepted())
        close(chance(50));
    const auto asked = std::chrono::steady_clock::now();
    test::ProgramWindowTest::runUntil([w] { return w->closed(); }, 4000);
    report.check(window->closed(), "the close ran within 4 s of being asked");
    report.check(std::chrono::steady_clock::now() - asked < 4s, "ended within its bound");
    test::ProgramWindowTest::runFor(30);  // held input and late ticks come now

    report.check(port.overlaps == 0, "no two transactions overlap");
    report.check(port.writesAfterClose == 0, "nothing sent once the close sequence runs");
    report.check(port.sensorWritesBegun == port.sensorWritesEnded,
                 "every sensor write sent all its blocks (" +
                     std::to_string(port.sensorWritesBegun) + " begun, " +
                     std::to_string(port.sensorWritesEnded) + " ended)");
    report.check(state.polling.cycles == static_cast<unsigned>(port.measureRequests),
                 "cycles " + std::to_string(state.polling.cycles) + " = polling requests " +
                     std::to_string(port.measureRequests));
    report.check(state.polling.exchangeErrors == static_cast<unsigned>(port.measureFailures),
                 "exchange errors " + std::to_string(state.polling.exchangeErrors) +
                     " = silent polling requests " + std::to_string(port.measureFailures));
    // Once by the close at most: a save that would change nothing leaves
    // the file as it is.
    report.check(writes.count("dev.dat") <= devDatAtStart + 1,
                 "dev.dat written at most once, by the close");
    report.check(writes.count("recent.prf") <= profileAtStart + 1,
                 "recent.prf written at most once, by the close");
    return report;
}

unsigned fromEnvironment(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

TEST(LifecycleRandom, RandomInterleavingsKeepEveryPromise) {
    char name[] = "/tmp/m8163-random-test.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const fs::path folder = name;
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    // One seed replayed, or a row of them from a first one.
    const bool replay = std::getenv("M8163_LIFECYCLE_SEED") != nullptr;
    const unsigned first = replay ? fromEnvironment("M8163_LIFECYCLE_SEED", 1)
                                  : fromEnvironment("M8163_LIFECYCLE_SEED_FIRST", 1);
    const unsigned seeds = replay ? 1 : fromEnvironment("M8163_LIFECYCLE_SEEDS", 200);
    for (unsigned seed = first; seed < first + seeds; ++seed) {
        const RunReport report = runOnce(seed, folder);
        if (!report.failures.empty()) {
            ADD_FAILURE() << "seed " << seed << " (M8163_LIFECYCLE_SEED=" << seed
                          << " replays it):\n"
                          << report.failures;
            break;
        }
    }
    fs::current_path(previous);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace m8163
