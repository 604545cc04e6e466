#include "ui/trend_strip.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QDateTime>
#include <QFileDialog>
#include <QMenu>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/message_boxes.h"
#include "config/whole_file.h"
#include "measure/measured_value.h"
#include "ui/command_guard.h"

namespace m8163 {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
// How near, in pixels along the time axis, the pointer must be to a reading
// for its hover text.
constexpr double kHoverReachPixels = 24;

double keyOf(const TrendPoint& point) {
    return static_cast<double>(point.localMs) / 1000.0;
}

bool drawable(const TrendPoint& point) {
    return !point.failed() && std::isfinite(point.value);
}

// The first reading at or after `key`: readings are kept in time order.
std::size_t firstFrom(const TrendHistory& history, double key) {
    std::size_t first = 0;
    std::size_t last = history.size();
    while (first < last) {
        const std::size_t middle = first + (last - first) / 2;
        if (keyOf(history.at(middle)) < key)
            first = middle + 1;
        else
            last = middle;
    }
    return first;
}

// The standard file dialog, starting in the working folder (where the logs
// are) with a name that says what and when.
QString askWithDialog(QWidget* parent, TrendStrip::FileKind kind, const QString& suggestion) {
    const bool picture = kind == TrendStrip::FileKind::Picture;
    QString name = QFileDialog::getSaveFileName(
        parent,
        picture ? QStringLiteral("Сохранить картинку тренда")
                : QStringLiteral("Сохранить историю тренда"),
        suggestion,
        picture ? QStringLiteral("Картинка PNG (*.png)") : QStringLiteral("Таблица CSV (*.csv)"));
    const QString suffix = picture ? QStringLiteral(".png") : QStringLiteral(".csv");
    if (!name.isEmpty() && !name.endsWith(suffix, Qt::CaseInsensitive))
        name += suffix;
    return name;
}

QFont axisFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    return font;
}

}  // namespace

TrendStrip::TrendStrip(QWidget& page, TrendHistory& history, MessageBoxes& boxes,
                       CommandGuard& commands, AskFileName ask)
    : QObject(&page),
      page_(page),
      history_(history),
      boxes_(boxes),
      commands_(commands),
      ask_(std::move(ask)) {
    setObjectName(QStringLiteral("TrendStrip"));
    if (!ask_) {
        ask_ = [this](FileKind kind, const QString& suggestion) {
            return askWithDialog(&page_, kind, suggestion);
        };
    }
}

void TrendStrip::refresh() {
    if (history_.added() == taken_)
        return;
    const bool made = plot_ == nullptr;
    // The key of the last reading the plot had, and whether the new ones
    // were only added after it (nothing dropped at the old end).
    double lastShownKey = kNoValue;
    bool onlyAppended = false;
    if (made) {
        createPlot();
        rebuildData();
    } else {
        const std::uint64_t fresh = history_.added() - taken_;
        if (fresh > history_.size()) {
            rebuildData();
        } else {
            const auto& data = *plot_->graph(0)->data();
            lastShownKey = data.isEmpty() ? kNoValue : (data.constEnd() - 1)->key;
            const int before = data.size();
            for (std::size_t i = history_.size() - fresh; i < history_.size(); ++i)
                addPoint(history_.at(i));
            // The ring has dropped what came before its oldest point.
            const double oldest = keyOf(history_.at(0));
            plot_->graph(0)->data()->removeBefore(oldest);
            plot_->graph(1)->data()->removeBefore(oldest);
            onlyAppended = static_cast<std::uint64_t>(data.size() - before) == fresh;
        }
    }
    taken_ = history_.added();

    // Most readings change neither axis: then only the layer of the curves
    // is drawn again, a fraction of the whole plot's cost.
    const QCPRange keys = plot_->xAxis->range();
    const QCPRange values = plot_->yAxis->range();
    if (following_)
        showLatest();
    fitValues(false);
    if (made || plot_->xAxis->range() != keys || plot_->yAxis->range() != values)
        plot_->replot(QCustomPlot::rpQueuedReplot);
    else if (keys.contains(keyOf(history_.latest())))
        replotCurves(onlyAppended ? lastShownKey : kNoValue);
}

