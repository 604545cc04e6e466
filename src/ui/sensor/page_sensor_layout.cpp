// Page 1, "Настройки датчика": the visible layer on Panel12 and, beneath it,
// the controls of an earlier layout that the sensor commands still fill and
// read.
#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>

#include "ui/sensor/sensor_controls.h"
#include "ui/shell/controls.h"
#include "ui/shell/covered_controls.h"

namespace m8163::ui {

namespace {

// "Нет данных" in the notebook's font is wider than the averaging field
// beside its arrow: the field's font is a little smaller and narrower.
constexpr int kAveragingFontPixels = 15;
constexpr int kAveragingFontStretch = 80;

const QString kNoData = QStringLiteral("Нет данных");
const QString kNoDataIndented = QStringLiteral(" Нет данных");

// A small drawn arrow: drawing it is cheaper at start-up than looking up an
// icon theme.
QIcon copyGlyph() {
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 128, 0));
    painter.drawRect(6, 2, 4, 6);
    painter.drawPolygon(QPolygon({QPoint(2, 8), QPoint(14, 8), QPoint(8, 14)}));
    return QIcon(glyph);
}

void buildCoveredLayer(QWidget* page, SensorControls& c) {
    static const char* const kLabelNames[] = {
        "Label102", "Label103", "Label104", "Label105", "Label106", "Label107",
        "Label108", "Label109", "Label110", "Label111", "Label112", "Label23",
        "Label31",  "Label42",  "Label43",  "Label44",  "Label45",  "Label46"};
    static const char* const kLabelTexts[] = {"Диапазон датчика",
                                              "Минимум",
                                              "Максимум",
                                              "Диапазон ограниченный конструктивом",
                                              "Минимум",
                                              "Максимум",
                                              "Тип термопреобразователя",
                                              "Тип",
                                              "термопр.",
                                              "Монтажная ",
                                              "длина",
                                              "Корпус",
                                              "Пользовательский текст",
                                              "Тип датчика",
                                              "Корнеизвлечение",
                                              "Усреднение",
                                              "Смещение",
                                              "Подстройка"};
    for (int i = 0; i < 18; ++i) {
        addLabel(page, kLabelNames[i], {8 + (i % 6) * 140, 8 + (i / 6) * 24, 130, 20},
                 QString::fromUtf8(kLabelTexts[i]));
    }
    addBevel(page, "Bevel11", {8, 80, 420, 120}, Bevel::Shape::Frame);
    addBevel(page, "Bevel12", {440, 80, 420, 120}, Bevel::Shape::Frame);
    addBevel(page, "Bevel13", {8, 210, 852, 200}, Bevel::Shape::Frame);

    c.rangeMin = addEdit(page, "Edit6", {16, 100, 129, 28}, kNoData);
    c.rangeMin->setReadOnly(true);
    c.rangeMax = addEdit(page, "Edit7", {152, 100, 129, 28}, kNoDataIndented);
    c.coveredOffset = addEdit(page, "Edit8", {288, 100, 129, 28}, kNoDataIndented);
    c.coveredAdjustment = addEdit(page, "Edit9", {448, 100, 129, 28}, kNoDataIndented);
    c.edit20 = addEdit(page, "Edit20", {584, 100, 129, 28}, kNoData);
    c.edit21 = addEdit(page, "Edit21", {720, 100, 129, 28}, kNoData);
    c.edit21->setReadOnly(true);
    c.typeName = addEdit(page, "Edit22", {16, 150, 353, 28}, kNoData);
    c.typeName->setReadOnly(true);
    c.typeName->setMaxLength(32);
    c.edit23 = addEdit(page, "Edit23", {448, 150, 353, 28}, kNoData);
    c.edit23->setMaxLength(16);
    c.sensorType = addEditableList(page, "ComboBox10", {16, 230, 353, 28}, kNoDataIndented);
    c.squareRoot = addCheckBox(page, "CheckBox5", {384, 230, 40, 20}, " ");
    c.coveredAveraging = addEditableList(page, "ComboBox11", {448, 230, 113, 28}, kNoDataIndented);
    c.designType =
        addEditableList(page, "ComboBox14", {16, 270, 250, 28}, QStringLiteral("ComboBox14"));
    c.mountingLength =
        addEditableList(page, "ComboBox15", {280, 270, 250, 28}, QStringLiteral("ComboBox15"));
    c.caseType =
        addEditableList(page, "ComboBox16", {544, 270, 250, 28}, QStringLiteral("ComboBox16"));
    c.copyTypeName = addButton(page, "BitBtn1", {16, 320, 160, 33}, "Скопировать");
    c.copyTypeName->setIcon(copyGlyph());
    c.coveredRead = addButton(page, "Button20", {496, 320, 160, 33}, "Прочитать");
    c.coveredWrite = addButton(page, "Button21", {672, 320, 160, 33}, "Записать");
    // The visible layer's panel covers all of these.
    keepOutOfTabChain({c.rangeMin,
                       c.rangeMax,
                       c.coveredOffset,
                       c.coveredAdjustment,
                       c.edit20,
                       c.edit21,
                       c.typeName,
                       c.edit23,
                       c.sensorType,
                       c.sensorType->lineEdit(),
                       c.squareRoot,
                       c.coveredAveraging,
                       c.coveredAveraging->lineEdit(),
                       c.designType,
                       c.designType->lineEdit(),
                       c.mountingLength,
                       c.mountingLength->lineEdit(),
                       c.caseType,
                       c.caseType->lineEdit(),
                       c.copyTypeName,
                       c.coveredRead,
                       c.coveredWrite});
}

