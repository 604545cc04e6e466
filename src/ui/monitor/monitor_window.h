#pragma once

#include <QWidget>
#include <functional>

#include "ui/monitor/frame_table_model.h"

class QCheckBox;
class QLayout;
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
    // Told of the window's place each time it is closed.
    void setPlaceKeeper(std::function<void(const QRect&)> keep) { keep_ = std::move(keep); }
    // The size at which the columns show a reading's meaning whole and
    // every header uncut.
    QSize defaultSize() const;
    FrameTableModel& model() { return model_; }

    // The selected rows as text, in the order shown; also to the clipboard.
    QString copySelection();
    // The rows shown, to `path`: CSV when it ends in ".csv", else text.
    void saveShown(const QString& path);
    // The file a save dialog's answer names: the name as typed when it has
    // an extension of its own (the extension chooses the format), else with
    // the extension of the chosen filter.
    static QString savePath(const QString& typed, const QString& filter);

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
    std::function<void(const QRect&)> keep_;
    QTableView* table_;
    QLayout* bar_ = nullptr;
    QLabel* count_;
};

}  // namespace m8163
