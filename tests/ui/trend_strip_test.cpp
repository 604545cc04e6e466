#include "ui/trend/trend_strip.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QTabWidget>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "config/ini_file.h"
#include "module/register_codec.h"
#include "program_window.h"
#include "protocol/exchange_result.h"
#include "recorders.h"
#include "scoped_time_zone.h"
#include "scripted_port.h"
#include "ui/measure/measure_page.h"
#include "ui/trend/trend_plot_loader.h"
#include "ui/window/program_window.h"

namespace m8163 {
namespace {

// The window as main builds it on the first page, the module at address 1,
// a clock that the test steps by about a polling cycle per reading.
class TrendStripTest : public ::testing::Test {
  protected:
    AppState state;
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    test::RecordingPump pump;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window;
    std::filesystem::path folder;

    void SetUp() override {
        char name[] = "/tmp/m8163-trend-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        state.connection.moduleAddress = 1;
        clock.time = {2026, 12, 10, 14, 30, 0, 0};
    }
    void TearDown() override {
        window.reset();
        std::filesystem::remove_all(folder);
    }
    void openWindow() {
        window = makeProgramWindow(state, port, WindowSeams{&boxes, &pump, &clock});
        // The page over the state as the test sets it: no start-up sequence.
        ASSERT_TRUE(window->commands().runStartup([](LineLease&) { return true; }));
        window->selectPage(TForm1::kMeasurePage);
        window->show();
    }
    MeasurePage& page() { return window->measurePage(); }
    TrendStrip& strip() { return page().trend(); }
    // The plot, made by its module with the first reading.
    QCustomPlot* customPlot() { return qobject_cast<QCustomPlot*>(strip().plot()); }
    // A mouse event of `type` at `position` on `widget`, the left button
    // changing or held.
    static void mouse(QWidget& widget, QEvent::Type type, QPointF position) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, position, widget.mapToGlobal(position),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }
    QWidget& firstPage() { return *window->notebook().widget(TForm1::kMeasurePage); }

    // One polling cycle: a reply with `value` and `status`, or silence.
    void cycle(std::optional<float> value, std::uint16_t status = 0) {
        if (value) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &*value, sizeof bits);
            port.replyRegisters(1, {static_cast<std::uint16_t>(bits >> 16),
                                    static_cast<std::uint16_t>(bits & 0xFFFF), 0, status, 0, 0, 0});
        } else {
            port.silence();
        }
        page().pollingTimerTick();
        clock.time.second += 1;
        // The queued redraw runs on the next turn of the event loop, its
        // paint on the turn after.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    std::vector<std::pair<double, double>> graphData(int graph) {
        std::vector<std::pair<double, double>> data;
        for (const QCPGraphData& point : *customPlot()->graph(graph)->data())
            data.emplace_back(point.key, point.value);
        return data;
    }
    static double keyAt(unsigned second) {
        return static_cast<double>(localMilliseconds({2026, 12, 10, 14, 30, second, 0})) / 1000;
    }
};

TEST_F(TrendStripTest, ReadingsGivePointsGapsAndMarks) {
    openWindow();
    page().setPolling(true);
    EXPECT_EQ(strip().plot(), nullptr);  // nothing made before the first reading
    cycle(25.0f);
    ASSERT_NE(strip().plot(), nullptr);
    cycle(25.5f, 0x0001);  // "Обрыв"
    cycle(std::nullopt);   // failed exchange
    cycle(26.0f);
    cycle(27.0f, 0x0004);  // "Выше ВПИ"

    const auto values = graphData(0);
    ASSERT_EQ(values.size(), 5u);
    const double expected[] = {25.0, 25.5, NAN, 26.0, 27.0};
    for (unsigned i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(values[i].first, keyAt(i));
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(values[i].second)) << "a failed cycle is a gap, not a value";
        else
            EXPECT_DOUBLE_EQ(values[i].second, expected[i]);
    }
    EXPECT_EQ(graphData(1),
              (std::vector<std::pair<double, double>>{{keyAt(1), 25.5}, {keyAt(4), 27.0}}));

    // Following: ten minutes with the latest reading in view; the values
    // fill the height with a margin.
    QCustomPlot& plot = *customPlot();
    EXPECT_TRUE(strip().following());
    EXPECT_NEAR(plot.xAxis->range().size(), 600, 1e-6);
    EXPECT_TRUE(plot.xAxis->range().contains(keyAt(4)));
    const QCPRange height = plot.yAxis->range();
    EXPECT_LT(height.lower, 25.0);
    EXPECT_GT(height.lower, 24.5);
    EXPECT_GT(height.upper, 27.0);
    EXPECT_LT(height.upper, 27.5);

    // Hovering names the nearest reading and its state.
    const auto at = [&](unsigned second) {
        return strip()
            .hoverText(QPoint(qRound(plot.xAxis->coordToPixel(keyAt(second))), 50))
            .toStdString();
    };
    EXPECT_EQ(at(1), "14:30:01.000  25.5000  Обрыв ");
    EXPECT_EQ(at(2), "14:30:02.000  Ошибка в обмене");
    EXPECT_EQ(at(3), "14:30:03.000  26.0000  Нормальное измерение");
    EXPECT_EQ(strip().hoverText(QPoint(5, 50)), QString());  // minutes before the first

    // A single reading goes into the trend too, a failed one as a gap.
    port.silence();
    page().readOnce();
    QCoreApplication::processEvents();
    EXPECT_EQ(graphData(0).size(), 6u);
    EXPECT_TRUE(std::isnan(graphData(0).back().second));
}