QLabel* addValueDisplay(QWidget* parent, const char* name, Place place) {
    return addPanel(parent, name, place, kNoData, PanelStyle::Display);
}

void buildVisibleLayer(QWidget* page, SensorControls& c) {
    // Created after the covered layer, so that it lies above it.
    QLabel* top = addPanel(page, "Panel12", {0, 0, 873, 497}, QString(), PanelStyle::Flat);
    addLabel(top, "Label113", {48, 24, 340, 20}, "Диапазон ограниченный конструктивом");
    addLabel(top, "Label115", {64, 48, 75, 20}, "минимум");
    addLabel(top, "Label114", {256, 56, 83, 20}, "максимум");
    c.constructionMin = addValueDisplay(top, "Panel13", {24, 80, 169, 33});
    c.constructionMax = addValueDisplay(top, "Panel14", {216, 80, 161, 33});
    addLabel(top, "Label120", {448, 56, 89, 20}, "Смещение");
    c.offset = addEdit(top, "Edit25", {440, 80, 129, 28}, kNoData);
    addLabel(top, "Label121", {600, 56, 104, 20}, "Подстройка");
    c.adjustment = addEdit(top, "Edit26", {584, 80, 145, 28}, kNoData);
    addLabel(top, "Label116", {72, 136, 238, 20}, "Тип термопреобразователя");
    c.typeNameShown = addValueDisplay(top, "Panel15", {24, 168, 353, 33});
    addLabel(top, "Label117", {72, 216, 216, 20}, "Пользовательский текст");
    c.userText = addEdit(top, "Edit24", {24, 248, 353, 28}, kNoData);
    addLabel(top, "Label118", {112, 288, 107, 20}, "Тип датчика");
    c.sensorTypeShown = addValueDisplay(top, "Panel16", {24, 312, 345, 33});
    addLabel(top, "Label119", {40, 360, 103, 20}, "Усреднение");
    c.averaging = addEditableList(top, "ComboBox17", {32, 392, 113, 28}, kNoData);
    QFont narrowed = c.averaging->font();
    narrowed.setPixelSize(kAveragingFontPixels);
    narrowed.setStretch(kAveragingFontStretch);
    c.averaging->setFont(narrowed);
    c.read = addButton(top, "Button35", {496, 312, 209, 41}, "Прочитать");
    c.write = addButton(top, "Button36", {496, 376, 209, 41}, "Записать");
}

}  // namespace

SensorControls buildSensorPage(QWidget* page) {
    SensorControls c;
    c.page = page;
    buildCoveredLayer(page, c);
    buildVisibleLayer(page, c);
    hint(c.constructionMin, "Минимум диапазона измерения ограниченного конструктивом");
    hint(c.constructionMax, "Максимум диапазона измерения ограниченного конструктивом");
    hint(c.offset, "Смещение значения");
    hint(c.adjustment, "Масштабирование значения");
    hint(c.typeNameShown, "Название типа термопреобразователя и конструктива");
    hint(c.userText, "Пользовательский текст 16 символов");
    hint(c.sensorTypeShown, "Тип термопреобразователя");
    hint(c.averaging, "Усреднение");
    hint(c.read, "Прочитать настройки датчика");
    hint(c.write, "Записать настройки датчика");
    return c;
}

}  // namespace m8163::ui
