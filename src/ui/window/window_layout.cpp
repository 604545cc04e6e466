// The notebook frame, the hidden menu and the dialogs.
#include <QAction>
#include <QCoreApplication>
#include <QFont>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QTabWidget>

#include "ui/window/window_layout.h"

namespace m8163::ui {

namespace {
constexpr int kNotebookFontStretch = 87;
}

QTabWidget* buildNotebook(QWidget* client) {
    auto* notebook = new QTabWidget(client);
    notebook->setObjectName(QStringLiteral("TabbedNotebook1"));
    notebook->setGeometry(24, 129, 889, 536);
    QFont font = notebook->font();
    font.setPixelSize(16);
    font.setBold(true);
    // Narrowed so that the texts fit the places measured with the narrower
    // bitmap font the layout was drawn with.
    font.setStretch(kNotebookFontStretch);
    notebook->setFont(font);
    QPalette palette = notebook->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    notebook->setPalette(palette);
    static const char* const kCaptions[] = {"Измеренное значение", "Настройки датчика",
                                            "Параметры обмена", "Поиск"};
    int index = 0;
    for (const char* caption : kCaptions) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("Page%1").arg(index++));
        notebook->addTab(page, QString::fromUtf8(caption));
    }
    return notebook;
}

void buildMenuAndDialogs(QMainWindow* window) {
    // The bar stays in the window: it is not handed to a desktop's global
    // menu, which would cost a question to the session bus at start for a
    // bar that has nothing to show.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    auto* bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("N1Menu"));
    file->menuAction()->setObjectName(QStringLiteral("N1"));
    file->addAction(QStringLiteral("Прочитать профиль настроек из файла"))
        ->setObjectName(QStringLiteral("N2"));
    file->addAction(QStringLiteral("Записать профиль настроек в файл"))
        ->setObjectName(QStringLiteral("N3"));
    // "Файл" is hidden, so nothing of the menu can be reached; the bar itself
    // then has nothing to show.
    file->menuAction()->setVisible(false);
    window->setMenuBar(bar);
    bar->setHidden(true);

    // The profile dialogs are only described here (name and filter); a
    // dialog is built when one is needed.
    const QStringList filter = {QStringLiteral("профиль настроек модуля (*.prf)"),
                                QStringLiteral("все файлы (*)")};
    for (const char* name : {"OpenDialog1", "SaveDialog1"}) {
        auto* dialog = new QObject(window);
        dialog->setObjectName(QString::fromLatin1(name));
        dialog->setProperty("nameFilters", filter);
    }
}

}  // namespace m8163::ui