// The curve joins only readings of one stretch of polling: a reading that
// comes long after the one before starts anew, and a reading joined to no
// other (the very first one too) is a dot.
TEST_F(TrendStripTest, ReadingsFarApartAreNotJoinedAndALoneReadingIsADot) {
    openWindow();
    page().setPolling(true);
    cycle(25.0f);
    EXPECT_EQ(graphData(2), (std::vector<std::pair<double, double>>{{keyAt(0), 25.0}}));
    cycle(26.0f);
    EXPECT_TRUE(graphData(2).empty());
    EXPECT_EQ(graphData(0).size(), 2u);

    // Polling stopped; a single reading two minutes later.
    page().setPolling(false);
    clock.time.minute += 2;
    port.replyRegisters(1, {0x41F0, 0, 0, 0, 0, 0, 0});  // 30.0
    page().readOnce();
    QCoreApplication::processEvents();
    const auto values = graphData(0);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_TRUE(std::isnan(values[2].second)) << "the curve breaks before it";
    EXPECT_GT(values[2].first, keyAt(1));
    EXPECT_DOUBLE_EQ(values[3].second, 30.0);
    ASSERT_EQ(graphData(2).size(), 1u);
    EXPECT_DOUBLE_EQ(graphData(2)[0].second, 30.0);

    // Polling again: joined to the single reading, which is no dot then.
    page().setPolling(true);
    cycle(31.0f);
    EXPECT_TRUE(graphData(2).empty());
    EXPECT_EQ(graphData(0).size(), 5u);
}

// A pointer that rests on the plot gets moves at the same place now and
// then; they ask for nothing and show nothing.
TEST_F(TrendStripTest, HoverAsksOnlyWhenThePointerMoves) {
    openWindow();
    page().setPolling(true);
    for (int i = 0; i < 3; ++i)
        cycle(20.0f + static_cast<float>(i));
    QCustomPlot& plot = *customPlot();
    const auto hoverAt = [&](QPoint position) {
        QMouseEvent move(QEvent::MouseMove, position, plot.mapToGlobal(position), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &move);
    };
    const QPoint onReading(qRound(plot.xAxis->coordToPixel(keyAt(1))), 50);
    hoverAt(onReading);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "14:30:01.000  21.0000  Нормальное измерение");
    // The tip goes a moment after it is told to.
    const auto hidden = [] {
        QToolTip::hideText();
        QElapsedTimer waited;
        waited.start();
        while (QToolTip::isVisible() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return !QToolTip::isVisible();
    };
    ASSERT_TRUE(hidden());
    hoverAt(onReading);  // at rest: the tip is not asked for again
    EXPECT_FALSE(QToolTip::isVisible());
    hoverAt(onReading + QPoint(1, 0));  // moved: the same reading's tip again
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(hidden());
}

TEST_F(TrendStripTest, ThePlotDropsWhatTheRingDrops) {
    state.trend = TrendHistory(3);
    openWindow();
    page().setPolling(true);
    for (int i = 0; i < 5; ++i)
        cycle(static_cast<float>(i), i == 1 ? 0x0001 : 0);
    const auto values = graphData(0);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_DOUBLE_EQ(values.front().second, 2.0);
    EXPECT_TRUE(graphData(1).empty());
}

