// The trend strip's plot, drawn with QCustomPlot: a module of its own that
// the strip loads with the first reading (see ui/trend/trend_plot.h).
#include <qcustomplot.h>

#include <QBuffer>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "measure/trend_history.h"
#include "ui/trend/trend_plot.h"

namespace m8163 {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

QFont axisFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    return font;
}

class QcpTrendPlot final : public TrendPlot {
  public:
    QcpTrendPlot(QWidget& page, const TrendHistory& history, TrendPlotHooks hooks);
    // The plot goes with it; the page may have taken it already.
    ~QcpTrendPlot() override { delete plot_.data(); }

    QWidget* widget() const override { return plot_; }
    void refresh() override;
    void historyCleared() override;
    bool following() const override { return following_; }
    void followLatest() override;
    void setLabels(const QString& title, const QString& unit) override;
    double shownFrom() const override { return plot_->xAxis->range().lower; }
    double shownTo() const override { return plot_->xAxis->range().upper; }
    QByteArray picture(const QString& header) const override;
    double keyAtPixel(double x) const override { return plot_->xAxis->pixelToCoord(x); }
    double pixelOfKey(double key) const override { return plot_->xAxis->coordToPixel(key); }

  private:
    void rebuildData();
    // The number of points the curve got (a break before the reading adds
    // one).
    int addPoint(const TrendPoint& point);
    // The tip for the pointer at `position`, asked and shown only when the
    // pointer has moved.
    void hover(const QPoint& position, const QPoint& global);
    // Draws the curves again after readings were added; `after` is the key
    // of the last reading drawn before them, NaN when not known.
    void replotCurves(double after);
    // Keeps the latest reading in view; `now` puts it there even when it is.
    void showLatest(bool now = false);
    // Scales the value axis to the readings shown; unless `exactly`, only
    // when one of them lies outside the scale.
    void fitValues(bool exactly);
    // Times with their dates where the axis crosses midnight or `always`.
    void dateTimeAxis(bool always) const;

    const TrendHistory& history_;
    TrendPlotHooks hooks_;
    QPointer<QCustomPlot> plot_;
    QCPLayer* curves_ = nullptr;  // the curves' layer, drawn again with each reading
    std::uint64_t taken_ = 0;     // history.added() already in the plot
    bool made_ = true;            // nothing drawn yet
    bool following_ = true;
    bool movingView_ = false;      // the plot itself moves the time axis
    bool wholeReplotted_ = false;  // set by every replot of the whole plot
    double spanSeconds_ = kDefaultSpanSeconds;
    QPoint hoveredAt_{-1, -1};  // where the pointer last moved to
    QString hoverShown_;        // the tip shown for it, empty for none
    QSharedPointer<QCPAxisTickerDateTime> ticker_;
    QCPTextElement* title_ = nullptr;  // in the layout while there is a title
};

QcpTrendPlot::QcpTrendPlot(QWidget& page, const TrendHistory& history, TrendPlotHooks hooks)
    : history_(history), hooks_(std::move(hooks)), plot_(new QCustomPlot(&page)) {
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
    plot_->setBackground(page.palette().color(QPalette::Window));
    plot_->axisRect()->setBackground(Qt::white);

    const QFont font = axisFont();
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
    }
    ticker_ = QSharedPointer<QCPAxisTickerDateTime>::create();
    // Keys are local wall-clock seconds counted as UTC: shown as they are.
    ticker_->setDateTimeSpec(Qt::UTC);
    dateTimeAxis(false);
    plot_->xAxis->setTicker(ticker_);
    plot_->axisRect()->setupFullAxesBox(false);
    plot_->axisRect()->setAutoMargins(QCP::msLeft | QCP::msBottom);
    plot_->axisRect()->setMargins(QMargins(0, 6, 8, 0));

    // Graph 0: the value, broken where an exchange failed or no reading came
    // for a while. Graph 1: readings with a faulty status word, as red dots
    // on top. Graph 2: readings that the curve joins to no other (the very
    // first, a single reading), as dots of the curve's colour.
    const QColor curve(0, 70, 160);
    QCPGraph* values = plot_->addGraph();
    values->setPen(QPen(curve, 1));
    values->setAdaptiveSampling(true);
    QCPGraph* marks = plot_->addGraph();
    marks->setLineStyle(QCPGraph::lsNone);
    marks->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(220, 0, 0), QColor(220, 0, 0), 6));
    QCPGraph* lone = plot_->addGraph();
    lone->setLineStyle(QCPGraph::lsNone);
    lone->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, curve, curve, 4));
    // The curves keep a buffer of their own, so that they can be drawn again
    // without the axes and the grid. On top of all other layers, which then
    // share one buffer beneath it: two buffers in all, not three.
    curves_ = plot_->layer(QStringLiteral("main"));
    plot_->moveLayer(curves_, plot_->layer(QStringLiteral("overlay")), QCustomPlot::limAbove);
    curves_->setMode(QCPLayer::lmBuffered);

    QObject::connect(plot_, &QCustomPlot::afterReplot, plot_, [this] { wholeReplotted_ = true; });
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    plot_->axisRect()->setRangeZoomFactor(0.8);
    // A drag or a wheel turn by the user stops following the latest reading.
    QObject::connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_,
                     [this](const QCPRange& range) {
                         if (!movingView_) {
                             following_ = false;
                             spanSeconds_ = range.size();
                         }
                         dateTimeAxis(false);
                         fitValues(true);
                     });
    QObject::connect(plot_, &QCustomPlot::mouseDoubleClick, plot_,
                     [this](QMouseEvent*) { hooks_.doubleClicked(); });
    QObject::connect(plot_, &QCustomPlot::mouseMove, plot_, [this](QMouseEvent* event) {
        if (event->buttons() == Qt::NoButton)
            hover(event->position().toPoint(), event->globalPosition().toPoint());
    });
    plot_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(plot_, &QWidget::customContextMenuRequested, plot_,
                     [this](const QPoint& position) { hooks_.menuAsked(position); });
    plot_->setToolTip(QString());
    plot_->show();
}

