#pragma once

#include <QAbstractListModel>
#include <QString>

// Models for the window's long lists. Their entries follow from their row,
// so nothing is stored: an entry is made when a list asks for it (to paint
// the shown one, or the rows of an open drop-down), and lists with the same
// entries share one model.

namespace m8163::ui {

class GeneratedListModel : public QAbstractListModel {
  public:
    using EntryText = QString (*)(int row);

    GeneratedListModel(int rows, EntryText entry, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    int rows_;
    EntryText entry_;
};

// The module addresses 0 to 247 as "%3u": entry i stands for address i.
QString addressEntry(int row);
// "отключен", then k × 0.1 s as "%3.1f" for k = 1 to 2550.
QString watchdogEntry(int row);

inline constexpr int kAddressEntries = 248;
inline constexpr int kWatchdogEntries = 2551;

}  // namespace m8163::ui