// Counts the paint events of a widget and the plot's whole redraws.
class Draws : public QObject {
  public:
    int paints = 0;
    int wholePlots = 0;
    explicit Draws(QCustomPlot& plot) {
        plot.installEventFilter(this);
        QObject::connect(&plot, &QCustomPlot::afterReplot, this, [this] { ++wholePlots; });
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Collects the region of a widget's paint events.
class Painted : public QObject {
  public:
    Painted(QWidget& widget, QRegion& region) : region_(region) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            region_ += static_cast<QPaintEvent*>(event)->region();
        return false;
    }

  private:
    QRegion& region_;
};

TEST_F(TrendStripTest, OneDrawPerReadingMostlyOfTheCurvesOnlyAndNoneWithoutReadings) {
    openWindow();
    page().setPolling(true);
    cycle(25.0f);
    cycle(26.0f);
    Draws draws(*customPlot());
    // Within the scale and the time span: the curves alone are drawn again.
    for (int i = 0; i < 3; ++i)
        cycle(25.5f, i == 1 ? 0x0001 : 0);
    cycle(std::nullopt);
    EXPECT_EQ(draws.paints, 4);
    EXPECT_EQ(draws.wholePlots, 0);
    // A reading beyond the scale redraws the whole plot, once.
    cycle(30.0f);
    EXPECT_EQ(draws.paints, 5);
    EXPECT_EQ(draws.wholePlots, 1);
    // The latest reading reaching the right edge moves the time axis on by
    // a tenth of the span, and redraws the whole plot once.
    clock.time.minute += 9;
    cycle(30.0f);
    EXPECT_EQ(draws.wholePlots, 2);
    EXPECT_TRUE(customPlot()->xAxis->range().contains(keyAt(9 * 60 + 7)));

    // Ticks with polling off read nothing and draw nothing.
    page().setPolling(false);
    for (int i = 0; i < 3; ++i)
        cycle(std::nullopt);
    EXPECT_EQ(draws.paints, 6);
}

// A reading within the scale and the span repaints only the band from the
// previous reading to it; what the screen then shows is what a whole redraw
// gives, also across a gap and beside a red dot.
TEST_F(TrendStripTest, ACurveReadingRepaintsItsBandAndTheScreenMatchesAWholeRedraw) {
    openWindow();
    page().setPolling(true);
    cycle(20.0f);
    cycle(30.0f);
    QCustomPlot& plot = *customPlot();
    const QRect place =
        plot.geometry().translated(plot.parentWidget()->mapTo(window.get(), QPoint()));
    const auto shown = [&] {
        return window->screen()
            ->grabWindow(window->winId(), place.x(), place.y(), place.width(), place.height())
            .toImage();
    };
    struct Reading {
        std::optional<float> value;
        std::uint16_t status;
    };
    const std::vector<Reading> readings{{22.0f, 0}, {28.5f, 0x0001}, {std::nullopt, 0},
                                        {24.0f, 0}, {29.0f, 0},      {21.0f, 0x0004}};
    for (const Reading& reading : readings) {
        QRegion painted;
        Painted spy(plot, painted);
        cycle(reading.value, reading.status);
        EXPECT_FALSE(painted.isEmpty());
        EXPECT_LT(painted.boundingRect().width(), plot.width() / 4);
        const QImage band = shown();
        plot.replot(QCustomPlot::rpImmediateRefresh);
        EXPECT_EQ(band, shown()) << "after the reading " << reading.value.value_or(-1);
    }
}

TEST_F(TrendStripTest, EveryControlOfThePageKeepsItsPlace) {
    openWindow();
    // The page's own controls, before the strip exists.
    std::map<QString, std::pair<QRect, bool>> before;
    for (QWidget* control : firstPage().findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        before[control->objectName()] = {control->geometry(), control->isVisible()};
    ASSERT_GE(before.size(), 20u);

    page().setPolling(true);
    cycle(25.0f);
    cycle(std::nullopt);
    QCustomPlot& plot = *customPlot();
    std::map<QString, std::pair<QRect, bool>> after;
    for (QWidget* control : firstPage().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control != &plot)
            after[control->objectName()] = {control->geometry(), control->isVisible()};
    }
    EXPECT_EQ(after, before);

    // The strip lies on the page, clear of every visible control.
    EXPECT_TRUE(plot.isVisible());
    EXPECT_EQ(plot.geometry(), TrendStrip::kPlace);
    EXPECT_TRUE(firstPage().rect().contains(plot.geometry())) << firstPage().size().height();
    for (const auto& [name, place] : before) {
        if (place.second) {
            EXPECT_FALSE(place.first.intersects(plot.geometry())) << name.toStdString();
        }
    }
}

// The time axis shows dates only while its span crosses midnight.
TEST_F(TrendStripTest, TheTimeAxisShowsDatesAcrossMidnight) {
    openWindow();
    page().setPolling(true);
    cycle(25.0f);
    QCustomPlot& plot = *customPlot();
    const auto format = [&] {
        return qSharedPointerDynamicCast<QCPAxisTickerDateTime>(plot.xAxis->ticker())
            ->dateTimeFormat();
    };
    EXPECT_FALSE(format().contains("yyyy")) << format().toStdString();
    const double midnight =
        static_cast<double>(localMilliseconds({2026, 12, 11, 0, 0, 0, 0})) / 1000;
    plot.xAxis->setRange(midnight - 300, midnight + 300);
    EXPECT_TRUE(format().contains("dd.MM.yyyy")) << format().toStdString();
    plot.xAxis->setRange(midnight + 60, midnight + 660);
    EXPECT_FALSE(format().contains("yyyy")) << format().toStdString();
}

TEST_F(TrendStripTest, WheelAndDragLeaveTheLatestDoubleClickFollowsAgain) {
    openWindow();
    page().setPolling(true);
    for (int i = 0; i < 4; ++i)
        cycle(20.0f + static_cast<float>(i));
    QCustomPlot& plot = *customPlot();
    const QPointF middle(plot.axisRect()->center());

    QWheelEvent wheel(middle, plot.mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &wheel);
    EXPECT_FALSE(strip().following());
    const QCPRange zoomed = plot.xAxis->range();
    EXPECT_LT(zoomed.size(), 600.0);
    cycle(30.0f);  // the view stays where the user put it
    EXPECT_DOUBLE_EQ(plot.xAxis->range().lower, zoomed.lower);

    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        mouse(plot, type, middle);
    EXPECT_TRUE(strip().following());
    EXPECT_NEAR(plot.xAxis->range().size(), 600, 1e-6);
    EXPECT_TRUE(plot.xAxis->range().contains(keyAt(4)));

    // A drag along the time axis moves the view and stops following too.
    mouse(plot, QEvent::MouseButtonPress, middle);
    mouse(plot, QEvent::MouseMove, middle + QPointF(200, 0));
    mouse(plot, QEvent::MouseButtonRelease, middle + QPointF(200, 0));
    EXPECT_FALSE(strip().following());
    EXPECT_LT(plot.xAxis->range().upper, keyAt(4));
}

TEST_F(TrendStripTest, SavesPictureAndHistoryAndShowsWhyASaveFailed) {
    const test::ScopedTimeZone moscow("MSK-3");
    // A thermocouple read from module 1, with its user text.
    state.image.sensor.sensorType = 10;
    state.sensorSettingsRead = true;
    setUserText(state.image, "Котёл 2");
    openWindow();
    page().setPolling(true);
    cycle(25.0f);
    cycle(std::nullopt);
    cycle(25.25f, 0x0002);

    const std::string csv = (folder / "trend.csv").string();
    const std::string png = (folder / "trend.png").string();
    std::vector<TrendStrip::FileKind> asked;
    strip().setFileNameAsker([&](TrendStrip::FileKind kind, const QString& suggestion) {
        asked.push_back(kind);
        EXPECT_TRUE(suggestion.startsWith("trend-")) << suggestion.toStdString();
        return QString::fromStdString(kind == TrendStrip::FileKind::History ? csv : png);
    });
    strip().saveAs(TrendStrip::FileKind::History);
    strip().saveAs(TrendStrip::FileKind::Picture);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(test::fileText(csv),
              "# module 1, user text \"Котёл 2\", unit °C\n"
              "time,value,status,exchange,exception\n"
              "2026-12-10T14:30:00.000+03:00,25,0,0,0\n"
              "2026-12-10T14:30:01.000+03:00,,,110,0\n"  // silence: no reply and more
              "2026-12-10T14:30:02.000+03:00,25.25,2,0,0\n");
    // The picture: the plot under its header line, the plot's title and
    // unit as the window shows them.
    QImage picture(QString::fromStdString(png), "PNG");
    EXPECT_EQ(picture.width(), TrendStrip::kPlace.width());
    EXPECT_GT(picture.height(), TrendStrip::kPlace.height());
    const QString header = strip().pictureHeader();
    // Dates in one form in the picture: the header's as the time axis's.
    EXPECT_TRUE(header.startsWith("Модуль 1 «Котёл 2», 10.12.2026 14:")) << header.toStdString();
    EXPECT_TRUE(header.contains(" — 10.12.2026 14:")) << header.toStdString();
    EXPECT_EQ(customPlot()->yAxis->label(), "°C");
    const auto titles = customPlot()->findChildren<QCPTextElement*>();
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles[0]->text(), "Котёл 2");
    EXPECT_EQ(customPlot()->geometry(), TrendStrip::kPlace);

