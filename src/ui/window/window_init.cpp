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

}  // namespace

void initialiseWindowContents(TForm1& window, const CatalogueLists& catalogue) {
    const WindowControls& c = window.controls();
    window.setWindowTitle(QStringLiteral("ZOVO 8163  0.0.2"));

    QStringList ports;
    for (int n = 1; n <= 8; ++n) {
        ports.append(QStringLiteral("COM %1").arg(n));
    }
    fill(*c.bar.port, ports);
    QStringList speeds;
    for (const LineFormat& format : kLineFormats) {
        speeds.append(QString::number(format.bitRate));
    }
    share({c.bar.speed, c.exchange.speed}, new QStringListModel(speeds, &window));
    fill(*c.exchange.day, numbers(1, 31));
    fill(*c.exchange.month, numbers(1, 12));
    fill(*c.exchange.year, numbers(2000, 2015));

    share({c.bar.module, c.exchange.networkNumber, c.search.firstAddress, c.search.lastAddress},
          new ui::GeneratedListModel(ui::kAddressEntries, ui::addressEntry, &window));

    for (QLineEdit* edit : {c.exchange.factoryNumber1, c.exchange.factoryNumber2,
                            c.exchange.modelCode, c.exchange.software, c.exchange.hardware}) {
        edit->clear();
    }

    // Hidden: only its index is ever read or written.
    share({c.exchange.watchdog},
          new ui::GeneratedListModel(ui::kWatchdogEntries, ui::watchdogEntry, &window));
    QStringList sensorTypes;
    for (std::string_view text : kSensorTypeTexts) {
        sensorTypes.append(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    fill(*c.sensor.sensorType, sensorTypes);
    QStringList averaging;
    for (int count : kAveragingCounts)
        averaging.append(QString::number(count));
    share({c.sensor.coveredAveraging, c.sensor.averaging},
          new QStringListModel(averaging, &window));

    c.sensor.designType->addItems(texts(catalogue.designTypes));
    c.sensor.mountingLength->addItems(texts(catalogue.mountingLengths));
    c.sensor.caseType->addItems(texts(catalogue.caseTypes));
    selectStored(*c.sensor.designType, catalogue.designType);
    selectStored(*c.sensor.mountingLength, catalogue.mountingLength);
    selectStored(*c.sensor.caseType, catalogue.caseType);
}

}  // namespace m8163
