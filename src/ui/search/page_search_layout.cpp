// Page 3, "Поиск".
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "ui/shell/controls.h"
#include "ui/window/window_layout.h"

namespace m8163::ui {

void buildSearchPage(QWidget* page) {
    addLabel(page, "Label96", {64, 8, 175, 20}, "Найденные приборы");
    auto* found = new QListWidget(page);
    found->setObjectName(QStringLiteral("ListBox1"));
    found->setGeometry(8, 40, 385, 281);
    QLabel* progress = addPanel(page, "Panel11", {16, 344, 609, 33}, " ", PanelStyle::Display);
    progress->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // How far a running search is, trials done of planned; shown only then.
    auto* trials = new QProgressBar(page);
    trials->setObjectName(QStringLiteral("SearchProgress"));
    trials->setGeometry(16, 384, 609, 17);
    trials->setFormat(QStringLiteral("%v из %m"));
    trials->hide();

    addLabel(page, "Label97", {504, 40, 182, 20}, "Скорости для поиска");
    struct Box {
        const char* name;
        Place place;
        const char* text;
    };
    static const Box kBoxes[] = {
        {"CheckBox9", {408, 72, 97, 17}, "1200"},
        {"CheckBox10", {512, 72, 97, 17}, "2400"},
        {"CheckBox11", {616, 72, 97, 17}, "4800"},
        {"CheckBox12", {408, 104, 97, 17}, "9600"},
        {"CheckBox13", {512, 104, 97, 17}, "19200"},
        {"CheckBox14", {616, 104, 97, 17}, "38400"},
        {"CheckBox18", {408, 136, 97, 17}, "57600"},
        {"CheckBox19", {512, 136, 97, 17}, "115200"},
        {"CheckBox15", {408, 192, 97, 17}, "нет"},
        {"CheckBox16", {512, 192, 105, 17}, "нечетный"},
        {"CheckBox17", {632, 192, 97, 17}, "четный"},
    };
    for (const Box& box : kBoxes) {
        addCheckBox(page, box.name, box.place, QString::fromUtf8(box.text));
    }
    addLabel(page, "Label98", {512, 160, 74, 20}, "Паритет");
    addLabel(page, "Label99", {560, 240, 260, 20}, "Диапазон адресов для поиска");
    addLabel(page, "Label100", {536, 264, 100, 20}, "Начальный");
    addLabel(page, "Label101", {744, 264, 100, 20}, "Последний");
    addEditableList(page, "ComboBox12", {536, 288, 145, 28}, QStringLiteral("ComboBox12"));
    addEditableList(page, "ComboBox13", {720, 288, 145, 28}, QStringLiteral("ComboBox13"));
    addButton(page, "Button33", {680, 328, 185, 25}, "Начать поиск");
    addButton(page, "Button34", {680, 360, 185, 25}, "Остановить поиск");
}

}  // namespace m8163::ui
