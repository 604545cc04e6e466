#pragma once

#include <QString>
#include <QStringList>

#include "ui/trend/trend_plot.h"

// Finding and loading the trend strip's plot module (ui/trend_plot.h).

namespace m8163 {

struct TrendPlotModule {
    MakeTrendPlot* make = nullptr;  // null when it could not be loaded
    QString problem;                // then why, for each place tried
};

// Where the program looks for the module, in order: beside its installed
// libraries, found from the program's own place (so that an unpacked or
// relocated installation works too), then in each folder of the program's
// library path as the dynamic loader searches it: a test program in the
// build tree finds the module there through its run path.
QStringList trendPlotModulePaths();

// Loads the first of `paths` that is there, loads and has the entry point;
// a name without a folder is the dynamic loader's to find. A module once
// loaded stays loaded: the plots it made live in its code. When none
// loads, the problem names why for each that is there but did not load, or
// the first path when none is there.
TrendPlotModule loadTrendPlotModule(const QStringList& paths);

}  // namespace m8163
