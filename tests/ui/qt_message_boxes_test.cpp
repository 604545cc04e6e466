// Real message boxes: icon, caption, text and buttons of each kind, with
// Qt's standard buttons in Russian.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include "ui/shell/qt_message_boxes.h"
#include "ui/shell/translation.h"

namespace m8163 {
namespace {

struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QString detail;
    QStringList buttons;
};

// Shows `box` and, once it is up, records what it shows and presses the
// button whose text is `press`.
BoxAnswer showAndPress(const MessageBox& box, const QString& press, SeenBox& seen) {
    QTimer::singleShot(0, [&seen, press] {
        auto* dialog = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = {
            dialog->icon(), dialog->windowTitle(), dialog->text(), dialog->informativeText(), {}};
        for (QAbstractButton* button : dialog->buttons()) {
            seen.buttons.append(button->text().remove('&'));
        }
        seen.buttons.sort();
        for (QAbstractButton* button : dialog->buttons()) {
            if (button->text().remove('&') == press) {
                button->click();
                return;
            }
        }
        dialog->reject();
    });
    QtMessageBoxes boxes(nullptr);
    return boxes.show(box);
}

class QtMessageBoxesTest : public ::testing::Test {
  protected:
    QTranslator* russian = nullptr;
    void SetUp() override {
        russian = installRussianQtTexts(*QCoreApplication::instance());
        ASSERT_NE(russian, nullptr) << "qtbase_ru is part of qt6-translations-l10n";
    }
    void TearDown() override {
        QCoreApplication::removeTranslator(russian);
        delete russian;
    }
};

TEST_F(QtMessageBoxesTest, ConfirmationAsksYesOrNoInRussian) {
    const MessageBox box{
        "Записать параметры?", "Подтвердите действие", BoxIcon::Warning, BoxButtons::YesNo, {}};
    SeenBox seen;
    EXPECT_EQ(showAndPress(box, "Да", seen), BoxAnswer::Yes);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.caption, "Подтвердите действие");
    EXPECT_EQ(seen.text, "Записать параметры?");
    EXPECT_EQ(seen.buttons, QStringList({"Да", "Нет"}));

    EXPECT_EQ(showAndPress(box, "Нет", seen), BoxAnswer::No);
}

TEST_F(QtMessageBoxesTest, ReportsCarryTheirIconAndOneButton) {
    struct Case {
        BoxIcon icon;
        QMessageBox::Icon shown;
    };
    for (Case c : {Case{BoxIcon::Information, QMessageBox::Information},
                   Case{BoxIcon::Warning, QMessageBox::Warning},
                   Case{BoxIcon::Error, QMessageBox::Critical}}) {
        SeenBox seen;
        const MessageBox box{"Текст", "Результат операции", c.icon, BoxButtons::Ok,
                             "/dev/ttyUSB0: Permission denied"};
        EXPECT_EQ(showAndPress(box, "OK", seen), BoxAnswer::Ok);
        EXPECT_EQ(seen.icon, c.shown);
        EXPECT_EQ(seen.caption, "Результат операции");
        EXPECT_EQ(seen.detail, "/dev/ttyUSB0: Permission denied");
        EXPECT_EQ(seen.buttons.size(), 1);
    }
}

}  // namespace
}  // namespace m8163
