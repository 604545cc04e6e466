#include "ui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/clock.h"
#include "ui/measure_page.h"
#include "ui/qt_event_pump.h"
#include "ui/qt_message_boxes.h"
#include "ui/window_layout.h"

namespace m8163 {

TForm1::TForm1(AppState& state, SerialPort& port, WindowSeams seams) : state_(state), port_(port) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    // The window's own font; the notebook and some panels choose larger ones.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    setFont(font);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    setFixedSize(kClientWidth, kClientHeight);

    ui::buildTopBar(client);
    QTabWidget* notebook = ui::buildNotebook(client);
    ui::buildMeasurePage(notebook->widget(kMeasurePage));
    ui::buildSensorPage(notebook->widget(kSensorPage));
    ui::buildExchangePage(notebook->widget(kExchangePage));
    ui::buildSearchPage(notebook->widget(kSearchPage));
    ui::buildMenuAndDialogs(this);
    buildTimers();

    // The form shows the exchange page until the profile chooses another.
    selectPage(kExchangePage);
    QObject::connect(notebook, &QTabWidget::currentChanged, this,
                     [this](int index) { onPageShown(index); });

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
    boxes_ = seams.boxes;
    pump_ = seams.pump;
    clock_ = seams.clock;

    // Page commands are wired here, one line per page.
    new MeasurePage(*this);
}

TForm1::~TForm1() = default;

void TForm1::missingControl(const char* name) {
    std::fprintf(stderr, "m8163: the window has no control named %s\n", name);
    std::abort();
}

QTabWidget& TForm1::notebook() const {
    return control<QTabWidget>("TabbedNotebook1");
}

QTimer& TForm1::timer(int number) const {
    const QByteArray name = "Timer" + QByteArray::number(number);
    return control<QTimer>(name.constData());
}

void TForm1::buildTimers() {
    // All six run from creation. Timer4 drives cyclic polling and Timer5
    // times the pauses of the block operations; the others do no work.
    static constexpr int kIntervalsMs[6] = {1000, 4000, 500, 1000, 1000, 1000};
    for (int number = 1; number <= 6; ++number) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("Timer%1").arg(number));
        timer->setInterval(kIntervalsMs[number - 1]);
        timer->start();
    }
    // Timer5's tick only switches it off; a pause arms it again.
    QTimer* timer5 = &timer(5);
    QObject::connect(timer5, &QTimer::timeout, timer5, &QTimer::stop);
}

void TForm1::selectPage(int index) {
    pageChangeByProgram_ = true;
    notebook().setCurrentIndex(index);
    pageChangeByProgram_ = false;
    shownPage_ = notebook().currentIndex();
}

int TForm1::currentPage() const {
    return notebook().currentIndex();
}

// The notebook tells of a new page once it shows; the reaction is given the
// page that was left, as a reaction before the switch would see it.
void TForm1::onPageShown(int index) {
    const int left = shownPage_;
    shownPage_ = index;
    if (!pageChangeByProgram_ && left != index) {
        TabbedNotebook1Change(left);
    }
}

void TForm1::TabbedNotebook1Change(int leaving) {
    // Leaving the measured-value page keeps polling on until the next tick,
    // which sees another page and stops it.
    if (leaving == kMeasurePage) {
        return;
    }
    state_.polling.polling = false;
    control<QPushButton>("Button18").setEnabled(true);
    control<QPushButton>("Button19").setEnabled(false);
}

void TForm1::showCentred() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveCenter(available.center());
        // On a screen smaller than the window its caption stays reachable.
        move(std::max(frame.left(), available.left()), std::max(frame.top(), available.top()));
    }
    show();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (closeSequence_ && !closeSequence_()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace m8163
