#pragma once

#include <QObject>

class QEvent;
class QLineEdit;
class QWidget;

// The typing aid of the decimal fields: a "." or "," typed into the field
// enters ".", the one decimal point that the real reader accepts, whatever
// the keyboard layout or locale (a Russian layout gives "," on the keypad's
// decimal key). Text pasted or set by the program is not changed.
//
// The window calls installDecimalKeys(window) once after building its
// controls (the key reactions Edit6KeyDown ... Edit9KeyDown, Edit25KeyDown,
// Edit26KeyDown).

namespace m8163 {

class DecimalKeyFilter : public QObject {
  public:
    explicit DecimalKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Filters the key presses of `edit`; the filter is owned by the edit.
void installDecimalKey(QLineEdit& edit);

// Installs the filter on the decimal fields Edit6, Edit7, Edit8, Edit9,
// Edit25 and Edit26 below `window`. A missing field throws std::logic_error.
void installDecimalKeys(QWidget& window);

}  // namespace m8163
