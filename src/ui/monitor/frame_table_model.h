#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <array>
#include <deque>
#include <string>
#include <unordered_map>

#include "ui/monitor/frame_cells.h"
#include "ui/monitor/frame_store.h"

// The monitor's table over the frame store. It follows the store only while
// it is watched (the window open and not paused); otherwise the store records
// alone and the table is rebuilt when watching starts again. Cells are
// formatted when the view asks for them, so only the rows on screen cost.

namespace m8163 {

class FrameTableModel final : public QAbstractTableModel, private FrameStore::Listener {
  public:
    explicit FrameTableModel(FrameStore& store, QObject* parent = nullptr);
    ~FrameTableModel() override;

    // The window is open: follow the store.
    void setWatching(bool watching);
    // Keeps showing the frames of this moment; the store goes on recording,
    // and resuming shows everything it has.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Forgets every frame recorded so far.
    void clear();

    const MonitorFrame& frame(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void aboutToDrop(std::size_t count) override;
    void dropped() override;
    void aboutToAppend() override;
    void appended() override;
    void outcomeSet(std::size_t index) override;

    const std::deque<MonitorFrame>& frames() const;
    const std::array<std::string, kMonitorColumns>& cells(const MonitorFrame& frame) const;
    void follow();

    FrameStore& store_;
    std::deque<MonitorFrame> frozen_;  // while paused
    bool watching_ = false;
    bool paused_ = false;
    // The cells of the rows formatted lately, by serial and outcome: a view
    // asks for every column of every row on screen at each repaint. Emptied
    // when it outgrows a few screens.
    struct Cells {
        bool finished = false;
        std::array<std::string, kMonitorColumns> texts;
    };
    mutable std::unordered_map<std::uint64_t, Cells> cache_;
};

// Rows of failed exchanges only, while switched on.
class FailureFilter final : public QSortFilterProxyModel {
  public:
    explicit FailureFilter(FrameTableModel& frames, QObject* parent = nullptr);
    void setFailuresOnly(bool on);

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

  private:
    FrameTableModel& frames_;
    bool failuresOnly_ = false;
};

}  // namespace m8163
