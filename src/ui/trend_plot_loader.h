#pragma once

#include <QString>
#include <QStringList>

#include "ui/trend_plot.h"

// Finding and loading the trend strip's plot module (ui/trend_plot.h).

namespace m8163 {

struct TrendPlotModule {
    MakeTrendPlot* make = nullptr;  // null when it could not be loaded
    QString problem;                // then why, for each place tried
};

// Where the program looks for the module, in order: beside its installed
// libraries, found from the program's own place (so that an unpacked or
// relocated installation works too), then by file name alone, which the
// dynamic loader looks up on the program's library path: a program run in
// its build tree finds the module there.
QStringList trendPlotModulePaths();

// Loads the first of `paths` that loads and has the entry point. A module
// once loaded stays loaded: the plots it made live in its code.
TrendPlotModule loadTrendPlotModule(const QStringList& paths);

}  // namespace m8163
