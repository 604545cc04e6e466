#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

#include "config/page_selector.h"
#include "ui/shell/app_state.h"
#include "ui/shell/command_guard.h"
#include "ui/shell/named_control.h"
#include "ui/shell/page_context.h"
#include "ui/shell/qt_port_wait.h"
#include "ui/window/window_layout.h"

class QTabWidget;
class QTimer;

namespace m8163 {

class Clock;
class ConnectionBar;
class EventPump;
class ExchangeMonitor;
class ExchangePage;
class MeasurePage;
class MessageBoxes;
class SearchPage;
class SensorPage;
class SerialPort;

// Seams the window hands to its pages. Left empty, the window makes the real
// ones: boxes on QMessageBox, the pump on Timer5, the system clock.
struct WindowSeams {
    MessageBoxes* boxes = nullptr;
    EventPump* pump = nullptr;
    Clock* clock = nullptr;
};

// The program's one window, "Form1": the connection bar and the four-page
// notebook. It builds its controls (each carries its name as object name)
// and hands each part of the window the ones its layout made; owns the
// connection bar and the pages, which wire them through the command guard;
// and runs the close sequence when it is closed.
class TForm1 : public QMainWindow, public PageSelector {
  public:
    // The layout's size: the client size that gives the window its outer
    // size of 954 x 733 with a 4-pixel border and a 23-pixel caption. The
    // window opens at it where the screen allows, and scrolls it when made
    // smaller.
    static constexpr int kClientWidth = 946;
    static constexpr int kClientHeight = 706;

    enum Page { kMeasurePage = 0, kSensorPage = 1, kExchangePage = 2, kSearchPage = 3 };

    TForm1(AppState& state, SerialPort& port, WindowSeams seams = {});
    ~TForm1() override;

    AppState& state() { return state_; }
    // The boxes of the window's reactions, through the command guard.
    MessageBoxes& boxes() { return commands_->boxes(); }
    Clock& clock() { return *clock_; }
    CommandGuard& commands() { return *commands_; }
    // The command pump: pauses that end a command once a close is waiting.
    EventPump& pump() { return commands_->pump(); }

    ConnectionBar& connectionBar() { return *connectionBar_; }
    MeasurePage& measurePage() { return *measurePage_; }
    SensorPage& sensorPage() { return *sensorPage_; }
    ExchangePage& exchangePage() { return *exchangePage_; }
    SearchPage& searchPage() { return *searchPage_; }

    // The window's controls as its layout made them.
    const WindowControls& controls() const { return controls_; }
    // The named control, for tests, screenshots and the scripted demo; the
    // program's own code uses controls(). A missing name throws
    // std::logic_error.
    template <class Widget>
    Widget& control(const char* name) const {
        return namedControl<Widget>(*this, name);
    }
    QTabWidget& notebook() const { return *notebook_; }
    QTimer& timer(int number) const;  // Timer1 ... Timer6

    // Shows a page as the program's own choice (the profile's page at
    // start-up): the page change reaction does not run.
    void selectPage(int index);
    // The notebook as the settings profile sees it.
    int currentPage() const override;
    void showPage(int index) override { selectPage(index); }
    // The user moved to another page; `leaving` is the page that the
    // notebook leaves: any page but the measured-value page switches polling
    // off.
    void pageLeft(int leaving);

    // Centres the window on its screen and shows it, no larger than the
    // screen's available area.
    void showCentred();

    // Whether the close sequence has run: the program ends.
    bool closed() const;

  protected:
    // Runs the close sequence once. A close asked for during start-up or
    // while a command holds the line waits until it has ended.
    void closeEvent(QCloseEvent* event) override;

  private:
    void runClose();
    void buildTimers();
    void onPageShown(int index);
    PageContext pageContext();

    AppState& state_;
    SerialPort& port_;
    QtPortWait portWait_;
    WindowControls controls_;
    QTabWidget* notebook_ = nullptr;
    std::array<QTimer*, 6> timers_{};
    std::unique_ptr<MessageBoxes> ownBoxes_;
    std::unique_ptr<EventPump> ownPump_;
    std::unique_ptr<Clock> ownClock_;
    MessageBoxes* boxes_ = nullptr;
    Clock* clock_ = nullptr;
    std::unique_ptr<CommandGuard> commands_;
    ConnectionBar* connectionBar_ = nullptr;
    ExchangeMonitor* monitor_ = nullptr;
    MeasurePage* measurePage_ = nullptr;
    SensorPage* sensorPage_ = nullptr;
    ExchangePage* exchangePage_ = nullptr;
    SearchPage* searchPage_ = nullptr;
    int shownPage_ = 0;
    bool pageChangeByProgram_ = false;
};

}  // namespace m8163