void QcpTrendPlot::hover(const QPoint& position, const QPoint& global) {
    // A pointer at rest still gets moves at the same place (a window shown
    // or repainted under it, the tip itself): asking for the tip and showing
    // it again then talks to the window system for nothing, over and over.
    if (position == hoveredAt_)
        return;
    hoveredAt_ = position;
    const QString text = hooks_.hoverText(position);
    if (text == hoverShown_ && (text.isEmpty() || QToolTip::isVisible()))
        return;
    hoverShown_ = text;
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(global, text, plot_);
}

void QcpTrendPlot::refresh() {
    if (!made_ && history_.added() == taken_)
        return;
    const bool made = made_;
    made_ = false;
    // The key of the last reading the plot had, and whether the new ones
    // were only added after it (nothing dropped at the old end).
    double lastShownKey = kNoValue;
    bool onlyAppended = false;
    const std::uint64_t fresh = history_.added() - taken_;
    if (made || fresh > history_.size()) {
        rebuildData();
    } else {
        const auto& data = *plot_->graph(0)->data();
        lastShownKey = data.isEmpty() ? kNoValue : (data.constEnd() - 1)->key;
        const int before = data.size();
        int added = 0;
        for (std::size_t i = history_.size() - fresh; i < history_.size(); ++i)
            added += addPoint(history_.at(i));
        // The ring has dropped what came before its oldest point.
        const double oldest = trendKey(history_.at(0));
        for (int graph = 0; graph < plot_->graphCount(); ++graph)
            plot_->graph(graph)->data()->removeBefore(oldest);
        onlyAppended = data.size() - before == added;
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
    else if (keys.contains(trendKey(history_.latest())))
        replotCurves(onlyAppended ? lastShownKey : kNoValue);
}

void QcpTrendPlot::historyCleared() {
    taken_ = history_.added();
    rebuildData();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpTrendPlot::replotCurves(double after) {
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
    const std::size_t shown = history_.size() - firstTrendPointFrom(history_, keys.lower);
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
        static_cast<int>(std::ceil(plot_->xAxis->coordToPixel(trendKey(history_.latest()))));
    // Around the band: the red dot's radius and the curve's pen.
    constexpr int kReach = 5;
    plot_->update(QRect(QPoint(from - kReach, area.top() - kReach),
                        QPoint(to + kReach, area.bottom() + kReach)) &
                  plot_->rect());
}

void QcpTrendPlot::rebuildData() {
    for (int graph = 0; graph < plot_->graphCount(); ++graph)
        plot_->graph(graph)->data()->clear();
    for (std::size_t i = 0; i < history_.size(); ++i)
        addPoint(history_.at(i));
}

int QcpTrendPlot::addPoint(const TrendPoint& point) {
    const double key = trendKey(point);
    QCPGraphDataContainer& curve = *plot_->graph(0)->data();
    QCPGraphDataContainer& lone = *plot_->graph(2)->data();
    if (!trendDrawable(point)) {
        curve.add(QCPGraphData(key, kNoValue));
        return 1;
    }
    int added = 0;
    // The reading before, when the curve joins this one to it.
    const QCPGraphData* joined = nullptr;
    if (!curve.isEmpty()) {
        const QCPGraphData& last = *(curve.constEnd() - 1);
        if (!std::isnan(last.value) && key - last.key <= kTrendJoinSeconds) {
            joined = &last;
        } else if (!std::isnan(last.value)) {
            // No reading for a while: a break, as a failed exchange makes.
            curve.add(QCPGraphData((last.key + key) / 2, kNoValue));
            ++added;
        }
    }
    if (joined != nullptr) {
        // The reading before is no longer alone.
        if (!lone.isEmpty() && (lone.constEnd() - 1)->key == joined->key)
            lone.remove(joined->key);
    } else {
        lone.add(QCPGraphData(key, point.value));
    }
    curve.add(QCPGraphData(key, point.value));
    if (point.status != 0)
        plot_->graph(1)->addData(key, point.value);
    return added + 1;
}

void QcpTrendPlot::showLatest(bool now) {
    if (history_.empty())
        return;
    const double latest = trendKey(history_.latest());
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

void QcpTrendPlot::fitValues(bool exactly) {
    const QCPRange shown = plot_->xAxis->range();
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (std::size_t i = firstTrendPointFrom(history_, shown.lower); i < history_.size(); ++i) {
        const TrendPoint& point = history_.at(i);
        if (trendKey(point) > shown.upper)
            break;
        if (!trendDrawable(point))
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

void QcpTrendPlot::followLatest() {
    following_ = true;
    spanSeconds_ = kDefaultSpanSeconds;
    showLatest(true);
    fitValues(true);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpTrendPlot::dateTimeAxis(bool always) const {
    constexpr double kDaySeconds = 24 * 60 * 60;
    const QCPRange shown = plot_->xAxis->range();
    const bool dated =
        always || std::floor(shown.lower / kDaySeconds) != std::floor(shown.upper / kDaySeconds);
    const QString format =
        dated ? QStringLiteral("dd.MM.yyyy\nhh:mm:ss") : QStringLiteral("hh:mm:ss");
    if (ticker_->dateTimeFormat() == format)
        return;
    ticker_->setDateTimeFormat(format);
    ticker_->setTickCount(dated ? 6 : 8);
}

void QcpTrendPlot::setLabels(const QString& title, const QString& unit) {
    bool changed = false;
    if (plot_->yAxis->label() != unit) {
        plot_->yAxis->setLabel(unit);
        changed = true;
    }
    const QString shownTitle = title_ ? title_->text() : QString();
    if (shownTitle != title) {
        if (title.isEmpty()) {
            plot_->plotLayout()->remove(title_);
            plot_->plotLayout()->simplify();
            title_ = nullptr;
        } else if (title_) {
            title_->setText(title);
        } else {
            plot_->plotLayout()->insertRow(0);
            QFont font = axisFont();
            font.setBold(true);
            title_ = new QCPTextElement(plot_, title, font);
            title_->setMargins(QMargins(0, 2, 0, 0));
            plot_->plotLayout()->addElement(0, 0, title_);
        }
        changed = true;
    }
    if (changed)
        plot_->replot(QCustomPlot::rpQueuedReplot);
}

QByteArray QcpTrendPlot::picture(const QString& header) const {
    // Drawn with dates for the picture only; the window's axis goes back as
    // it was.
    const QString format = ticker_->dateTimeFormat();
    const int ticks = ticker_->tickCount();
    dateTimeAxis(true);
    const QPixmap drawn = plot_->toPixmap();
    ticker_->setDateTimeFormat(format);
    ticker_->setTickCount(ticks);
    plot_->replot(QCustomPlot::rpQueuedReplot);

    QFont font = axisFont();
    font.setBold(true);
    const int headerHeight = QFontMetrics(font).height() + 6;
    QPixmap page(drawn.width(), drawn.height() + headerHeight);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(4, 0, page.width() - 8, headerHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     header);
    painter.drawPixmap(0, headerHeight, drawn);
    painter.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    page.save(&buffer, "PNG");
    return bytes;
}

}  // namespace

}  // namespace m8163

extern "C" __attribute__((visibility("default"))) m8163::TrendPlot* m8163MakeTrendPlot(
    QWidget& page, const m8163::TrendHistory& history, m8163::TrendPlotHooks hooks) {
    return new m8163::QcpTrendPlot(page, history, std::move(hooks));
}
