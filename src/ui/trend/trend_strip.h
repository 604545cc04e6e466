#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "measure/trend_history.h"
#include "ui/trend/trend_plot.h"

class QLabel;
class QWidget;

// The trend strip of the first page: the measured value of every reading
// against local time, in the free band below the counters. The plot is made
// with the first reading, from a module loaded then (ui/trend_plot.h), so a
// program that never reads pays nothing for it; after that it is drawn
// again only when a reading came in or the user moved the view. The strip's
// menu, its saves and its hover text are the program's own.

namespace m8163 {

class CommandGuard;
class MessageBoxes;

class TrendStrip : public QObject {
  public:
    static constexpr QRect kPlace = TrendPlot::kPlace;

    enum class FileKind { Picture, History };
    // What names the trend: asked with each refresh and each save.
    using LabelSource = std::function<TrendLabels()>;
    // Asks the user where to save; an empty name means the user cancelled.
    using AskFileName = std::function<QString(FileKind kind, const QString& suggestion)>;

    // `page` is the first page; the strip lives as long as it. `ask` left
    // empty asks with the standard file dialog.
    TrendStrip(QWidget& page, TrendHistory& history, MessageBoxes& boxes, CommandGuard& commands,
               AskFileName ask = {});
    ~TrendStrip() override;

    // Takes the readings added since the last call and queues one redraw;
    // does nothing when there is none. The plot's title and unit follow the
    // labels.
    void refresh();

    // The plot's widget, a QCustomPlot; null until the first reading, and
    // when the plot could not be loaded.
    QWidget* plot() const;
    // What the strip's place says when the plot could not be loaded; null
    // otherwise.
    QLabel* problem() const { return problem_; }
    bool following() const;
    // Back to the last TrendPlot::kDefaultSpanSeconds, moving on with each
    // reading.
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
    // Left empty, the trend has no labels but its module number 0.
    void setLabelSource(LabelSource labels) { labels_ = std::move(labels); }
    TrendLabels labels() const { return labels_ ? labels_() : TrendLabels{}; }
    // The picture's header line: module, user text, the time span shown.
    QString pictureHeader() const;
    // Where the plot is looked for at the first reading; empty (as at
    // first): the program's own places, trendPlotModulePaths().
    void setPlotModulePaths(QStringList paths) { modulePaths_ = std::move(paths); }

    // What hovering at `position` (in the plot's pixels) shows: time, value
    // and state of the nearest reading, or nothing when none is near.
    QString hoverText(const QPoint& position) const;

  private:
    // Loads the plot's module and makes the plot; false when it cannot.
    bool makePlot();
    void showMenu(const QPoint& position);

    QWidget& page_;
    TrendHistory& history_;
    MessageBoxes& boxes_;
    CommandGuard& commands_;
    AskFileName ask_;
    LabelSource labels_;
    QStringList modulePaths_;  // empty: trendPlotModulePaths()
    std::unique_ptr<TrendPlot> plot_;
    QLabel* problem_ = nullptr;  // shown in the plot's place when it cannot be made
};

}  // namespace m8163