void TrendStrip::replotCurves(double after) {
    // The curves' layer is drawn again into its buffer; on screen only the
    // band from the last reading shown before to the newest changes, so
    // only that band is painted and sent to the display. Each reading then
    // costs a strip of a few pixels instead of the whole plot. When the
    // curve is sampled (more readings than pixels) a new reading may change
    // more than its band: then the whole plot is painted.
    // The time axis knows its rectangle; QCustomPlot::axisRect() would
    // search the plot's whole layout with every reading.
    const QRect area = plot_->xAxis->axisRect()->rect();
    const QCPRange keys = plot_->xAxis->range();
    const std::size_t shown = history_.size() - firstFrom(history_, keys.lower);
    const bool band = std::isfinite(after) && keys.contains(after) &&
                      shown < static_cast<std::size_t>(area.width());
    if (!band) {
        curves_->replot();
        return;
    }
    wholeReplotted_ = false;
    plot_->setAttribute(Qt::WA_UpdatesDisabled, true);
    curves_->replot();
    plot_->setAttribute(Qt::WA_UpdatesDisabled, false);
    if (wholeReplotted_) {
        // The layer could not be drawn on its own: the plot was drawn anew.
        plot_->update();
        return;
    }
    const int from = static_cast<int>(std::floor(plot_->xAxis->coordToPixel(after)));
    const int to =
        static_cast<int>(std::ceil(plot_->xAxis->coordToPixel(keyOf(history_.latest()))));
    // Around the band: the red dot's radius and the curve's pen.
    constexpr int kReach = 5;
    plot_->update(QRect(QPoint(from - kReach, area.top() - kReach),
                        QPoint(to + kReach, area.bottom() + kReach)) &
                  plot_->rect());
}

void TrendStrip::createPlot() {
    plot_ = new QCustomPlot(&page_);
    plot_->setObjectName(QStringLiteral("TrendPlot"));
    plot_->setGeometry(kPlace);
    plot_->setFont(axisFont());
    // Drawn again with every reading: no antialiasing (it costs more than
    // the rest of the drawing), and the plot paints all of its place, so
    // that nothing beneath it is painted first.
    plot_->setNotAntialiasedElements(QCP::aeAll);
    plot_->setPlottingHint(QCP::phFastPolylines, true);
    plot_->setAttribute(Qt::WA_OpaquePaintEvent);
    // The page's colour around a white plotting area, like the value panels.
    plot_->setBackground(page_.palette().color(QPalette::Window));
    plot_->axisRect()->setBackground(Qt::white);

    const QFont font = axisFont();
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
    }
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    // Keys are local wall-clock seconds counted as UTC: shown as they are.
    ticker->setDateTimeSpec(Qt::UTC);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    ticker->setTickCount(8);
    plot_->xAxis->setTicker(ticker);
    plot_->axisRect()->setupFullAxesBox(false);
    plot_->axisRect()->setAutoMargins(QCP::msLeft | QCP::msBottom);
    plot_->axisRect()->setMargins(QMargins(0, 6, 8, 0));

    // Graph 0: the value, broken where an exchange failed. Graph 1: readings
    // with a faulty status word, as red dots on top.
    QCPGraph* values = plot_->addGraph();
    values->setPen(QPen(QColor(0, 70, 160), 1));
    values->setAdaptiveSampling(true);
    QCPGraph* marks = plot_->addGraph();
    marks->setLineStyle(QCPGraph::lsNone);
    marks->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(220, 0, 0), QColor(220, 0, 0), 6));
    // The curves keep a buffer of their own, so that they can be drawn again
    // without the axes and the grid. On top of all other layers, which then
    // share one buffer beneath it: two buffers in all, not three.
    curves_ = plot_->layer(QStringLiteral("main"));
    plot_->moveLayer(curves_, plot_->layer(QStringLiteral("overlay")), QCustomPlot::limAbove);
    curves_->setMode(QCPLayer::lmBuffered);

    QObject::connect(plot_, &QCustomPlot::afterReplot, this, [this] { wholeReplotted_ = true; });
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->axisRect()->setRangeZoomFactor(0.8);
    // A drag or a wheel turn by the user stops following the latest reading.
    QObject::connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                     [this](const QCPRange& range) {
                         if (!movingView_) {
                             following_ = false;
                             spanSeconds_ = range.size();
                         }
                         fitValues(true);
                     });
    QObject::connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) {
        commands_.run(CommandKind::Local, [this] { followLatest(); });
    });
    QObject::connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
        if (event->buttons() != Qt::NoButton)
            return;
        const QString text = hoverText(event->position().toPoint());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPosition().toPoint(), text, plot_);
    });
    plot_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(plot_, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& position) { showMenu(position); });
    plot_->setToolTip(QString());
    plot_->show();
}

void TrendStrip::rebuildData() {
    plot_->graph(0)->data()->clear();
    plot_->graph(1)->data()->clear();
    for (std::size_t i = 0; i < history_.size(); ++i)
        addPoint(history_.at(i));
}

void TrendStrip::addPoint(const TrendPoint& point) {
    const double key = keyOf(point);
    // A failed exchange or a value that is no number breaks the line.
    plot_->graph(0)->addData(key, drawable(point) ? point.value : kNoValue);
    if (drawable(point) && point.status != 0)
        plot_->graph(1)->addData(key, point.value);
}

void TrendStrip::showLatest(bool now) {
    if (history_.empty())
        return;
    const double latest = keyOf(history_.latest());
    const QCPRange shown = plot_->xAxis->range();
    // The time axis moves on in steps of a tenth of the span, when the
    // latest reading reaches the right edge; in between, new readings only
    // extend the curve.
    if (!now && shown.contains(latest) && std::abs(shown.size() - spanSeconds_) < 1e-6)
        return;
    movingView_ = true;
    plot_->xAxis->setRange(latest - spanSeconds_ * 0.9, latest + spanSeconds_ * 0.1);
    movingView_ = false;
}

