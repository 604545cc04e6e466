#include "ui/exchange/exchange_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "link/line_format.h"
#include "ui/shell/parity_boxes.h"
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

ExchangeEntry readExchangeEntry(const ExchangeControls& c) {
    return {c.modelCode->text().toStdString(),
            c.factoryNumber1->text().toStdString(),
            c.factoryNumber2->text().toStdString(),
            c.day->currentIndex(),
            c.month->currentIndex(),
            c.year->currentIndex(),
            c.speed->currentIndex(),
            parityOf(*c.parityOn, *c.parityEven),
            c.networkNumber->currentIndex(),
            c.hardware->text().toStdString(),
            c.software->text().toStdString(),
            c.watchdog->currentIndex()};
}

ExchangePage::ExchangePage(const ExchangeControls& controls, const PageContext& context,
                           ConnectionView& connection)
    : QObject(controls.page), c_(controls), context_(context), connection_(connection) {
    setObjectName(QStringLiteral("ExchangePage"));
    QObject::connect(c_.read, &QPushButton::clicked, this, [this] { readExchangeParameters(); });
    QObject::connect(c_.write, &QPushButton::clicked, this, [this] { writeExchangeParameters(); });
    // Only the user's picks and clicks are changes. One that cannot run now
    // (another command holds the line) springs back to the register image,
    // so that the page never shows what "Записать" would not send.
    auto change = [this] {
        if (!context_.commands.runWithLine([this](LineLease&) { pageChanged(); }))
            refresh();
    };
    for (QComboBox* list : {c_.speed, c_.networkNumber, c_.day, c_.month, c_.year})
        QObject::connect(list, &QComboBox::activated, this, change);
    for (QCheckBox* box : {c_.parityOn, c_.parityEven})
        QObject::connect(box, &QCheckBox::clicked, this, change);
}

void ExchangePage::readExchangeParameters() {
    context_.commands.runWithLine([this](LineLease& line) {
        runReadExchangePage(line.line(), line.pump(), context_.state.image, context_.boxes, *this);
    });
}

void ExchangePage::writeExchangeParameters() {
    // Runs to its end when a close is asked for meanwhile, as every write.
    context_.commands.runWithLine(
        [this](LineLease& line) {
            runWriteExchangePage(line.line(), line.pump(), context_.state.image,
                                 context_.state.connection, context_.boxes, *this, connection_);
        },
        CommandKind::Write);
}

void ExchangePage::pageChanged() {
    if (context_.state.refreshGuard)
        return;
    // A refused field has shown its box; the refresh puts its editor back.
    takeOver();
    refresh();
}

bool ExchangePage::takeOver() {
    // A refusal's box runs the event loop: no change reaction may take the
    // half-taken page meanwhile.
    RefreshGuardScope guard(context_.state.refreshGuard);
    return takeOverExchangeEntry(readExchangeEntry(c_), context_.state.image, context_.boxes);
}

void ExchangePage::refresh() {
    RefreshGuardScope guard(context_.state.refreshGuard);
    const RegisterImage& image = context_.state.image;
    showNumber(*c_.modelCode, *c_.modelPanel,
               QString::asprintf("%04X", unsigned{image.word(reg::kModelCode)}));
    showNumber(*c_.factoryNumber1, *c_.factoryPanel1,
               QString::number(image.word(reg::kFactoryNumber1)));
    showNumber(*c_.factoryNumber2, *c_.factoryPanel2,
               QString::number(image.word(reg::kFactoryNumber2)));
    showEntry(*c_.day, *c_.dayPanel, image.word(reg::kManufactureDay) - 1);
    showEntry(*c_.month, *c_.monthPanel, image.word(reg::kManufactureMonth) - 1);
    showEntry(*c_.year, *c_.yearPanel, image.word(reg::kManufactureYear));
    if (const LineFormat* format = lineFormatByModuleCode(image.word(reg::kSpeedCode)))
        c_.speed->setCurrentIndex(format->listIndex);
    showParity(*c_.parityOn, *c_.parityEven, parityFromCode(image.word(reg::kParityCode)));
    // A number the list does not hold (read from a module, 248 or more)
    // leaves no number picked: an old pick would show a number that is not
    // the one "Записать" would send.
    const int number = image.word(reg::kNetworkNumber);
    c_.networkNumber->setCurrentIndex(number < c_.networkNumber->count() ? number : -1);
    showNumber(*c_.software, *c_.softwarePanel, QString::number(image.word(reg::kSoftwareVersion)));
    showNumber(*c_.hardware, *c_.hardwarePanel, QString::number(image.word(reg::kHardwareVersion)));
    c_.watchdog->setCurrentIndex(image.word(reg::kWatchdogTime));
}

void ExchangePage::selectNetworkNumber(int number) {
    RefreshGuardScope guard(context_.state.refreshGuard);
    if (number >= 0 && number < c_.networkNumber->count())
        c_.networkNumber->setCurrentIndex(number);
}

}  // namespace m8163
