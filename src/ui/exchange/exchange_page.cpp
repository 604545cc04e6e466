#include "ui/exchange/exchange_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "link/line_format.h"
#include "ui/bar/connection_bar.h"
#include "ui/shell/named_control.h"
#include "ui/shell/refresh_guard.h"

namespace m8163 {

namespace {

// An editor and the panel over it show the same text.
void showNumber(QLineEdit& editor, QLabel& panel, const QString& text) {
    editor.setText(text);
    panel.setText(editor.text());
}

// A list and the panel over it show the entry; an index that names no entry
// leaves the list without a selection and the panel empty.
void showEntry(QComboBox& list, QLabel& panel, int index) {
    list.setCurrentIndex(index);
    panel.setText(list.currentText());
}

}  // namespace

ExchangePage::ExchangePage(QWidget& root, const PageContext& context, ConnectionBar& bar)
    : QObject(&root),
      context_(context),
      bar_(bar),
      modelCode_(namedControl<QLineEdit>(root, "Edit3")),
      factoryNumber1_(namedControl<QLineEdit>(root, "Edit1")),
      factoryNumber2_(namedControl<QLineEdit>(root, "Edit2")),
      software_(namedControl<QLineEdit>(root, "Edit4")),
      hardware_(namedControl<QLineEdit>(root, "Edit5")),
      day_(namedControl<QComboBox>(root, "ComboBox7")),
      month_(namedControl<QComboBox>(root, "ComboBox8")),
      year_(namedControl<QComboBox>(root, "ComboBox9")),
      speed_(namedControl<QComboBox>(root, "ComboBox4")),
      networkNumber_(namedControl<QComboBox>(root, "ComboBox5")),
      watchdog_(namedControl<QComboBox>(root, "ComboBox6")),
      parityOn_(namedControl<QCheckBox>(root, "CheckBox3")),
      parityEven_(namedControl<QCheckBox>(root, "CheckBox4")),
      modelPanel_(namedControl<QLabel>(root, "Panel19")),
      factoryPanel1_(namedControl<QLabel>(root, "Panel5")),
      factoryPanel2_(namedControl<QLabel>(root, "Panel6")),
      softwarePanel_(namedControl<QLabel>(root, "Panel20")),
      hardwarePanel_(namedControl<QLabel>(root, "Panel21")),
      dayPanel_(namedControl<QLabel>(root, "Panel8")),
      monthPanel_(namedControl<QLabel>(root, "Panel9")),
      yearPanel_(namedControl<QLabel>(root, "Panel17")),
      read_(namedControl<QPushButton>(root, "Button9")),
      write_(namedControl<QPushButton>(root, "Button1")),
      editors_{modelCode_, factoryNumber1_, factoryNumber2_, day_,      month_,    year_,    speed_,
               parityOn_,  parityEven_,     networkNumber_,  hardware_, software_, watchdog_} {
    setObjectName(QStringLiteral("ExchangePage"));
    QObject::connect(&read_, &QPushButton::clicked, this, [this] { Button9Click(); });
    QObject::connect(&write_, &QPushButton::clicked, this, [this] { Button1Click(); });
    // Only the user's picks and clicks are changes. One that cannot run now
    // (another command holds the line) springs back to the register image,
    // so that the page never shows what "Записать" would not send.
    auto change = [this] {
        if (!context_.commands.runWithLine([this](LineLease&) { pageChanged(); }))
            refresh();
    };
    for (QComboBox* list : {&speed_, &networkNumber_, &day_, &month_, &year_})
        QObject::connect(list, &QComboBox::activated, this, change);
    for (QCheckBox* box : {&parityOn_, &parityEven_})
        QObject::connect(box, &QCheckBox::clicked, this, change);
}

void ExchangePage::Button9Click() {
    context_.commands.runWithLine([this](LineLease& line) {
        runReadExchangePage(line.line(), line.pump(), context_.state.image, context_.boxes, *this);
    });
}

void ExchangePage::Button1Click() {
    context_.commands.runWithLine([this](LineLease& line) {
        runWriteExchangePage(line.line(), line.pump(), context_.state.image,
                             context_.state.connection, context_.boxes, *this, bar_);
    });
}

void ExchangePage::pageChanged() {
    if (context_.state.refreshGuard)
        return;
    // A refused field has shown its box; the refresh puts its editor back.
    takeOver();
    refresh();
}

bool ExchangePage::takeOver() {
    return takeOverExchangePage(editors_, context_.state, context_.boxes);
}

void ExchangePage::refresh() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    const RegisterImage& image = context_.state.image;
    showNumber(modelCode_, modelPanel_,
               QString::asprintf("%04X", unsigned{image.word(reg::kModelCode)}));
    showNumber(factoryNumber1_, factoryPanel1_, QString::number(image.word(reg::kFactoryNumber1)));
    showNumber(factoryNumber2_, factoryPanel2_, QString::number(image.word(reg::kFactoryNumber2)));
    showEntry(day_, dayPanel_, image.word(reg::kManufactureDay) - 1);
    showEntry(month_, monthPanel_, image.word(reg::kManufactureMonth) - 1);
    showEntry(year_, yearPanel_, image.word(reg::kManufactureYear));
    if (const LineFormat* format = lineFormatByModuleCode(image.word(reg::kSpeedCode)))
        speed_.setCurrentIndex(format->listIndex);
    showParity(parityOn_, parityEven_, image.word(reg::kParityCode));
    // A number the list does not hold (read from a module, 248 or more)
    // leaves no number picked: an old pick would show a number that is not
    // the one "Записать" would send.
    const int number = image.word(reg::kNetworkNumber);
    networkNumber_.setCurrentIndex(number < networkNumber_.count() ? number : -1);
    showNumber(software_, softwarePanel_, QString::number(image.word(reg::kSoftwareVersion)));
    showNumber(hardware_, hardwarePanel_, QString::number(image.word(reg::kHardwareVersion)));
    watchdog_.setCurrentIndex(image.word(reg::kWatchdogTime));
}

void ExchangePage::selectNetworkNumber(int number) {
    RefreshGuardScope guard(context_.state.refreshGuard);
    if (number >= 0 && number < networkNumber_.count())
        networkNumber_.setCurrentIndex(number);
}

}  // namespace m8163
