#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

#include "config/page_selector.h"
#include "ui/app_state.h"

class QTabWidget;
class QTimer;

namespace m8163 {

class Clock;
class EventPump;
class MessageBoxes;
class SerialPort;

// Seams the window hands to its pages. Left empty, the window makes the real
// ones: boxes on QMessageBox, the pump on Timer5, the system clock.
struct WindowSeams {
    MessageBoxes* boxes = nullptr;
    EventPump* pump = nullptr;
    Clock* clock = nullptr;
};

// The program's one window, "Form1": the connection bar and the four-page
// notebook. Every control carries its name as object name; pages find their
// controls with control<T>(name) and wire them to operations.
class TForm1 : public QMainWindow, public PageSelector {
  public:
    // Client size that gives the window its outer size of 954 x 733 with a
    // 4-pixel border and a 23-pixel caption.
    static constexpr int kClientWidth = 946;
    static constexpr int kClientHeight = 706;

    enum Page { kMeasurePage = 0, kSensorPage = 1, kExchangePage = 2, kSearchPage = 3 };

    TForm1(AppState& state, SerialPort& port, WindowSeams seams = {});
    ~TForm1() override;

    AppState& state() { return state_; }
    SerialPort& port() { return port_; }
    MessageBoxes& boxes() { return *boxes_; }
    EventPump& pump() { return *pump_; }
    Clock& clock() { return *clock_; }

    // The named control; a missing name is a programming error and aborts.
    template <class Widget>
    Widget& control(const char* name) const {
        return checked(findChild<Widget*>(QString::fromLatin1(name)), name);
    }
    QTabWidget& notebook() const;
    QTimer& timer(int number) const;  // Timer1 ... Timer6

    // Shows a page as the program's own choice (the profile's page at
    // start-up): the page change reaction does not run.
    void selectPage(int index);
    // The notebook as the settings profile sees it.
    int currentPage() const override;
    void showPage(int index) override { selectPage(index); }
    // Page change reaction; `leaving` is the page that the notebook leaves.
    void TabbedNotebook1Change(int leaving);

    // Runs when the user closes the window (the close sequence). Returning
    // false keeps the window open.
    void setCloseSequence(std::function<bool()> sequence) { closeSequence_ = std::move(sequence); }

    // Centres the window on its screen and shows it.
    void showCentred();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    template <class Widget>
    static Widget& checked(Widget* widget, const char* name) {
        if (widget == nullptr) {
            missingControl(name);
        }
        return *widget;
    }
    [[noreturn]] static void missingControl(const char* name);

    void buildTimers();
    void onPageShown(int index);

    AppState& state_;
    SerialPort& port_;
    std::unique_ptr<MessageBoxes> ownBoxes_;
    std::unique_ptr<EventPump> ownPump_;
    std::unique_ptr<Clock> ownClock_;
    MessageBoxes* boxes_ = nullptr;
    EventPump* pump_ = nullptr;
    Clock* clock_ = nullptr;
    std::function<bool()> closeSequence_;
    int shownPage_ = 0;
    bool pageChangeByProgram_ = false;
};

}  // namespace m8163
