#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

#include "measure/trend_history.h"

class QCPLayer;
class QCustomPlot;
class QWidget;

// The trend strip of the first page: the measured value of every reading
// against local time, in the free band below the counters. The plot is made
// with the first reading, so a program that never reads pays nothing for it;
// after that it is drawn again only when a reading came in or the user moved
// the view.

namespace m8163 {

class CommandGuard;
class MessageBoxes;

class TrendStrip : public QObject {
  public:
    // The band below the measurement log check box (which ends at 345) and
    // above the page's bottom edge: no control of the page lies in it.
    static constexpr QRect kPlace{8, 352, 857, 146};
    // What the strip shows when it follows the latest reading.
    static constexpr double kDefaultSpanSeconds = 10 * 60;

    enum class FileKind { Picture, History };
    // Asks the user where to save; an empty name means the user cancelled.
    using AskFileName = std::function<QString(FileKind kind, const QString& suggestion)>;

    // `page` is the first page; the strip lives as long as it. `ask` left
    // empty asks with the standard file dialog.
    TrendStrip(QWidget& page, TrendHistory& history, MessageBoxes& boxes, CommandGuard& commands,
               AskFileName ask = {});

    // Takes the readings added since the last call and queues one redraw;
    // does nothing when there is none.
    void refresh();

    // Null until the first reading.
    QCustomPlot* plot() const { return plot_; }
    bool following() const { return following_; }
    // Back to the last kDefaultSpanSeconds, moving on with each reading.
    void followLatest();

    // The commands of the strip's menu. The saves throw SettingsFileError
    // with the file's name and the reason; the file is then left as it was.
    void savePicture(const QString& path) const;
    void saveHistory(const QString& path) const;
    // Asks first; the kept history is gone after a Yes.
    void clear();
    // The menu's save commands: ask for a file name, then save there.
    void saveAs(FileKind kind);
    void setFileNameAsker(AskFileName ask) { ask_ = std::move(ask); }

    // What hovering at `position` (in the plot's pixels) shows: time, value
    // and state of the nearest reading, or nothing when none is near.
    QString hoverText(const QPoint& position) const;

  private:
    void createPlot();
    void rebuildData();
    void addPoint(const TrendPoint& point);
    // Draws the curves again after readings were added; `after` is the key
    // of the last reading drawn before them, NaN when not known.
    void replotCurves(double after);
    // Keeps the latest reading in view; `now` puts it there even when it is.
    void showLatest(bool now = false);
    // Scales the value axis to the readings shown; unless `exactly`, only
    // when one of them lies outside the scale.
    void fitValues(bool exactly);
    void showMenu(const QPoint& position);

    QWidget& page_;
    TrendHistory& history_;
    MessageBoxes& boxes_;
    CommandGuard& commands_;
    AskFileName ask_;
    QCustomPlot* plot_ = nullptr;
    QCPLayer* curves_ = nullptr;  // the curves' layer, drawn again with each reading
    std::uint64_t taken_ = 0;     // history.added() already in the plot
    bool following_ = true;
    bool movingView_ = false;      // the strip itself moves the time axis
    bool wholeReplotted_ = false;  // set by every replot of the whole plot
    double spanSeconds_ = kDefaultSpanSeconds;
};

}  // namespace m8163
