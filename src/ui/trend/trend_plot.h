#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <functional>

#include "measure/polling.h"
#include "measure/trend_history.h"

class QWidget;

// The plot of the trend strip, kept in a module of its own that the strip
// loads with the first reading: the plot library and Qt's print support,
// which it brings along, are then neither loaded nor relocated at start.
//
// The module sees only what this header declares and the history's inline
// members; it needs none of the program's own code, so the program exports
// nothing to it. Everything here is inline or abstract for that reason.

namespace m8163 {

// A reading's place on the time axis: local wall-clock seconds.
inline double trendKey(const TrendPoint& point) {
    return static_cast<double>(point.localMs) / 1000.0;
}

// Whether a reading has a value to draw; a failed exchange or a value that
// is no number breaks the line.
inline bool trendDrawable(const TrendPoint& point) {
    return !point.failed() && std::isfinite(point.value);
}

// Two drawable readings further apart than this are not joined by the
// curve: twice the polling period (measure/polling.h), so that a time
// without polling (stopped, single readings) shows as a break, as a failed
// exchange does.
inline constexpr double kTrendJoinSeconds =
    2 * std::chrono::duration<double>(kPollingInterval).count();

// The first reading at or after `key`: readings are kept in time order.
inline std::size_t firstTrendPointFrom(const TrendHistory& history, double key) {
    std::size_t first = 0;
    std::size_t last = history.size();
    while (first < last) {
        const std::size_t middle = first + (last - first) / 2;
        if (trendKey(history.at(middle)) < key)
            first = middle + 1;
        else
            last = middle;
    }
    return first;
}

// What the plot asks of the strip when the user acts on it.
struct TrendPlotHooks {
    std::function<void()> doubleClicked;              // back to following the latest
    std::function<void(const QPoint&)> menuAsked;     // the strip's menu at a place
    std::function<QString(const QPoint&)> hoverText;  // empty: no tip
};

class TrendPlot {
  public:
    // The band below the measurement log check box (which ends at 345) and
    // above the page's bottom edge: no control of the page lies in it.
    static constexpr QRect kPlace{8, 352, 857, 146};
    // The time axis shows this much when it follows the latest reading.
    static constexpr double kDefaultSpanSeconds = 10 * 60;

    virtual ~TrendPlot() = default;

    // The plot's widget (a QCustomPlot), on the page in the strip's place.
    virtual QWidget* widget() const = 0;
    // Takes the readings added to the history since the last call and
    // queues one redraw; does nothing when there is none.
    virtual void refresh() = 0;
    // After the history was cleared: shows it anew.
    virtual void historyCleared() = 0;
    virtual bool following() const = 0;
    // Back to the last kDefaultSpanSeconds, moving on with each reading.
    virtual void followLatest() = 0;
    // The title above the plot (the module's user text; empty: none) and
    // the unit that names the value axis (empty: none).
    virtual void setLabels(const QString& title, const QString& unit) = 0;
    // The first and last key the time axis shows.
    virtual double shownFrom() const = 0;
    virtual double shownTo() const = 0;
    // The plot as a PNG picture under a line of `header`, its time axis
    // with dates.
    virtual QByteArray picture(const QString& header) const = 0;
    // The time axis: the key at a pixel column, the column of a key.
    virtual double keyAtPixel(double x) const = 0;
    virtual double pixelOfKey(double key) const = 0;
};

// The module's one entry point: makes the plot on `page` over `history`,
// both outliving it. The caller owns the result.
using MakeTrendPlot = TrendPlot*(QWidget& page, const TrendHistory& history, TrendPlotHooks hooks);
inline constexpr char kMakeTrendPlotSymbol[] = "m8163MakeTrendPlot";

}  // namespace m8163
