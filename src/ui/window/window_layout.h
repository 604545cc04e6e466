#pragma once

class QMainWindow;
class QTabWidget;
class QWidget;

// The window's controls, one builder per part of the window. Each places its
// controls by name on the given parent as the window's layout fixes them.

namespace m8163::ui {

void buildTopBar(QWidget* client);
// The port chooser's button and the port's state line, in the connection
// bar's free space right of "Выставить INIT" and "Помигать".
void buildPortControls(QWidget* client);
QTabWidget* buildNotebook(QWidget* client);
void buildMeasurePage(QWidget* page);
void buildSensorPage(QWidget* page);
void buildExchangePage(QWidget* page);
void buildSearchPage(QWidget* page);
// The hidden "Файл" menu and the two profile file dialogs.
void buildMenuAndDialogs(QMainWindow* window);

}  // namespace m8163::ui
