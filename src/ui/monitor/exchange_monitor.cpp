#include "ui/monitor/exchange_monitor.h"

#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "config/settings_paths.h"
#include "ui/monitor/monitor_place.h"
#include "ui/monitor/monitor_window.h"

namespace m8163 {

ExchangeMonitor::ExchangeMonitor(QWidget& window, QPushButton& button, MessageBoxes& boxes)
    : QObject(&window), window_(window), boxes_(boxes) {
    setObjectName(QStringLiteral("ExchangeMonitorHook"));
    connect(&button, &QPushButton::clicked, this, [this] { open(); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), &window);
    shortcut->setObjectName(QStringLiteral("ExchangeMonitorShortcut"));
    connect(shortcut, &QShortcut::activated, this, [this] { open(); });
}

ExchangeMonitor::~ExchangeMonitor() {
    // Open when the program ends: its place is kept as a close keeps it.
    if (monitor_ != nullptr && monitor_->isVisible())
        saveMonitorPlace(profilePath_, monitor_->geometry());
    delete monitor_.data();
}

MonitorWindow& ExchangeMonitor::open() {
    if (monitor_ == nullptr) {
        monitor_ = new MonitorWindow(store_, boxes_, &window_);
        // The profile of the folder the program works in, named now: a
        // later change of the working folder does not move it.
        profilePath_ = settingsFilePath(currentFolder(), kProfileFileName);
        monitor_->setPlaceKeeper(
            [this](const QRect& place) { saveMonitorPlace(profilePath_, place); });
        QRect place(QPoint(), monitor_->defaultSize());
        place.moveCenter(window_.geometry().center());
        monitor_->setGeometry(loadMonitorPlace(profilePath_).value_or(place));
    }
    // Never larger than the free area of the main window's screen, frame
    // included where the window system tells it before the window is shown.
    if (QScreen* screen = window_.screen()) {
        monitor_->winId();  // made now, so that the frame is known
        const QSize frameExtra = monitor_->frameGeometry().size() - monitor_->size();
        QRect available = screen->availableGeometry();
        available.setSize(available.size() - frameExtra);
        monitor_->setGeometry(fitToScreen(monitor_->geometry(), available));
    }
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
    return *monitor_;
}

}  // namespace m8163
