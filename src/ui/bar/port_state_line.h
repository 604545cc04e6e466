#pragma once

#include <QObject>

#include "link/port_state.h"

class QLabel;
class QPushButton;

// The port's state in the connection bar: the open device, or in red why the
// port is not open, with the copy button for the command that grants access
// when a group would.

namespace m8163 {

class PortStateLine : public QObject {
  public:
    // `line` is PortStateLine, `copy` JoinGroupButton; lives as long as the
    // line (its QObject parent).
    PortStateLine(QLabel& line, QPushButton& copy);

    void show(const PortState& state);

  private:
    QLabel& line_;
    QPushButton& copy_;
    QString command_;
};

}  // namespace m8163
