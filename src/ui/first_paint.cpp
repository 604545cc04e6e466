#include "ui/first_paint.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace m8163 {

namespace {

class FirstPaintWatch : public QObject {
  public:
    FirstPaintWatch(QWidget& window, std::function<void()> action)
        : QObject(&window), action_(std::move(action)) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The paint event comes before the window's contents are drawn
            // and flushed; a zero timer fires once that pass has ended.
            QTimer::singleShot(0, watched, std::move(action_));
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> action_;
};

}  // namespace

void afterFirstPaint(QWidget& window, std::function<void()> action) {
    new FirstPaintWatch(window, std::move(action));
}

}  // namespace m8163
