#include "ui/window/first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace m8163 {

namespace {

// Watches the paint events of the whole application until one reaches the
// window or a widget in it: a window whose client area is covered by
// children that paint themselves gets none of its own.
class FirstPaintWatch : public QObject {
  public:
    FirstPaintWatch(QWidget& window, std::function<void()> action)
        : QObject(&window), window_(window), action_(std::move(action)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || done_ || !watched->isWidgetType() ||
            static_cast<QWidget*>(watched)->window() != &window_)
            return false;
        done_ = true;
        QCoreApplication::instance()->removeEventFilter(this);
        // The paint event comes before the window's contents are drawn
        // and flushed; a zero timer fires once that pass has ended.
        QTimer::singleShot(0, &window_, std::move(action_));
        deleteLater();
        return false;
    }

  private:
    QWidget& window_;
    std::function<void()> action_;
    bool done_ = false;
};

}  // namespace

void afterFirstPaint(QWidget& window, std::function<void()> action) {
    new FirstPaintWatch(window, std::move(action));
}

}  // namespace m8163
