#include "ui/shell/enter_presses_button.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace m8163 {
namespace {

class EnterPressesButton final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        // Only plain Enter (keypad Enter comes with the keypad modifier); a
        // held key presses once.
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = static_cast<QPushButton*>(watched);
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

}  // namespace

void pressButtonsOnEnter(QWidget& root) {
    auto* rule = new EnterPressesButton(&root);
    for (QPushButton* button : root.findChildren<QPushButton*>())
        button->installEventFilter(rule);
}

}  // namespace m8163