void TrendStrip::fitValues(bool exactly) {
    if (plot_ == nullptr)
        return;
    const QCPRange shown = plot_->xAxis->range();
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (std::size_t i = firstFrom(history_, shown.lower); i < history_.size(); ++i) {
        const TrendPoint& point = history_.at(i);
        if (keyOf(point) > shown.upper)
            break;
        if (!drawable(point))
            continue;
        low = std::min(low, static_cast<double>(point.value));
        high = std::max(high, static_cast<double>(point.value));
    }
    if (low > high) {
        // Nothing to show in this stretch: keep the scale as it is.
        return;
    }
    // Between moves of the time axis the scale only widens, when a reading
    // falls outside it.
    const QCPRange scale = plot_->yAxis->range();
    if (!exactly && scale.contains(low) && scale.contains(high))
        return;
    // A tenth of the spread above and below; a flat line gets a band of its
    // own size so that its noise, once it comes, is visible.
    double margin = (high - low) * 0.1;
    if (margin <= 0)
        margin = std::max(std::abs(high) * 1e-3, 1e-3);
    plot_->yAxis->setRange(low - margin, high + margin);
}

void TrendStrip::followLatest() {
    following_ = true;
    spanSeconds_ = kDefaultSpanSeconds;
    if (plot_ == nullptr)
        return;
    showLatest(true);
    fitValues(true);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void TrendStrip::savePicture(const QString& path) const {
    // The menu that offers this comes with the plot.
    if (plot_ == nullptr)
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    plot_->toPixmap().save(&buffer, "PNG");
    writeWholeFile(path.toStdString(), bytes.toStdString());
}

void TrendStrip::saveHistory(const QString& path) const {
    writeWholeFile(path.toStdString(), trendCsv(history_));
}

void TrendStrip::clear() {
    const MessageBox question{"История тренда будет удалена. Продолжить?",
                              "Подтвердите действие",
                              BoxIcon::Warning,
                              BoxButtons::YesNo,
                              {}};
    if (boxes_.show(question) != BoxAnswer::Yes)
        return;
    history_.clear();
    taken_ = 0;
    if (plot_ == nullptr)
        return;
    rebuildData();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

QString TrendStrip::hoverText(const QPoint& position) const {
    if (plot_ == nullptr || history_.empty())
        return {};
    const double key = plot_->xAxis->pixelToCoord(position.x());
    // The nearest reading is the first one at or after the pointer or the
    // one before it.
    const std::size_t first = firstFrom(history_, key);
    std::size_t nearest = std::min(first, history_.size() - 1);
    if (first > 0 && (first == history_.size() ||
                      key - keyOf(history_.at(first - 1)) < keyOf(history_.at(first)) - key))
        nearest = first - 1;
    const TrendPoint& point = history_.at(nearest);
    if (std::abs(plot_->xAxis->coordToPixel(keyOf(point)) - position.x()) > kHoverReachPixels)
        return {};

    // The state in the words of the first page's panels.
    MeasurementRecord record;
    record.izmf = point.value;
    const MeasurementView view = measurementView(record, point.status, point.exchangeResult);
    QString text = QString::fromStdString(trendTimeText(point.localMs)).mid(11);
    if (point.failed())
        return text + QStringLiteral("  ") + QString::fromStdString(view.exchange);
    text += QStringLiteral("  ") + QString::number(point.value, 'f', 4);
    // The status bits' text ends in a space of its own.
    text += point.status == 0 ? QStringLiteral("  ") : QStringLiteral(" ");
    return text + QString::fromStdString(view.status);
}

void TrendStrip::showMenu(const QPoint& position) {
    QMenu menu(plot_);
    QAction* follow = menu.addAction(QStringLiteral("Следовать за последними значениями"));
    menu.addSeparator();
    QAction* picture = menu.addAction(QStringLiteral("Сохранить картинку (PNG)..."));
    QAction* table = menu.addAction(QStringLiteral("Сохранить историю (CSV)..."));
    menu.addSeparator();
    QAction* wipe = menu.addAction(QStringLiteral("Очистить историю"));
    QAction* chosen = menu.exec(plot_->mapToGlobal(position));
    if (chosen == nullptr)
        return;
    commands_.run(CommandKind::Local, [&] {
        if (chosen == follow)
            followLatest();
        else if (chosen == picture)
            saveAs(FileKind::Picture);
        else if (chosen == table)
            saveAs(FileKind::History);
        else if (chosen == wipe)
            clear();
    });
}

void TrendStrip::saveAs(FileKind kind) {
    const bool picture = kind == FileKind::Picture;
    const QString suggestion =
        QStringLiteral("trend-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
        (picture ? QStringLiteral(".png") : QStringLiteral(".csv"));
    const QString path = ask_(kind, suggestion);
    if (path.isEmpty())
        return;
    if (picture)
        savePicture(path);
    else
        saveHistory(path);
}

}  // namespace m8163
