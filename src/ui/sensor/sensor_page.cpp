#include "ui/sensor/sensor_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QWidget>
#include <initializer_list>

#include "ui/shell/decimal_key.h"

namespace m8163 {

namespace {

const QColor kEdited(0, 255, 255);  // aqua
const QColor kClean(255, 255, 255);

// An editor's mark is its background: the field of an edit or list, the
// whole box of a check box.
void paint(QWidget& editor, const QColor& colour) {
    QPalette palette = editor.palette();
    if (qobject_cast<QCheckBox*>(&editor) != nullptr) {
        palette.setColor(QPalette::Window, colour);
        editor.setAutoFillBackground(true);
    } else {
        palette.setColor(QPalette::Base, colour);
    }
    editor.setPalette(palette);
}

void paintAll(std::initializer_list<QWidget*> editors, const QColor& colour) {
    for (QWidget* editor : editors)
        paint(*editor, colour);
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The list entry of a code read from the module; a code without an entry
// leaves the list without a selection.
void select(QComboBox& list, std::uint16_t code) {
    list.setCurrentIndex(code < list.count() ? code : -1);
}

// The entry whose text the list shows; -1 when the shown text is none of
// them. The shown text of an editable list may have been typed while the
// current index still names an earlier pick.
int shownEntry(const QComboBox& list) {
    const QString shown = list.currentText().trimmed();
    if (list.currentIndex() >= 0 && list.itemText(list.currentIndex()).trimmed() == shown)
        return list.currentIndex();
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i).trimmed() == shown)
            return i;
    }
    return -1;
}

}  // namespace

SensorEntry readSensorEntry(const SensorControls& c) {
    return {c.offset->text().toStdString(), c.adjustment->text().toStdString(),
            shownEntry(*c.averaging), c.userText->text().toStdString(),
            c.typeName->text().toStdString()};
}

SensorPage::SensorPage(const SensorControls& controls, const PageContext& context,
                       std::function<void()> pollingOff)
    : QObject(controls.page), c_(controls), context_(context), pollingOff_(std::move(pollingOff)) {
    setObjectName(QStringLiteral("SensorPage"));
    for (QLineEdit* decimal : {c_.rangeMin, c_.rangeMax, c_.coveredOffset, c_.coveredAdjustment,
                               c_.offset, c_.adjustment})
        installDecimalKey(*decimal);
    CommandGuard& commands = context_.commands;
    QObject::connect(c_.read, &QPushButton::clicked, this, [this] { readSensorSettings(); });
    QObject::connect(c_.coveredRead, &QPushButton::clicked, this,
                     [this] { readSensorSettingsCovered(); });
    QObject::connect(c_.write, &QPushButton::clicked, this, [this] { writeSensorSettings(); });
    QObject::connect(c_.coveredWrite, &QPushButton::clicked, this,
                     [this] { writeSensorSettingsCovered(); });
    commands.connect(c_.copyTypeName, &QPushButton::clicked, this, [this] { copyTypeName(); });
    connectEditMarks();
}

// Each editor the user changes paints itself aqua. A text the program sets
// into an edit field or the check box raises them too; the lists react to
// the user's picks and typing only, so that filling them at start-up marks
// nothing.
void SensorPage::connectEditMarks() {
    CommandGuard& commands = context_.commands;
    for (QLineEdit* edit :
         {c_.rangeMin, c_.rangeMax, c_.coveredOffset, c_.coveredAdjustment, c_.edit20, c_.edit21,
          c_.typeName, c_.edit23, c_.userText, c_.offset, c_.adjustment}) {
        commands.connect(edit, &QLineEdit::textChanged, this, [edit] { paint(*edit, kEdited); });
    }
    for (QComboBox* list : {c_.sensorType, c_.coveredAveraging, c_.averaging}) {
        commands.connect(list, &QComboBox::activated, this, [list] { paint(*list, kEdited); });
        commands.connect(list->lineEdit(), &QLineEdit::textEdited, this,
                         [list] { paint(*list, kEdited); });
    }
    QCheckBox* squareRoot = c_.squareRoot;
    commands.connect(squareRoot, &QCheckBox::toggled, this,
                     [squareRoot] { paint(*squareRoot, kEdited); });
}

SensorData SensorPage::data() {
    return {context_.state.image, context_.state.sensorSettingsRead};
}

void SensorPage::readSensorSettings() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSensorRead(data(), line.line(), line.pump(), context_.boxes, *this,
                      SensorReadTexts::Shown);
    });
}

void SensorPage::readSensorSettingsCovered() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSensorRead(data(), line.line(), line.pump(), context_.boxes, *this,
                      SensorReadTexts::Left);
    });
}

void SensorPage::writeSensorSettings() {
    write(EditMarks::All);
}

void SensorPage::writeSensorSettingsCovered() {
    write(EditMarks::Covered);
}

void SensorPage::write(EditMarks marks) {
    // A write runs to its end even when a close is asked for meanwhile: the
    // module never keeps half of it.
    context_.commands.runWithLine(
        [this, marks](LineLease& line) {
            runSensorWrite(data(), readSensorEntry(c_), line.line(), line.pump(), context_.boxes,
                           *this, marks);
        },
        CommandKind::Write);
}

void SensorPage::copyTypeName() {
    const QString gap = QStringLiteral("  ");
    c_.typeName->setText(c_.designType->currentText() + gap + c_.mountingLength->currentText() +
                         gap + c_.caseType->currentText());
}

void SensorPage::switchPollingOff() {
    pollingOff_();
}

void SensorPage::showSensorSettings(const SensorDisplay& display) {
    c_.rangeMin->setText(text(display.rangeMin));
    c_.rangeMax->setText(text(display.rangeMax));
    c_.coveredOffset->setText(text(display.offset));
    c_.offset->setText(text(display.offset));
    c_.coveredAdjustment->setText(text(display.adjustment));
    c_.adjustment->setText(text(display.adjustment));
    select(*c_.sensorType, display.sensorType);
    c_.sensorTypeShown->setText(c_.sensorType->currentIndex() >= 0 ? c_.sensorType->currentText()
                                                                   : QString());
    c_.constructionMin->setText(text(display.constructionRangeMin));
    c_.constructionMax->setText(text(display.constructionRangeMax));
    c_.squareRoot->setChecked(display.squareRoot);
    select(*c_.coveredAveraging, display.averaging);
    select(*c_.averaging, display.averaging);
}

void SensorPage::clearSettingsMarks() {
    paintAll({c_.coveredAveraging, c_.averaging, c_.sensorType, c_.rangeMin, c_.rangeMax,
              c_.coveredOffset, c_.coveredAdjustment, c_.offset, c_.adjustment, c_.squareRoot},
             kClean);
}

void SensorPage::showTexts(const std::string& userText, const std::string& typeName) {
    c_.userText->setText(text(userText));
    paint(*c_.userText, kClean);
    c_.typeNameShown->setText(text(typeName));
}

void SensorPage::clearEditMarks(EditMarks marks) {
    paintAll({c_.coveredAveraging, c_.sensorType, c_.rangeMin, c_.rangeMax, c_.coveredOffset,
              c_.coveredAdjustment, c_.edit20, c_.edit21, c_.typeName, c_.edit23, c_.squareRoot},
             kClean);
    if (marks == EditMarks::All)
        paintAll({c_.averaging, c_.userText, c_.offset, c_.adjustment}, kClean);
}

}  // namespace m8163
