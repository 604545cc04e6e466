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
// The sensor page installs it on its decimal fields (Edit6 ... Edit9, Edit25
// and Edit26) when it is made.

namespace m8163 {

class DecimalKeyFilter : public QObject {
  public:
    explicit DecimalKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Filters the key presses of `edit`; the filter is owned by the edit.
void installDecimalKey(QLineEdit& edit);

}  // namespace m8163
