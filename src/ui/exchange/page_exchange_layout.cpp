// Page 2, "Параметры обмена". Flat panels with white displays lie over the
// edit fields and lists of the identity data; the exchange commands fill and
// read those covered controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "ui/exchange/exchange_controls.h"
#include "ui/shell/controls.h"
#include "ui/shell/covered_controls.h"

namespace m8163::ui {

namespace {

QLabel* addDisplay(QWidget* parent, const char* name, Place place) {
    return addPanel(parent, name, place, QString::fromLatin1(name), PanelStyle::Display);
}

void buildNewParameters(QWidget* page, ExchangeControls& c) {
    addLabel(page, "Label8", {40, 0, 81, 20}, "Скорость");
    c.speed = addPickList(page, "ComboBox4", {8, 24, 147, 28});
    c.write = addButton(page, "Button1", {162, 24, 87, 25}, "Записать");
    addLabel(page, "Label9", {40, 56, 56, 20}, "Номер");
    c.networkNumber = addPickList(page, "ComboBox5", {8, 81, 147, 28});
    addLabel(page, "Label10", {8, 113, 74, 20}, "Паритет");
    c.parityOn = addCheckBox(page, "CheckBox3", {8, 137, 97, 17}, " ");
    addLabel(page, "Label11", {97, 113, 66, 20}, "Четный");
    c.parityEven = addCheckBox(page, "CheckBox4", {97, 137, 98, 17}, " ");
    addBevel(page, "Bevel8", {288, 16, 50, 353}, Bevel::Shape::LeftLine);
}

// Watchdog, factory and version controls of an earlier layout: created
// hidden; ComboBox6 still carries the watchdog value.
void buildHiddenControls(QWidget* page, ExchangeControls& c) {
    hidden(addLabel(page, "Label12", {8, 380, 250, 20}, "Программный сторожевой таймер"));
    c.watchdog = hidden(addPickList(page, "ComboBox6", {8, 404, 97, 28}));
    hidden(addLabel(page, "Label22", {112, 408, 30, 20}, "сек"));
    hidden(addLabel(page, "Label18", {160, 408, 60, 20}, "Label18"));
    for (int number = 1; number <= 5; ++number) {
        const QByteArray name = "Bevel" + QByteArray::number(number);
        hidden(addBevel(page, name.constData(), {4 + (number - 1) * 10, 376, 280, 100},
                        Bevel::Shape::Frame));
    }
    static const char* const kButtons[] = {"Button3", "Button4", "Button5",  "Button6",
                                           "Button7", "Button8", "Button13", "Button14"};
    static const char* const kTexts[] = {"Прочитать", "Записать", "Прочитать", "Записать",
                                         "Прочитать", "Записать", "Прочитать", "Записать"};
    for (int i = 0; i < 8; ++i) {
        hidden(addButton(page, kButtons[i], {8 + (i % 4) * 70, 440 + (i / 4) * 28, 65, 25},
                         QString::fromUtf8(kTexts[i])));
    }
    hidden(addButton(page, "Button10", {600, 440, 250, 25}, "Записать все на закладке"));
}

void buildIdentity(QWidget* page, ExchangeControls& c) {
    // The covered editors first, so that their panels lie above them.
    c.factoryNumber1 = addEdit(page, "Edit1", {336, 32, 105, 28}, QString());
    c.factoryNumber2 = addEdit(page, "Edit2", {448, 32, 97, 28}, QString());
    c.day = addPickList(page, "ComboBox7", {312, 144, 81, 28});
    c.month = addPickList(page, "ComboBox8", {400, 144, 97, 28});
    c.year = addPickList(page, "ComboBox9", {504, 144, 89, 28});
    c.modelCode = addEdit(page, "Edit3", {328, 216, 121, 28}, QString());
    c.software = addEdit(page, "Edit4", {472, 216, 129, 28}, QString());
    c.hardware = addEdit(page, "Edit5", {624, 216, 145, 28}, QString());
    keepOutOfTabChain({c.factoryNumber1, c.factoryNumber2, c.day, c.month, c.year, c.modelCode,
                       c.software, c.hardware});

    addLabel(page, "Label13", {395, 8, 150, 20}, "Заводской номер");
    QLabel* factory = addPanel(page, "Panel4", {320, 32, 281, 41}, " ", PanelStyle::Flat);
    c.factoryPanel1 = addDisplay(factory, "Panel5", {16, 0, 105, 33});
    c.factoryPanel2 = addDisplay(factory, "Panel6", {128, 0, 97, 33});

    addLabel(page, "Label14", {371, 81, 167, 20}, "Дата изготовления");
    addLabel(page, "Label15", {323, 113, 60, 20}, "Число");
    addLabel(page, "Label16", {427, 113, 60, 20}, "Месяц");
    addLabel(page, "Label17", {524, 113, 40, 20}, "Год");
    QLabel* date = addPanel(page, "Panel7", {304, 136, 297, 49}, " ", PanelStyle::Flat);
    c.dayPanel = addDisplay(date, "Panel8", {8, 8, 81, 33});
    c.monthPanel = addDisplay(date, "Panel9", {96, 8, 97, 33});
    c.yearPanel = addDisplay(date, "Panel17", {200, 8, 89, 33});

    addLabel(page, "Label19", {360, 194, 60, 20}, "Модель");
    addLabel(page, "Label20", {490, 194, 90, 20}, "версия ПО");
    addLabel(page, "Label21", {627, 194, 140, 20}, "версия эл схемы");
    QLabel* versions = addPanel(page, "Panel18", {24, 216, 841, 41}, " ", PanelStyle::Flat);
    // Carries on the page's dividing line where the panel lies over it.
    addBevel(versions, "Bevel9", {264, 0, 50, 41}, Bevel::Shape::LeftLine);
    c.modelPanel = addDisplay(versions, "Panel19", {304, 0, 121, 33});
    c.softwarePanel = addDisplay(versions, "Panel20", {448, 0, 129, 33});
    c.hardwarePanel = addDisplay(versions, "Panel21", {600, 0, 145, 33});

    c.read = addButton(page, "Button9", {400, 274, 273, 39}, "Прочитать");
}

}  // namespace

ExchangeControls buildExchangePage(QWidget* page) {
    ExchangeControls c;
    c.page = page;
    buildNewParameters(page, c);
    buildHiddenControls(page, c);
    buildIdentity(page, c);
    hint(c.speed, "Новая скорость обмена");
    hint(c.write, "Записать параметры связи");
    hint(c.networkNumber, "Новый номер модуля");
    hint(c.parityOn, "Разрешение использования проверки паритета при обмене");
    hint(c.parityEven, "При обмене используется проверка на четный паритет");
    hint(c.factoryPanel1, "Заводской номер");
    hint(c.factoryPanel2, "Заводской номер");
    hint(c.dayPanel, "Число изготовления");
    hint(c.monthPanel, "Месяц изготовления");
    hint(c.yearPanel, "Год изготовления");
    hint(c.modelPanel, "Модель модуля");
    hint(c.softwarePanel, "Версия ПО модуля");
    hint(c.hardwarePanel, "Версия железа модуля");
    hint(c.read, "Прочитать все общие параметры");
    return c;
}

}  // namespace m8163::ui
