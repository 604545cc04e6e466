#include "ui/monitor/frame_table_model.h"

#include <QColor>

namespace m8163 {

FrameTableModel::FrameTableModel(FrameStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

FrameTableModel::~FrameTableModel() {
    store_.setListener(nullptr);
}

void FrameTableModel::follow() {
    beginResetModel();
    if (!paused_)
        frozen_.clear();
    store_.setListener(watching_ && !paused_ ? this : nullptr);
    endResetModel();
}

void FrameTableModel::setWatching(bool watching) {
    if (watching == watching_)
        return;
    watching_ = watching;
    follow();
}

void FrameTableModel::setPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    if (paused_)
        frozen_ = store_.frames();
    follow();
}

void FrameTableModel::clear() {
    beginResetModel();
    store_.clear();
    frozen_.clear();
    cache_.clear();
    endResetModel();
}

const std::deque<MonitorFrame>& FrameTableModel::frames() const {
    return paused_ ? frozen_ : store_.frames();
}

const MonitorFrame& FrameTableModel::frame(int row) const {
    return frames()[static_cast<std::size_t>(row)];
}

int FrameTableModel::rowCount(const QModelIndex& parent) const {
    // Nothing while closed: the view is hidden and the store may change.
    if (parent.isValid() || (!watching_ && !paused_))
        return 0;
    return static_cast<int>(frames().size());
}

int FrameTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kMonitorColumns;
}

const std::array<std::string, kMonitorColumns>& FrameTableModel::cells(
    const MonitorFrame& frame) const {
    constexpr std::size_t kCachedRows = 512;
    auto found = cache_.find(frame.serial);
    if (found != cache_.end() && found->second.finished == frame.finished)
        return found->second.texts;
    if (cache_.size() >= kCachedRows)
        cache_.clear();
    Cells& cells = cache_[frame.serial];
    cells.finished = frame.finished;
    cells.texts = frameCells(frame);
    return cells.texts;
}

QVariant FrameTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const MonitorFrame& f = frame(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(cells(f)[static_cast<std::size_t>(index.column())]);
        case Qt::ToolTipRole:
            // The long texts in full: the meaning with the registers' hex.
            if (index.column() == kMeaningColumn)
                return QString::fromStdString(frameMeaning(f));
            if (index.column() == kBytesColumn || index.column() == kResultColumn)
                return QString::fromStdString(cells(f)[static_cast<std::size_t>(index.column())]);
            return {};
        case Qt::ForegroundRole:
            if (f.failed())
                return QColor(0xC0, 0x00, 0x00);
            return {};
        default:
            return {};
    }
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kMonitorColumns)
        return {};
    return QString::fromUtf8(kMonitorHeaders[static_cast<std::size_t>(section)]);
}

void FrameTableModel::aboutToDrop(std::size_t count) {
    beginRemoveRows({}, 0, static_cast<int>(count) - 1);
}

void FrameTableModel::dropped() {
    endRemoveRows();
}

void FrameTableModel::aboutToAppend() {
    const int row = static_cast<int>(store_.frames().size());
    beginInsertRows({}, row, row);
}

void FrameTableModel::appended() {
    endInsertRows();
}

void FrameTableModel::outcomeSet(std::size_t index) {
    const int row = static_cast<int>(index);
    emit dataChanged(this->index(row, 0), this->index(row, kMonitorColumns - 1));
}

FailureFilter::FailureFilter(FrameTableModel& frames, QObject* parent)
    : QSortFilterProxyModel(parent), frames_(frames) {
    setSourceModel(&frames);
    setDynamicSortFilter(true);
}

void FailureFilter::setFailuresOnly(bool on) {
    if (on == failuresOnly_)
        return;
    failuresOnly_ = on;
    invalidateFilter();
}

bool FailureFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
    return !failuresOnly_ || parent.isValid() || frames_.frame(row).failed();
}

}  // namespace m8163
