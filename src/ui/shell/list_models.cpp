#include "ui/shell/list_models.h"

namespace m8163::ui {

GeneratedListModel::GeneratedListModel(int rows, EntryText entry, QObject* parent)
    : QAbstractListModel(parent), rows_(rows), entry_(entry) {}

int GeneratedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant GeneratedListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return entry_(index.row());
}

QString addressEntry(int row) {
    return QString::asprintf("%3u", static_cast<unsigned>(row));
}

QString watchdogEntry(int row) {
    if (row == 0) {
        return QStringLiteral("отключен");
    }
    return QString::asprintf("%3.1f", row * 0.1);
}

}  // namespace m8163::ui
