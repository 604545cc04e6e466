#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

#include "ui/monitor/frame_store.h"

class QPushButton;
class QWidget;

// The exchange monitor as the main window holds it: the store that watches
// every exchange from start-up on (the exchange log's switch has no say),
// and the monitor window, made the first time the user opens it with
// "Монитор обмена…" or Ctrl+M. It opens where it was last closed (kept in
// the profile), else at the size that shows a reading whole, centred on the
// main window; never larger than the free area of the screen.

namespace m8163 {

class MessageBoxes;
class MonitorWindow;

class ExchangeMonitor final : public QObject {
  public:
    // Connects `button` ("Монитор обмена…") and Ctrl+M in `window`.
    ExchangeMonitor(QWidget& window, QPushButton& button, MessageBoxes& boxes);
    ~ExchangeMonitor() override;

    // What the line tells of its frames.
    ExchangeObserver* observer() { return &store_; }
    FrameStore& store() { return store_; }
    // Opens the window, or raises it when open.
    MonitorWindow& open();

  private:
    QWidget& window_;
    MessageBoxes& boxes_;
    FrameStore store_;
    // A child of the window, deleted before the store it shows.
    QPointer<MonitorWindow> monitor_;
    // Where its place is kept (the profile), named when it is first opened.
    std::string profilePath_;
};

}  // namespace m8163
