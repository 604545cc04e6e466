#include "ui/trend/trend_strip.h"

#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/message_boxes.h"
#include "base/standard_boxes.h"
#include "config/whole_file.h"
#include "measure/measured_value.h"
#include "ui/shell/command_guard.h"
#include "ui/trend/trend_plot_loader.h"

namespace m8163 {

namespace {

// How near, in pixels along the time axis, the pointer must be to a reading
// for its hover text.
constexpr double kHoverReachPixels = 24;

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

TrendStrip::~TrendStrip() = default;

QWidget* TrendStrip::plot() const {
    return plot_ ? plot_->widget() : nullptr;
}

bool TrendStrip::following() const {
    return plot_ ? plot_->following() : true;
}

void TrendStrip::refresh() {
    if (!plot_ && (history_.added() == 0 || !makePlot()))
        return;
    const TrendLabels now = labels();
    plot_->setLabels(QString::fromStdString(now.userText), QString::fromStdString(now.unit));
    plot_->refresh();
}

QString TrendStrip::pictureHeader() const {
    const TrendLabels now = labels();
    QString header = QStringLiteral("Модуль %1").arg(now.moduleAddress);
    if (!now.userText.empty())
        header += QStringLiteral(" «%1»").arg(QString::fromStdString(now.userText));
    if (plot_) {
        // In the form the picture's time axis writes: "10.12.2026 14:32:50".
        const auto time = [](double key) {
            const std::string t =
                trendTimeText(static_cast<std::int64_t>(std::llround(key * 1000)));
            return QString::fromStdString(t.substr(8, 2) + "." + t.substr(5, 2) + "." +
                                          t.substr(0, 4) + " " + t.substr(11, 8));
        };
        header += QStringLiteral(", ") + time(plot_->shownFrom()) + QStringLiteral(" — ") +
                  time(plot_->shownTo());
    }
    return header;
}

bool TrendStrip::makePlot() {
    if (problem_ != nullptr)
        return false;  // tried once already
    // The places are found only now: the start pays nothing for them.
    const TrendPlotModule module =
        loadTrendPlotModule(modulePaths_.isEmpty() ? trendPlotModulePaths() : modulePaths_);
    if (module.make != nullptr) {
        TrendPlotHooks hooks{[this] { commands_.run([this] { followLatest(); }); },
                             [this](const QPoint& position) { showMenu(position); },
                             [this](const QPoint& position) { return hoverText(position); }};
        plot_.reset(module.make(page_, history_, std::move(hooks)));
        return true;
    }
    // The readings go on without the plot; its place says why it is missing.
    std::fprintf(stderr, "m8163: trend plot not loaded: %s\n", qUtf8Printable(module.problem));
    problem_ = new QLabel(QStringLiteral("График тренда недоступен: ") + module.problem, &page_);
    problem_->setObjectName(QStringLiteral("TrendProblem"));
    problem_->setGeometry(kPlace);
    problem_->setWordWrap(true);
    problem_->setAlignment(Qt::AlignCenter);
    problem_->show();
    return false;
}

void TrendStrip::followLatest() {
    if (plot_)
        plot_->followLatest();
}

void TrendStrip::savePicture(const QString& path) const {
    // The menu that offers this comes with the plot.
    if (plot_)
        writeWholeFile(path.toStdString(), plot_->picture(pictureHeader()).toStdString());
}

void TrendStrip::saveHistory(const QString& path) const {
    writeWholeFile(path.toStdString(), trendCsv(history_, labels()));
}

void TrendStrip::clear() {
    if (!confirmed(boxes_, "История тренда будет удалена. Продолжить?"))
        return;
    history_.clear();
    if (plot_)
        plot_->historyCleared();
}

QString TrendStrip::hoverText(const QPoint& position) const {
    if (!plot_ || history_.empty())
        return {};
    const double key = plot_->keyAtPixel(position.x());
    // The nearest reading is the first one at or after the pointer or the
    // one before it.
    const std::size_t first = firstTrendPointFrom(history_, key);
    std::size_t nearest = std::min(first, history_.size() - 1);
    if (first > 0 && (first == history_.size() ||
                      key - trendKey(history_.at(first - 1)) < trendKey(history_.at(first)) - key))
        nearest = first - 1;
    const TrendPoint& point = history_.at(nearest);
    if (std::abs(plot_->pixelOfKey(trendKey(point)) - position.x()) > kHoverReachPixels)
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
    QWidget* plot = this->plot();
    QMenu menu(plot);
    QAction* follow = menu.addAction(QStringLiteral("Следовать за последними значениями"));
    menu.addSeparator();
    QAction* picture = menu.addAction(QStringLiteral("Сохранить картинку (PNG)..."));
    QAction* table = menu.addAction(QStringLiteral("Сохранить историю (CSV)..."));
    menu.addSeparator();
    QAction* wipe = menu.addAction(QStringLiteral("Очистить историю"));
    QAction* chosen = menu.exec(plot->mapToGlobal(position));
    if (chosen == nullptr)
        return;
    commands_.run([&] {
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
