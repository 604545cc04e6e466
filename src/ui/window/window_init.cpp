#include "ui/window/window_init.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QStringListModel>
#include <initializer_list>

#include "link/line_format.h"
#include "module/field_rules.h"
#include "module/register_codec.h"
#include "ui/shell/controls.h"
#include "ui/shell/list_models.h"
#include "ui/window/main_window.h"

namespace m8163 {

namespace {

// A filled list starts without a selection and keeps the text it showed
// before the filling.
void startUnselected(QComboBox& list, const QString& text) {
    list.setCurrentIndex(-1);
    if (list.isEditable()) {
        ui::showText(list, text);
    }
}

// Appends the entries in one step.
void fill(QComboBox& list, const QStringList& entries) {
    const QString text = list.currentText();
    list.addItems(entries);
    startUnselected(list, text);
}

// Gives the lists one model (owned by the window); their own, empty ones go.
void share(std::initializer_list<QComboBox*> lists, QAbstractItemModel* entries) {
    for (QComboBox* list : lists) {
        const QString text = list->currentText();
        list->setModel(entries);
        startUnselected(*list, text);
    }
}

QStringList numbers(int first, int last) {
    QStringList entries;
    entries.reserve(last - first + 1);
    for (int n = first; n <= last; ++n) {
        entries.append(QString::number(n));
    }
    return entries;
}

QStringList texts(const std::vector<std::string>& table) {
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(table.size()));
    for (const std::string& text : table) {
        entries.append(QString::fromStdString(text));
    }
    return entries;
}

// The stored index when the table has such an entry, else entry 0.
void selectStored(QComboBox& list, unsigned stored) {
    if (list.count() == 0) {
        return;
    }
    list.setCurrentIndex(
        stored <= static_cast<unsigned>(list.count() - 1) ? static_cast<int>(stored) : 0);
}

struct Hint {
    const char* control;
    const char* text;
};

// Every control's hint, hidden and covered controls included.
constexpr Hint kHints[] = {
    {"ComboBox1", "Номер порта"},
    {"ComboBox2", "Скорость обмена"},
    {"ComboBox3", "Сетевой номер модуля"},
    {"CheckBox1", "Разрешение использования проверки паритета при обмене"},
    {"CheckBox2", "При обмене используется проверка на четный паритет"},
    {"Button15", "Выставить параметры обмена с включенным в модулем режимом INIT"},
    {"Button2", "Включить мигание светодиода на модуле"},
    {"CheckBox6", "При выставлении флажка пишем лог обмена в файл"},
    {"Button11", "Прочитать все параметры модуля"},
    {"Button12", "Записать все параметры модуля"},
    {"Button17", "Прочитать текущее измеренное значение"},
    {"Button18", "Начать циклическое чтение измеренного значения"},
    {"Button19", "Остановить циклическое чтение измеренного значения"},
    {"Button16", "Сбросить счетчики циклов запросов и обнаруженных ошибок"},
    {"CheckBox7", "При выставлении флажка пишем измеренные значения в файл"},
    {"Panel13", "Минимум диапазона измерения ограниченного конструктивом"},
    {"Panel14", "Максимум диапазона измерения ограниченного конструктивом"},
    {"Edit25", "Смещение значения"},
    {"Edit26", "Масштабирование значения"},
    {"Panel15", "Название типа термопреобразователя и конструктива"},
    {"Edit24", "Пользовательский текст 16 символов"},
    {"Panel16", "Тип термопреобразователя"},
    {"ComboBox17", "Усреднение"},
    {"Button35", "Прочитать настройки датчика"},
    {"Button36", "Записать настройки датчика"},
    {"ComboBox4", "Новая скорость обмена"},
    {"Button1", "Записать параметры связи"},
    {"ComboBox5", "Новый номер модуля"},
    {"CheckBox3", "Разрешение использования проверки паритета при обмене"},
    {"CheckBox4", "При обмене используется проверка на четный паритет"},
    {"Panel5", "Заводской номер"},
    {"Panel6", "Заводской номер"},
    {"Panel8", "Число изготовления"},
    {"Panel9", "Месяц изготовления"},
    {"Panel17", "Год изготовления"},
    {"Panel19", "Модель модуля"},
    {"Panel20", "Версия ПО модуля"},
    {"Panel21", "Версия железа модуля"},
    {"Button9", "Прочитать все общие параметры"},
    {"ListBox1", "Список найденных устройств"},
    {"CheckBox9", "Модуль будет искаться на скорости 1200"},
    {"CheckBox10", "Модуль будет искаться на скорости 2400"},
    {"CheckBox11", "Модуль будет искаться на скорости 4800"},
    {"CheckBox12", "Модуль будет искаться на скорости 9600"},
    {"CheckBox13", "Модуль будет искаться на скорости 19200"},
    {"CheckBox14", "Модуль будет искаться на скорости 38400"},
    {"CheckBox18", "Модуль будет искаться на скорости 57600"},
    {"CheckBox19", "Модуль будет искаться на скорости 115200"},
    {"CheckBox15", "Модуль будет искаться обменом без паритета"},
    {"CheckBox16", "Модуль будет искаться обменом с нечетным паритетом"},
    {"CheckBox17", "Модуль будет искаться обменом с четным паритетом"},
    {"ComboBox12", "Начальный адрес поиска"},
    {"ComboBox13", "Последний адрес поиска"},
    {"Button33", "Начать поиск модулей"},
    {"Button34", "Остановить поиск модулей"},
};

}  // namespace

