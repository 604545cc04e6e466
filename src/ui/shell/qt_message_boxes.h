#pragma once

#include "base/message_boxes.h"

class QWidget;

// Message boxes on QMessageBox: modal over the window, with the icon, caption
// and buttons of each kind. Standard buttons speak the application's language
// (the Russian Qt translation is loaded at start-up).

namespace m8163 {

class QtMessageBoxes : public MessageBoxes {
  public:
    explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
    BoxAnswer show(const MessageBox& box) override;

  private:
    QWidget* parent_;
};

}  // namespace m8163
