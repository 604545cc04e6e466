// The connection bar, the notebook frame, the hidden menu and the dialogs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

#include "ui/shell/controls.h"
#include "ui/window/window_layout.h"

namespace m8163::ui {

namespace {
constexpr int kNotebookFontStretch = 87;
}

void buildTopBar(QWidget* client) {
    addLabel(client, "Label1", {32, 16, 67, 13}, "Номер порта");
    addPickList(client, "ComboBox1", {16, 32, 98, 21});
    addLabel(client, "Label2", {162, 16, 48, 13}, "Скорость");
    addPickList(client, "ComboBox2", {129, 32, 114, 21});
    addLabel(client, "Label3", {283, 16, 75, 13}, "Номер модуля");
    addPickList(client, "ComboBox3", {259, 32, 122, 21});
    addLabel(client, "Label6", {404, 16, 42, 13}, "Паритет");
    addCheckBox(client, "CheckBox1", {408, 40, 45, 18}, " ");
    addLabel(client, "Label7", {461, 16, 39, 13}, "Четный");
    addCheckBox(client, "CheckBox2", {461, 40, 33, 18}, " ");
    addButton(client, "Button15", {509, 8, 106, 25}, "Выставить INIT");
    addButton(client, "Button2", {509, 40, 76, 26}, "Помигать");
    addLabel(client, "Label4", {32, 57, 101, 13}, "Параметры обмена");
    addLabel(client, "Label5", {154, 57, 49, 17}, "Label5");
    addCheckBox(client, "CheckBox6", {32, 88, 193, 17}, "Запись обмена в файл");
    hidden(addButton(client, "Button25", {145, 73, 211, 25}, "Поставить заводские установки"));
    hidden(addButton(client, "Button11", {364, 73, 106, 25}, "Прочитать все"));
    hidden(addButton(client, "Button12", {477, 73, 98, 25}, "Записать все"));
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
