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
#include "ui/shell/named_control.h"

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

void paintAll(const QWidget& root, std::initializer_list<const char*> names, const QColor& colour) {
    for (const char* name : names)
        paint(namedControl<QWidget>(root, name), colour);
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The list entry of a code read from the module; a code without an entry
// leaves the list without a selection.
void select(QComboBox& list, std::uint16_t code) {
    list.setCurrentIndex(code < list.count() ? code : -1);
}

}  // namespace

SensorPage::SensorPage(QWidget& root, const PageContext& context, std::function<void()> pollingOff)
    : QObject(&root),
      root_(root),
      context_(context),
      pollingOff_(std::move(pollingOff)),
      editors_(SensorEditors::find(root)),
      rangeMin_(namedControl<QLineEdit>(root, "Edit6")),
      rangeMax_(namedControl<QLineEdit>(root, "Edit7")),
      coveredOffset_(namedControl<QLineEdit>(root, "Edit8")),
      coveredAdjust_(namedControl<QLineEdit>(root, "Edit9")),
      offset_(namedControl<QLineEdit>(root, "Edit25")),
      adjustment_(namedControl<QLineEdit>(root, "Edit26")),
      userText_(namedControl<QLineEdit>(root, "Edit24")),
      typeName_(namedControl<QLineEdit>(root, "Edit22")),
      sensorType_(namedControl<QComboBox>(root, "ComboBox10")),
      coveredAveraging_(namedControl<QComboBox>(root, "ComboBox11")),
      averaging_(namedControl<QComboBox>(root, "ComboBox17")),
      designType_(namedControl<QComboBox>(root, "ComboBox14")),
      mountingLength_(namedControl<QComboBox>(root, "ComboBox15")),
      caseType_(namedControl<QComboBox>(root, "ComboBox16")),
      squareRoot_(namedControl<QCheckBox>(root, "CheckBox5")),
      constructionMin_(namedControl<QLabel>(root, "Panel13")),
      constructionMax_(namedControl<QLabel>(root, "Panel14")),
      typeNameShown_(namedControl<QLabel>(root, "Panel15")),
      sensorTypeShown_(namedControl<QLabel>(root, "Panel16")) {
    setObjectName(QStringLiteral("SensorPage"));
    installDecimalKeys(root);
    CommandGuard& commands = context_.commands;
    const auto button = [&root](const char* name) {
        return &namedControl<QPushButton>(root, name);
    };
    QObject::connect(button("Button35"), &QPushButton::clicked, this, [this] { Button35Click(); });
    QObject::connect(button("Button20"), &QPushButton::clicked, this, [this] { Button20Click(); });
    QObject::connect(button("Button36"), &QPushButton::clicked, this, [this] { Button36Click(); });
    QObject::connect(button("Button21"), &QPushButton::clicked, this, [this] { Button21Click(); });
    commands.connect(button("BitBtn1"), &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connectEditMarks();
}

// Edit6Change ... Edit26Change, ComboBox10Change, ComboBox11Change,
// ComboBox17Change, CheckBox5Click: each paints its own control aqua. A text
// the program sets into an edit field or the check box raises them too; the
// lists react to the user's picks and typing only, so that filling them at
// start-up marks nothing.
void SensorPage::connectEditMarks() {
    CommandGuard& commands = context_.commands;
    for (const char* name : {"Edit6", "Edit7", "Edit8", "Edit9", "Edit20", "Edit21", "Edit22",
                             "Edit23", "Edit24", "Edit25", "Edit26"}) {
        QLineEdit* edit = &namedControl<QLineEdit>(root_, name);
        commands.connect(edit, &QLineEdit::textChanged, this, [edit] { paint(*edit, kEdited); });
    }
    for (const char* name : {"ComboBox10", "ComboBox11", "ComboBox17"}) {
        QComboBox* list = &namedControl<QComboBox>(root_, name);
        commands.connect(list, &QComboBox::activated, this, [list] { paint(*list, kEdited); });
        commands.connect(list->lineEdit(), &QLineEdit::textEdited, this,
                         [list] { paint(*list, kEdited); });
    }
    commands.connect(&squareRoot_, &QCheckBox::toggled, this,
                     [this] { paint(squareRoot_, kEdited); });
}

SensorData SensorPage::data() {
    return {context_.state.image, context_.state.sensorSettingsRead};
}

void SensorPage::Button35Click() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSensorRead(data(), line.line(), line.pump(), context_.boxes, *this,
                      SensorReadTexts::Shown);
    });
}

void SensorPage::Button20Click() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSensorRead(data(), line.line(), line.pump(), context_.boxes, *this,
                      SensorReadTexts::Left);
    });
}

void SensorPage::Button36Click() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSensorWrite(data(), line.line(), line.pump(), context_.boxes, *this, EditMarks::All);
    });
}

void SensorPage::Button21Click() {
    context_.commands.runWithLine([this](LineLease& line) {
        runSensorWrite(data(), line.line(), line.pump(), context_.boxes, *this, EditMarks::Covered);
    });
}

void SensorPage::BitBtn1Click() {
    const QString gap = QStringLiteral("  ");
    typeName_.setText(designType_.currentText() + gap + mountingLength_.currentText() + gap +
                      caseType_.currentText());
}

void SensorPage::switchPollingOff() {
    pollingOff_();
}

void SensorPage::showSensorSettings(const SensorDisplay& display) {
    rangeMin_.setText(text(display.rangeMin));
    rangeMax_.setText(text(display.rangeMax));
    coveredOffset_.setText(text(display.offset));
    offset_.setText(text(display.offset));
    coveredAdjust_.setText(text(display.adjustment));
    adjustment_.setText(text(display.adjustment));
    select(sensorType_, display.sensorType);
    sensorTypeShown_.setText(sensorType_.currentIndex() >= 0 ? sensorType_.currentText()
                                                             : QString());
    constructionMin_.setText(text(display.constructionRangeMin));
    constructionMax_.setText(text(display.constructionRangeMax));
    squareRoot_.setChecked(display.squareRoot);
    select(coveredAveraging_, display.averaging);
    select(averaging_, display.averaging);
}

void SensorPage::clearSettingsMarks() {
    paintAll(root_,
             {"ComboBox11", "ComboBox17", "ComboBox10", "Edit6", "Edit7", "Edit8", "Edit9",
              "Edit25", "Edit26", "CheckBox5"},
             kClean);
}

void SensorPage::showTexts(const std::string& userText, const std::string& typeName) {
    userText_.setText(text(userText));
    paint(userText_, kClean);
    typeNameShown_.setText(text(typeName));
}

void SensorPage::clearEditMarks(EditMarks marks) {
    paintAll(root_,
             {"ComboBox11", "ComboBox10", "Edit6", "Edit7", "Edit8", "Edit9", "Edit20", "Edit21",
              "Edit22", "Edit23", "CheckBox5"},
             kClean);
    if (marks == EditMarks::All)
        paintAll(root_, {"ComboBox17", "Edit24", "Edit25", "Edit26"}, kClean);
}

bool SensorPage::takeOverSettings() {
    return takeOverSensorPage(editors_, context_.state, context_.boxes);
}

bool SensorPage::takeOverUserText() {
    return m8163::takeOverUserText(editors_, context_.state, context_.boxes);
}

void SensorPage::takeOverTypeName() {
    m8163::takeOverTypeName(editors_, context_.state);
}

}  // namespace m8163