void initialiseWindowContents(TForm1& window, const CatalogueLists& catalogue) {
    auto list = [&window](const char* name) -> QComboBox& {
        return window.control<QComboBox>(name);
    };

    window.setWindowTitle(QStringLiteral("ZOVO 8163  0.0.2"));

    QStringList ports;
    for (int n = 1; n <= 8; ++n) {
        ports.append(QStringLiteral("COM %1").arg(n));
    }
    fill(list("ComboBox1"), ports);
    QStringList speeds;
    for (const LineFormat& format : kLineFormats) {
        speeds.append(QString::number(format.bitRate));
    }
    share({&list("ComboBox2"), &list("ComboBox4")}, new QStringListModel(speeds, &window));
    fill(list("ComboBox7"), numbers(1, 31));
    fill(list("ComboBox8"), numbers(1, 12));
    fill(list("ComboBox9"), numbers(2000, 2015));

    share({&list("ComboBox3"), &list("ComboBox5"), &list("ComboBox12"), &list("ComboBox13")},
          new ui::GeneratedListModel(ui::kAddressEntries, ui::addressEntry, &window));

    for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5"}) {
        window.control<QLineEdit>(name).clear();
    }

    // Hidden: only its index is ever read or written.
    share({&list("ComboBox6")},
          new ui::GeneratedListModel(ui::kWatchdogEntries, ui::watchdogEntry, &window));
    QStringList sensorTypes;
    for (std::string_view text : kSensorTypeTexts) {
        sensorTypes.append(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    fill(list("ComboBox10"), sensorTypes);
    QStringList averaging;
    for (int count : kAveragingCounts)
        averaging.append(QString::number(count));
    share({&list("ComboBox11"), &list("ComboBox17")}, new QStringListModel(averaging, &window));

    list("ComboBox14").addItems(texts(catalogue.designTypes));
    list("ComboBox15").addItems(texts(catalogue.mountingLengths));
    list("ComboBox16").addItems(texts(catalogue.caseTypes));
    selectStored(list("ComboBox14"), catalogue.designType);
    selectStored(list("ComboBox15"), catalogue.mountingLength);
    selectStored(list("ComboBox16"), catalogue.caseType);

    for (const Hint& hint : kHints) {
        window.control<QWidget>(hint.control).setToolTip(QString::fromUtf8(hint.text));
    }
}

}  // namespace m8163
