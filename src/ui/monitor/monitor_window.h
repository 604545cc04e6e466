#pragma once

#include <QWidget>
#include <functional>

#include "ui/monitor/frame_table_model.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

// "Монитор обмена": a window of its own, not modal, with one row a frame of
// the line: time, direction, bytes, meaning, and for a reply the exchange's
// duration and result; failed exchanges in red. It can show failures only,
// pause, clear, copy the selected rows and save the rows it shows as text or
// CSV.

namespace m8163 {

class MessageBoxes;

class MonitorWindow final : public QWidget {
  public:
    // Asks where to save: the path, or empty when the user cancels.
    using AskFileName = std::function<QString()>;

    MonitorWindow(FrameStore& store, MessageBoxes& boxes, QWidget* parent);

    void setFileNameAsker(AskFileName ask) { ask_ = std::move(ask); }
    FrameTableModel& model() { return model_; }

    // The selected rows as text, in the order shown; also to the clipboard.
    QString copySelection();
    // The rows shown, to `path`: CSV when it ends in ".csv", else text.
    void saveShown(const QString& path);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    std::vector<const MonitorFrame*> shownFrames(bool selectedOnly) const;
    void save();
    void showCount();

    FrameTableModel model_;
    FailureFilter filter_;
    MessageBoxes& boxes_;
    AskFileName ask_;
    QTableView* table_;
    QLabel* count_;
};

}  // namespace m8163