    // A folder that does not exist: the error box names the file and why;
    // nothing is written.
    const std::string missing = (folder / "gone" / "trend.csv").string();
    strip().setFileNameAsker(
        [&](TrendStrip::FileKind, const QString&) { return QString::fromStdString(missing); });
    window->commands().run([&] { strip().saveAs(TrendStrip::FileKind::History); });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find(missing), std::string::npos) << boxes.shown[0].text;
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);

    // Cancelled: nothing happens.
    strip().setFileNameAsker([](TrendStrip::FileKind, const QString&) { return QString(); });
    strip().saveAs(TrendStrip::FileKind::History);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(TrendStripTest, ClearAsksFirst) {
    openWindow();
    page().setPolling(true);
    cycle(25.0f);
    cycle(26.0f);
    boxes.answers = {BoxAnswer::No, BoxAnswer::Yes};
    strip().clear();
    EXPECT_EQ(state.trend.size(), 2u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Подтвердите действие");
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::YesNo);
    strip().clear();
    EXPECT_TRUE(state.trend.empty());
    EXPECT_TRUE(graphData(0).empty());
    cycle(27.0f);  // polling goes on into the fresh history
    EXPECT_EQ(graphData(0).size(), 1u);
}

// Without its module the strip says in its place why there is no plot,
// once, and the readings go on into the history.
TEST_F(TrendStripTest, WithoutItsModuleTheStripSaysWhyAndReadingsGoOn) {
    openWindow();
    const QString missing = QString::fromStdString((folder / "libm8163_trend_plot.so").string());
    strip().setPlotModulePaths({missing});
    page().setPolling(true);
    cycle(25.0f);
    cycle(26.0f);
    EXPECT_EQ(strip().plot(), nullptr);
    EXPECT_EQ(state.trend.size(), 2u);
    const auto problems = firstPage().findChildren<QLabel*>(QStringLiteral("TrendProblem"));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0], strip().problem());
    EXPECT_TRUE(problems[0]->isVisible());
    EXPECT_EQ(problems[0]->geometry(), TrendStrip::kPlace);
    EXPECT_TRUE(problems[0]->text().contains(missing)) << problems[0]->text().toStdString();
    EXPECT_TRUE(boxes.shown.empty());
    const test::ScopedTimeZone utc("UTC0");
    strip().saveHistory(QString::fromStdString((folder / "trend.csv").string()));
    EXPECT_NE(test::fileText(folder / "trend.csv").find(":01.000+00:00,26,0,0,0\n"),
              std::string::npos);
}

