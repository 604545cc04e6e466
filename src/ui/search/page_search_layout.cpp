// Page 3, "Поиск".
#include <algorithm>
#include <array>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "ui/search/search_controls.h"
#include "ui/shell/controls.h"

namespace m8163::ui {

SearchControls buildSearchPage(QWidget* page) {
    SearchControls c;
    c.page = page;
    addLabel(page, "Label96", {64, 8, 175, 20}, "Найденные приборы");
    c.found = new QListWidget(page);
    c.found->setObjectName(QStringLiteral("ListBox1"));
    c.found->setGeometry(8, 40, 385, 281);
    c.progress = addPanel(page, "Panel11", {16, 344, 609, 33}, " ", PanelStyle::Display);
    c.progress->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // How far a running search is, trials done of planned; shown only then.
    c.trials = new QProgressBar(page);
    c.trials->setObjectName(QStringLiteral("SearchProgress"));
    c.trials->setGeometry(16, 384, 609, 17);
    c.trials->setFormat(QStringLiteral("%v из %m"));
    c.trials->hide();

    addLabel(page, "Label97", {504, 40, 182, 20}, "Скорости для поиска");
    struct Box {
        const char* name;
        Place place;
        const char* text;
        const char* hint;
    };
    static const Box kBoxes[] = {
        {"CheckBox9", {408, 72, 97, 17}, "1200", "Модуль будет искаться на скорости 1200"},
        {"CheckBox10", {512, 72, 97, 17}, "2400", "Модуль будет искаться на скорости 2400"},
        {"CheckBox11", {616, 72, 97, 17}, "4800", "Модуль будет искаться на скорости 4800"},
        {"CheckBox12", {408, 104, 97, 17}, "9600", "Модуль будет искаться на скорости 9600"},
        {"CheckBox13", {512, 104, 97, 17}, "19200", "Модуль будет искаться на скорости 19200"},
        {"CheckBox14", {616, 104, 97, 17}, "38400", "Модуль будет искаться на скорости 38400"},
        {"CheckBox18", {408, 136, 97, 17}, "57600", "Модуль будет искаться на скорости 57600"},
        {"CheckBox19", {512, 136, 97, 17}, "115200", "Модуль будет искаться на скорости 115200"},
        {"CheckBox15", {408, 192, 97, 17}, "нет", "Модуль будет искаться обменом без паритета"},
        {"CheckBox16",
         {512, 192, 105, 17},
         "нечетный",
         "Модуль будет искаться обменом с нечетным паритетом"},
        {"CheckBox17",
         {632, 192, 97, 17},
         "четный",
         "Модуль будет искаться обменом с четным паритетом"},
    };
    std::array<QCheckBox*, 11> boxes{};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const Box& box = kBoxes[i];
        boxes[i] = addCheckBox(page, box.name, box.place, QString::fromUtf8(box.text));
        hint(boxes[i], box.hint);
    }
    std::copy(boxes.begin(), boxes.begin() + 8, c.speeds.begin());
    std::copy(boxes.begin() + 8, boxes.end(), c.parities.begin());
    addLabel(page, "Label98", {512, 160, 74, 20}, "Паритет");
    addLabel(page, "Label99", {560, 240, 260, 20}, "Диапазон адресов для поиска");
    addLabel(page, "Label100", {536, 264, 100, 20}, "Начальный");
    addLabel(page, "Label101", {744, 264, 100, 20}, "Последний");
    c.firstAddress =
        addEditableList(page, "ComboBox12", {536, 288, 145, 28}, QStringLiteral("ComboBox12"));
    c.lastAddress =
        addEditableList(page, "ComboBox13", {720, 288, 145, 28}, QStringLiteral("ComboBox13"));
    c.start = addButton(page, "Button33", {680, 328, 185, 25}, "Начать поиск");
    c.stop = addButton(page, "Button34", {680, 360, 185, 25}, "Остановить поиск");
    hint(c.found, "Список найденных устройств");
    hint(c.firstAddress, "Начальный адрес поиска");
    hint(c.lastAddress, "Последний адрес поиска");
    hint(c.start, "Начать поиск модулей");
    hint(c.stop, "Остановить поиск модулей");
    return c;
}

}  // namespace m8163::ui
