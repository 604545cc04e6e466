#pragma once

#include "ui/bar/bar_controls.h"
#include "ui/exchange/exchange_controls.h"
#include "ui/measure/measure_controls.h"
#include "ui/search/search_controls.h"
#include "ui/sensor/sensor_controls.h"

class QMainWindow;
class QTabWidget;
class QWidget;

// The window's controls as its layout makes them: the connection bar, the
// notebook and its four pages.

namespace m8163 {

struct WindowControls {
    BarControls bar;
    QTabWidget* notebook = nullptr;  // TabbedNotebook1
    MeasureControls measure;
    SensorControls sensor;
    ExchangeControls exchange;
    SearchControls search;
};

namespace ui {

// The notebook and its four empty pages, Page0 ... Page3.
QTabWidget* buildNotebook(QWidget* client);
// The hidden "Файл" menu and the two profile file dialogs.
void buildMenuAndDialogs(QMainWindow* window);

}  // namespace ui

}  // namespace m8163
