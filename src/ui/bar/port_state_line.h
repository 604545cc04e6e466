#pragma once

#include <QObject>

#include "link/port_state.h"

class QLabel;
class QPushButton;

// The port's state in the connection bar: the open device, or in red why the
// port is not open and what helps, with the copy button for the command that
// grants access when a group would. What the label cannot hold is cut with
// "…"; its hint has the whole text and the device node a link leads to.

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
