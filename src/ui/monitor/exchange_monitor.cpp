#include "ui/monitor/exchange_monitor.h"

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

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
    delete monitor_.data();
}

MonitorWindow& ExchangeMonitor::open() {
    if (monitor_ == nullptr)
        monitor_ = new MonitorWindow(store_, boxes_, &window_);
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
    return *monitor_;
}

}  // namespace m8163