// The loader takes the first place that gives a module with the entry
// point, and names each place it could not use and why.
TEST(TrendPlotLoaderTest, LoadsTheFirstUsableModuleAndNamesTheRest) {
    char name[] = "/tmp/m8163-plot-loader.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::filesystem::path folder = name;
    const QString notLibrary = QString::fromStdString((folder / "libnot.so").string());
    { std::ofstream(notLibrary.toStdString()) << "not a library\n"; }
    const QString missing = QString::fromStdString((folder / "gone.so").string());
    const QString withoutEntry = QStringLiteral("libm.so.6");

    struct Case {
        QStringList paths;
        bool loads;
        QStringList named;  // in the problem text
    };
    const Case cases[] = {
        {trendPlotModulePaths(), true, {}},
        {{missing}, false, {missing}},
        {{notLibrary}, false, {notLibrary}},
        {{withoutEntry}, false, {withoutEntry, QLatin1String(kMakeTrendPlotSymbol)}},
        {QStringList{missing, notLibrary, withoutEntry} + trendPlotModulePaths(), true, {}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.paths.join(' ').toStdString());
        const TrendPlotModule module = loadTrendPlotModule(test.paths);
        EXPECT_EQ(module.make != nullptr, test.loads) << module.problem.toStdString();
        EXPECT_EQ(module.problem.isEmpty(), test.loads) << module.problem.toStdString();
        for (const QString& named : test.named)
            EXPECT_TRUE(module.problem.contains(named)) << module.problem.toStdString();
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace m8163
