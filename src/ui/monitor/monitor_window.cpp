#include "ui/monitor/monitor_window.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "base/message_boxes.h"
#include "config/whole_file.h"

namespace m8163 {
namespace {

QPushButton* addButton(QHBoxLayout* bar, QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    bar->addWidget(button);
    return button;
}

// What each column needs: its header uncut, and the usual contents whole,
// a reading's meaning included; longer texts are elided, whole in the hint.
std::array<int, kMonitorColumns> columnWidths(const QTableView& table) {
    const QFontMetrics metrics = table.fontMetrics();
    // The item's margins and focus frame on both sides.
    const int padding = 2 * table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    const auto fit = [&](const char* text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text)) + padding;
    };
    std::array<int, kMonitorColumns> widths = {
        fit("00:00:00.000"),
        fit("→ не отправлен"),
        fit("01 03 00 00 00 07 04 08"),
        fit("измеренное значение = -1234.5678; относительное значение = 65535; "
            "статус измерения = норма"),
        fit("99999 мс"),
        metrics.averageCharWidth() * 20 + padding,
    };
    const QHeaderView& header = *table.horizontalHeader();
    for (int column = 0; column < kMonitorColumns; ++column) {
        int& width = widths[static_cast<std::size_t>(column)];
        width = std::max(width, header.sectionSizeHint(column));
    }
    return widths;
}

}  // namespace

MonitorWindow::MonitorWindow(FrameStore& store, MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(store),
      filter_(model_),
      boxes_(boxes),
      table_(new QTableView(this)),
      count_(new QLabel(this)) {
    setObjectName(QStringLiteral("ExchangeMonitor"));
    setWindowTitle(QStringLiteral("Монитор обмена"));

    auto* bar = new QHBoxLayout;
    bar_ = bar;
    auto* failuresOnly = new QCheckBox(QStringLiteral("Только ошибки"), this);
    failuresOnly->setObjectName(QStringLiteral("MonitorFailuresOnly"));
    bar->addWidget(failuresOnly);
    QPushButton* pause = addButton(bar, this, "MonitorPause", "Пауза");
    pause->setCheckable(true);
    QPushButton* clear = addButton(bar, this, "MonitorClear", "Очистить");
    QPushButton* copy = addButton(bar, this, "MonitorCopy", "Копировать");
    QPushButton* save = addButton(bar, this, "MonitorSave", "Сохранить…");
    bar->addStretch(1);
    count_->setObjectName(QStringLiteral("MonitorCount"));
    // Wide enough for any count, so that a new count lays nothing out anew.
    count_->setMinimumWidth(
        count_->fontMetrics().horizontalAdvance(QStringLiteral("Кадров: 00000")));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bar->addWidget(count_);

    table_->setObjectName(QStringLiteral("MonitorTable"));
    table_->setModel(&filter_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Fixed sizes: sizing to contents would format every row.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    // The meaning takes what the others leave.
    header->setSectionResizeMode(kMeaningColumn, QHeaderView::Stretch);
    header->setStretchLastSection(false);
    const std::array<int, kMonitorColumns> widths = columnWidths(*table_);
    for (int column = 0; column < kMonitorColumns; ++column)
        header->resizeSection(column, widths[static_cast<std::size_t>(column)]);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(table_, 1);

    connect(failuresOnly, &QCheckBox::toggled, this,
            [this](bool on) { filter_.setFailuresOnly(on); });
    connect(pause, &QPushButton::toggled, this, [this](bool on) { model_.setPaused(on); });
    connect(clear, &QPushButton::clicked, this, [this] { model_.clear(); });
    connect(copy, &QPushButton::clicked, this, [this] { copySelection(); });
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_);
    connect(copyKey, &QShortcut::activated, this, [this] { copySelection(); });
    connect(save, &QPushButton::clicked, this, [this] { this->save(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    // The newest row stays in sight while the view is at its end.
    connect(&filter_, &QAbstractItemModel::rowsInserted, this, [this] {
        const QScrollBar* bar = table_->verticalScrollBar();
        if (bar->value() >= bar->maximum() - 1)
            table_->scrollToBottom();
        showCount();
    });
    connect(&filter_, &QAbstractItemModel::rowsRemoved, this, [this] { showCount(); });
    connect(&filter_, &QAbstractItemModel::modelReset, this, [this] {
        table_->scrollToBottom();
        showCount();
    });
}

void MonitorWindow::showEvent(QShowEvent* event) {
    model_.setWatching(true);
    QWidget::showEvent(event);
}

QSize MonitorWindow::defaultSize() const {
    int width = 0;
    for (int column = 0; column < kMonitorColumns; ++column)
        width += column == kMeaningColumn ? columnWidths(*table_)[kMeaningColumn]
                                          : table_->horizontalHeader()->sectionSize(column);
    const QMargins margins = layout()->contentsMargins();
    width += 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width() +
             margins.left() + margins.right();
    constexpr int kRows = 20;
    const int height = margins.top() + bar_->sizeHint().height() + layout()->spacing() +
                       2 * table_->frameWidth() + table_->horizontalHeader()->sizeHint().height() +
                       kRows * table_->verticalHeader()->defaultSectionSize() + margins.bottom();
    return {width, height};
}

void MonitorWindow::hideEvent(QHideEvent* event) {
    if (keep_ && !event->spontaneous())
        keep_(geometry());
    model_.setWatching(false);
    QWidget::hideEvent(event);
}

void MonitorWindow::showCount() {
    count_->setText(QStringLiteral("Кадров: %1").arg(filter_.rowCount()));
}

std::vector<const MonitorFrame*> MonitorWindow::shownFrames(bool selectedOnly) const {
    std::vector<int> rows;
    if (selectedOnly) {
        for (const QModelIndex& index : table_->selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
    } else {
        for (int row = 0; row < filter_.rowCount(); ++row)
            rows.push_back(row);
    }
    std::vector<const MonitorFrame*> frames;
    for (int row : rows)
        frames.push_back(&model_.frame(filter_.mapToSource(filter_.index(row, 0)).row()));
    return frames;
}

QString MonitorWindow::copySelection() {
    const QString text = QString::fromStdString(framesText(shownFrames(true)));
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
    return text;
}

QString MonitorWindow::savePath(const QString& typed, const QString& filter) {
    if (typed.isEmpty() || !QFileInfo(typed).suffix().isEmpty())
        return typed;
    return typed + (filter.contains(QStringLiteral("csv")) ? QStringLiteral(".csv")
                                                           : QStringLiteral(".txt"));
}

void MonitorWindow::saveShown(const QString& path) {
    const std::vector<const MonitorFrame*> frames = shownFrames(false);
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    writeWholeFile(path.toStdString(), csv ? framesCsv(frames) : framesText(frames));
}

void MonitorWindow::save() {
    QString path;
    if (ask_) {
        path = ask_();
    } else {
        QString filter;
        path = savePath(
            QFileDialog::getSaveFileName(
                this, QStringLiteral("Сохранить кадры обмена"), QStringLiteral("обмен.txt"),
                QStringLiteral("Текст (*.txt);;Таблица CSV (*.csv)"), &filter),
            filter);
    }
    if (path.isEmpty())
        return;
    try {
        saveShown(path);
    } catch (const std::exception& error) {
        boxes_.show({error.what(), "Монитор обмена", BoxIcon::Error, BoxButtons::Ok, {}});
    }
}

}  // namespace m8163
