// The connection bar above the notebook.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ui/bar/bar_controls.h"
#include "ui/shell/controls.h"

namespace m8163::ui {

BarControls buildConnectionBar(QWidget* client) {
    BarControls c;
    c.client = client;
    addLabel(client, "Label1", {32, 16, 67, 13}, "Номер порта");
    c.port = addPickList(client, "ComboBox1", {16, 32, 98, 21});
    addLabel(client, "Label2", {162, 16, 48, 13}, "Скорость");
    c.speed = addPickList(client, "ComboBox2", {129, 32, 114, 21});
    addLabel(client, "Label3", {283, 16, 75, 13}, "Номер модуля");
    c.module = addPickList(client, "ComboBox3", {259, 32, 122, 21});
    addLabel(client, "Label6", {404, 16, 42, 13}, "Паритет");
    c.parityOn = addCheckBox(client, "CheckBox1", {408, 40, 45, 18}, " ");
    addLabel(client, "Label7", {461, 16, 39, 13}, "Четный");
    c.parityEven = addCheckBox(client, "CheckBox2", {461, 40, 33, 18}, " ");
    c.init = addButton(client, "Button15", {509, 8, 106, 25}, "Выставить INIT");
    c.blink = addButton(client, "Button2", {509, 40, 76, 26}, "Помигать");
    addLabel(client, "Label4", {32, 57, 101, 13}, "Параметры обмена");
    c.caption = addLabel(client, "Label5", {154, 57, 49, 17}, "Label5");
    c.exchangeLog = addCheckBox(client, "CheckBox6", {32, 88, 193, 17}, "Запись обмена в файл");
    hidden(addButton(client, "Button25", {145, 73, 211, 25}, "Поставить заводские установки"));
    QPushButton* readAll =
        hidden(addButton(client, "Button11", {364, 73, 106, 25}, "Прочитать все"));
    QPushButton* writeAll =
        hidden(addButton(client, "Button12", {477, 73, 98, 25}, "Записать все"));

    // The port chooser's button and the port's state line: additions of this
    // program, placed where the bar has nothing, so that no control of the
    // bar moves. "Выставить INIT" ends at x = 615, and the notebook begins at
    // y = 129.
    c.chooser = addButton(client, "PortChooserButton", {627, 8, 110, 25}, "Выбрать порт…");
    c.joinGroup =
        addButton(client, "JoinGroupButton", {745, 8, 190, 25}, "Копировать команду usermod");
    c.joinGroup->setToolTip(QStringLiteral("Скопировать команду, которая даёт доступ к порту"));
    c.joinGroup->hide();
    c.stateLine = addLabel(client, "PortStateLine", {627, 40, 308, 44}, "");
    c.stateLine->setWordWrap(true);
    c.stateLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Below the state line, above the notebook.
    c.monitor = addButton(client, "ExchangeMonitorButton", {627, 92, 130, 25}, "Монитор обмена…");

    hint(c.port, "Номер порта");
    hint(c.speed, "Скорость обмена");
    hint(c.module, "Сетевой номер модуля");
    hint(c.parityOn, "Разрешение использования проверки паритета при обмене");
    hint(c.parityEven, "При обмене используется проверка на четный паритет");
    hint(c.init, "Выставить параметры обмена с включенным в модулем режимом INIT");
    hint(c.blink, "Включить мигание светодиода на модуле");
    hint(c.exchangeLog, "При выставлении флажка пишем лог обмена в файл");
    hint(readAll, "Прочитать все параметры модуля");
    hint(writeAll, "Записать все параметры модуля");
    return c;
}

}  // namespace m8163::ui
