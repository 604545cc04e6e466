// Page 0, "Измеренное значение".
#include <QCheckBox>
#include <QPushButton>

#include "ui/measure/measure_controls.h"
#include "ui/shell/controls.h"

namespace m8163::ui {

namespace {

QLabel* addValuePanel(QWidget* page, const char* name, Place place) {
    QLabel* panel = addPanel(page, name, place, " ", PanelStyle::Sunken);
    QFont font = panel->font();
    font.setPixelSize(32);
    font.setBold(true);
    panel->setFont(font);
    return panel;
}

}  // namespace

MeasureControls buildMeasurePage(QWidget* page) {
    MeasureControls c;
    c.page = page;
    addLabel(page, "Label63", {67, 8, 179, 20}, "Значение измерения");
    c.value = addValuePanel(page, "Panel1", {16, 40, 273, 49});
    addLabel(page, "Label95", {296, 8, 162, 20}, "Относит. значение");
    c.relativeValue = addValuePanel(page, "Panel10", {304, 40, 145, 49});
    addLabel(page, "Label92", {50, 105, 188, 20}, "Состояние измерения");
    c.status = addPanel(page, "Panel2", {16, 136, 273, 49}, " ", PanelStyle::Sunken);
    addLabel(page, "Label64", {42, 216, 159, 20}, "Состояние обмена");

    // Bit labels of an earlier design, left beneath Panel3 and never seen.
    static const int kBitLefts[8] = {250, 218, 186, 154, 121, 89, 57, 24};
    static const char* const kBitNames[8] = {"Label24", "Label25", "Label26", "Label27",
                                             "Label28", "Label29", "Label30", "Label33"};
    static const char* const kBitNames2[8] = {"Label34", "Label35", "Label36", "Label37",
                                              "Label38", "Label39", "Label40", "Label41"};
    for (int bit = 0; bit < 8; ++bit) {
        const QString text = QString::number(bit);
        addLabel(page, kBitNames[bit], {kBitLefts[bit], 275, 8, 20}, text);
        addLabel(page, kBitNames2[bit], {kBitLefts[bit], 275, 8, 20}, text);
    }
    addLabel(page, "Label32", {24, 275, 230, 20}, "Анализ переменного тока");
    c.exchange = addPanel(page, "Panel3", {16, 248, 273, 49}, " ", PanelStyle::Sunken);

    c.read = addButton(page, "Button17", {480, 8, 273, 33}, "Прочитать однократно");
    c.start = addButton(page, "Button18", {480, 56, 273, 41}, "Начать циклический опрос");
    c.stop = addButton(page, "Button19", {480, 112, 273, 41}, "Завершить циклический опрос");
    addBevel(page, "Bevel7", {312, 176, 297, 1}, Bevel::Shape::TopLine);
    addBevel(page, "Bevel6", {312, 176, 49, 145}, Bevel::Shape::LeftLine);
    // The counters grow to the right: room for ten digits.
    addLabel(page, "Label51", {320, 200, 186, 20}, "Число циклов обмена");
    c.cycles = addLabel(page, "Label54", {544, 200, 100, 20}, " ");
    addLabel(page, "Label52", {320, 224, 178, 20}, "Ошибки в измерении");
    c.measurementErrors = addLabel(page, "Label55", {544, 224, 100, 20}, " ");
    addLabel(page, "Label53", {328, 256, 149, 20}, "Ошибки в обмене");
    c.exchangeErrors = addLabel(page, "Label56", {544, 256, 100, 20}, " ");
    c.reset = addButton(page, "Button16", {320, 288, 329, 25}, "Сброс счетчиков циклов и ошибок");
    c.measurementLog =
        addCheckBox(page, "CheckBox7", {320, 328, 377, 17}, "Запись результатов измерения в файл");
    // An empty flat panel; kept beneath the counter controls it overlaps.
    addPanel(page, "Panel75", {580, 283, 260, 57}, " ", PanelStyle::Flat)->lower();

    hint(c.read, "Прочитать текущее измеренное значение");
    hint(c.start, "Начать циклическое чтение измеренного значения");
    hint(c.stop, "Остановить циклическое чтение измеренного значения");
    hint(c.reset, "Сбросить счетчики циклов запросов и обнаруженных ошибок");
    hint(c.measurementLog, "При выставлении флажка пишем измеренные значения в файл");
    return c;
}

}  // namespace m8163::ui
