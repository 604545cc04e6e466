#include "ui/shell/decimal_key.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/number_text.h"
#include "scoped_locale.h"

namespace m8163 {
namespace {

// Types one character as the keyboard delivers it: a key press carrying the
// character's text, then the release.
void type(QLineEdit& edit, QChar c, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    int key = c.toUpper().unicode();  // Qt::Key_Comma and Qt::Key_Period are the characters' codes
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(c));
    QCoreApplication::sendEvent(&edit, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, QString(c));
    QCoreApplication::sendEvent(&edit, &release);
}

void typeText(QLineEdit& edit, const QString& text) {
    for (QChar c : text)
        type(edit, c);
}

struct DecimalFields : ::testing::Test {
    DecimalFields() {
        for (const char* name :
             {"Edit6", "Edit7", "Edit8", "Edit9", "Edit25", "Edit26", "Edit24"}) {
            auto* edit = new QLineEdit(&window);
            edit->setObjectName(name);
            // The user text is no decimal field: it keeps what is typed.
            if (std::string_view(name) != "Edit24")
                installDecimalKey(*edit);
        }
        window.findChild<QLineEdit*>("Edit6")->setReadOnly(true);
    }
    QLineEdit& edit(const char* name) { return *window.findChild<QLineEdit*>(name); }

    QWidget window;
};

TEST_F(DecimalFields, CommaAndPointBothEnterThePoint) {
    for (const char* name : {"Edit7", "Edit8", "Edit9", "Edit25", "Edit26"}) {
        SCOPED_TRACE(name);
        typeText(edit(name), "2,5");
        EXPECT_EQ(edit(name).text(), "2.5");
        EXPECT_EQ(readReal(edit(name).text().toStdString()), 2.5f);
        typeText(edit(name), ".1");
        EXPECT_EQ(edit(name).text(), "2.5.1");
    }
    // The keypad's decimal key of a Russian layout gives ",".
    edit("Edit25").clear();
    type(edit("Edit25"), '1');
    type(edit("Edit25"), ',', Qt::KeypadModifier);
    EXPECT_EQ(edit("Edit25").text(), "1.");
}

TEST_F(DecimalFields, TypingReplacesTheSelectionAndKeepsTheLengthLimit) {
    QLineEdit& offset = edit("Edit25");
    offset.setText("    25.0000");
    offset.selectAll();
    typeText(offset, "-0,75");
    EXPECT_EQ(offset.text(), "-0.75");

    offset.setMaxLength(5);
    type(offset, ',');
    EXPECT_EQ(offset.text(), "-0.75");
}

TEST_F(DecimalFields, OtherFieldsShortcutsAndReadOnlyFieldsAreLeftAlone) {
    typeText(edit("Edit24"), "2,5");  // the user text is not a decimal field
    EXPECT_EQ(edit("Edit24").text(), "2,5");

    edit("Edit6").setText("1");
    type(edit("Edit6"), ',');
    EXPECT_EQ(edit("Edit6").text(), "1");

    edit("Edit8").setText("1");
    type(edit("Edit8"), ',', Qt::ControlModifier);
    EXPECT_EQ(edit("Edit8").text(), "1");

    edit("Edit9").setText("2,5");  // set by the program or pasted: not typed
    EXPECT_EQ(edit("Edit9").text(), "2,5");
}

TEST_F(DecimalFields, RussianLocaleStillGivesThePoint) {
    test::ScopedLocale russian("ru_RU.UTF-8");
    if (!russian.active())
        GTEST_SKIP() << "locale ru_RU.UTF-8 not available";
    typeText(edit("Edit26"), "2,5");
    EXPECT_EQ(edit("Edit26").text(), "2.5");
    EXPECT_EQ(readReal(edit("Edit26").text().toStdString()), 2.5f);
}

}  // namespace
}  // namespace m8163
