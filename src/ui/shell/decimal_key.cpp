#include "ui/shell/decimal_key.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace m8163 {

bool DecimalKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr || edit->isReadOnly())
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    // A shortcut such as Ctrl+. is not typing.
    const Qt::KeyboardModifiers typing = Qt::ShiftModifier | Qt::KeypadModifier;
    if ((key->modifiers() & ~typing) != Qt::NoModifier)
        return false;
    if (key->text() != QStringLiteral(",") && key->text() != QStringLiteral("."))
        return false;
    // insert() replaces a selection and keeps the field's length limit and
    // validator, as typing does.
    edit->insert(QStringLiteral("."));
    return true;
}

void installDecimalKey(QLineEdit& edit) {
    edit.installEventFilter(new DecimalKeyFilter(&edit));
}

}  // namespace m8163
