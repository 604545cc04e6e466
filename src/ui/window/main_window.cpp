#include "ui/window/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "base/clock.h"
#include "ui/bar/connection_bar.h"
#include "ui/exchange/exchange_page.h"
#include "ui/measure/measure_page.h"
#include "ui/monitor/exchange_monitor.h"
#include "ui/search/search_page.h"
#include "ui/sensor/sensor_page.h"
#include "ui/shell/enter_presses_button.h"
#include "ui/shell/qt_event_pump.h"
#include "ui/shell/qt_message_boxes.h"
#include "ui/shell/qt_port_wait.h"
#include "ui/window/startup.h"
#include "ui/window/window_layout.h"

namespace m8163 {

namespace {

// Builds the controls into a new client area of `window`, the layout's size,
// in a scroll area: a window smaller than the layout (a small screen, a high
// scale factor) scrolls it, a larger one shows it in its middle.
WindowControls buildControls(QMainWindow& window) {
    auto* scroller = new QScrollArea(&window);
    scroller->setObjectName(QStringLiteral("ClientScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setAlignment(Qt::AlignCenter);
    scroller->setWidgetResizable(false);
    // Not painted by the scroll area: the window paints its own colour
    // behind the layout, and so gets its paint events as before.
    scroller->viewport()->setAutoFillBackground(false);
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(TForm1::kClientWidth, TForm1::kClientHeight);
    scroller->setWidget(client);
    window.setCentralWidget(scroller);
    WindowControls controls;
    controls.bar = ui::buildConnectionBar(client);
    controls.notebook = ui::buildNotebook(client);
    QTabWidget& notebook = *controls.notebook;
    controls.measure = ui::buildMeasurePage(notebook.widget(TForm1::kMeasurePage));
    controls.sensor = ui::buildSensorPage(notebook.widget(TForm1::kSensorPage));
    controls.exchange = ui::buildExchangePage(notebook.widget(TForm1::kExchangePage));
    controls.search = ui::buildSearchPage(notebook.widget(TForm1::kSearchPage));
    ui::buildMenuAndDialogs(&window);
    return controls;
}

QFont windowFont() {
    // The window's own font; the notebook and some panels choose larger ones.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    return font;
}

}  // namespace

TForm1::TForm1(AppState& state, SerialPort& port, WindowSeams seams) : state_(state), port_(port) {
    setObjectName(QStringLiteral("Form1"));
    setFont(windowFont());
    controls_ = buildControls(*this);
    notebook_ = controls_.notebook;
    setWindowTitle(QStringLiteral("Form1"));
    // The layout's size, and resizable; showCentred() keeps it on the screen.
    resize(kClientWidth, kClientHeight);
    buildTimers();

    // The form shows the exchange page until the profile chooses another.
    selectPage(kExchangePage);

    if (seams.boxes == nullptr) {
        ownBoxes_ = std::make_unique<QtMessageBoxes>(this);
        seams.boxes = ownBoxes_.get();
    }
    if (seams.pump == nullptr) {
        ownPump_ = std::make_unique<QtEventPump>(timer(5));
        seams.pump = ownPump_.get();
    }
    if (seams.clock == nullptr) {
        ownClock_ = std::make_unique<SystemClock>();
        seams.clock = ownClock_.get();
    }
    // While a transaction waits for the port the window stays painted.
    port_.setWait(&portWait_);
    boxes_ = seams.boxes;
    clock_ = seams.clock;
    monitor_ = new ExchangeMonitor(*this, *controls_.bar.monitor, *boxes_);
    commands_ = std::make_unique<CommandGuard>(
        *boxes_, *seams.pump, LineParts{port_, state_.connection, *clock_, monitor_->observer()});
    // A close that waited for start-up or a command runs once it has
    // ended; the window then goes.
    commands_->onCloseDue([this] {
        runClose();
        close();
    });
    // Input held back during a wait is dropped once a close is accepted.
    portWait_.setHandOnCheck([this] { return commands_->handsOnHeldInput(); });
    // A connection to a device server gives up once a close is accepted,
    // and is not kept past the close.
    portWait_.setStopCheck([this] { return commands_->lifecycle().closeAccepted(); });

    const PageContext context = pageContext();
    // "Помигать" and "Выставить INIT" switch polling off through its one writer.
    connectionBar_ = new ConnectionBar(controls_.bar, *controls_.measure.measurementLog, context,
                                       [this] { measurePage_->setPolling(false); });
    port_.setStateListener([this] { connectionBar_->portChangedByItself(port_); });
    measurePage_ = new MeasurePage(controls_.measure, timer(4), context,
                                   [this] { return notebook_->currentIndex() == kMeasurePage; });
    // The sensor read switches polling off through the switch's one writer.
    sensorPage_ =
        new SensorPage(controls_.sensor, context, [this] { measurePage_->setPolling(false); });
    exchangePage_ = new ExchangePage(controls_.exchange, context, *connectionBar_);
    searchPage_ = new SearchPage(
        controls_.search, context,
        SearchLinks{[this](LineLease& line, int speed, Parity parity, int address) {
                        connectionBar_->changeConnection(line, speed, parity, address);
                    },
                    [this](bool locked) { connectionBar_->setSearchLock(locked); },
                    [this](int number) { exchangePage_->selectNetworkNumber(number); },
                    [this] { connectionBar_->showPortState(); }});

    QObject::connect(notebook_, &QTabWidget::currentChanged, this,
                     [this](int index) { onPageShown(index); });
    pressButtonsOnEnter(*this);
}

TForm1::~TForm1() {
    port_.setWait(nullptr);
    port_.setStateListener(nullptr);
}

PageContext TForm1::pageContext() {
    return {state_, commands_->boxes(), commands_->pump(), *clock_, *commands_};
}

QTimer& TForm1::timer(int number) const {
    return *timers_.at(static_cast<std::size_t>(number - 1));
}

void TForm1::buildTimers() {
    // Timer4 drives cyclic polling and Timer5 times the pauses of the block
    // operations. Timer1, Timer2, Timer3 and Timer6 do no work, so they never
    // run: an idle program is not woken up. Timer4 runs only while polling is
    // on (MeasurePage arms it).
    static constexpr int kIntervalsMs[6] = {1000, 4000, 500, 1000, 1000, 1000};
    for (int number = 1; number <= 6; ++number) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("Timer%1").arg(number));
        timer->setInterval(kIntervalsMs[number - 1]);
        timers_[static_cast<std::size_t>(number - 1)] = timer;
    }
    // Timer5 runs from creation and ticks once; its tick only switches it
    // off, and a pause arms it again.
    QTimer* timer5 = &timer(5);
    QObject::connect(timer5, &QTimer::timeout, timer5, &QTimer::stop);
    timer5->start();
}

void TForm1::selectPage(int index) {
    pageChangeByProgram_ = true;
    notebook_->setCurrentIndex(index);
    pageChangeByProgram_ = false;
    shownPage_ = notebook_->currentIndex();
}

int TForm1::currentPage() const {
    return notebook_->currentIndex();
}

// The notebook tells of a new page once it shows; the reaction is given the
// page that was left, as a reaction before the switch would see it.
void TForm1::onPageShown(int index) {
    const int left = shownPage_;
    shownPage_ = index;
    if (!pageChangeByProgram_ && left != index) {
        commands_->run([this, left] { pageLeft(left); });
    }
}

void TForm1::pageLeft(int leaving) {
    // Leaving the measured-value page keeps polling on until the next tick,
    // which sees another page and stops it.
    if (leaving == kMeasurePage) {
        return;
    }
    measurePage_->setPolling(false);
}

void TForm1::showCentred() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        // No larger than the screen's free area, frame included where the
        // window system tells it before the window is shown (a window
        // manager may tell it only later, and keeps the frame on the screen
        // itself); the content scrolls in what is left.
        create();
        const QSize frameExtra = frameGeometry().size() - size();
        resize(size().boundedTo(available.size() - frameExtra));
        QRect frame = frameGeometry();
        frame.moveCenter(available.center());
        // On a screen smaller than the window its caption stays reachable.
        move(std::max(frame.left(), available.left()), std::max(frame.top(), available.top()));
    }
    show();
}

void TForm1::closeEvent(QCloseEvent* event) {
    switch (commands_->askClose()) {
        case LifeOutcome::RunClose:
            runClose();
            event->accept();
            return;
        case LifeOutcome::Record:
            // Start-up or the holding command ends first; then the close
            // runs by itself.
            event->ignore();
            return;
        default:
            // Under way (its boxes are open) or done: a closed window goes.
            if (closed())
                event->accept();
            else
                event->ignore();
            return;
    }
}

void TForm1::runClose() {
    commands_->runClose([this](LineLease& line) { runCloseSequence(*this, line); });
}

bool TForm1::closed() const {
    return commands_->lifecycle().phase() == LifePhase::Closed;
}

}  // namespace m8163
