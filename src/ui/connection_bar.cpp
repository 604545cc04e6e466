#include "ui/connection_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ui/named_control.h"

namespace m8163 {

ConnectionBar::ConnectionBar(QWidget& root, const PageContext& context)
    : QObject(&root),
      context_(context),
      port_(namedControl<QComboBox>(root, "ComboBox1")),
      speed_(namedControl<QComboBox>(root, "ComboBox2")),
      module_(namedControl<QComboBox>(root, "ComboBox3")),
      parityOn_(namedControl<QCheckBox>(root, "CheckBox1")),
      parityEven_(namedControl<QCheckBox>(root, "CheckBox2")),
      caption_(namedControl<QLabel>(root, "Label5")),
      exchangeLog_(namedControl<QCheckBox>(root, "CheckBox6")),
      blink_(namedControl<QPushButton>(root, "Button2")),
      init_(namedControl<QPushButton>(root, "Button15")) {
    setObjectName(QStringLiteral("ConnectionBar"));
    // Only the user's clicks change the switch, not the program showing it.
    context_.commands.connect(&exchangeLog_, &QCheckBox::clicked, this, CommandKind::Local,
                              [this] { CheckBox6Click(); });
}

void ConnectionBar::CheckBox6Click() {
    context_.state.connection.useLogFile = exchangeLog_.isChecked() ? 1 : 0;
}

void ConnectionBar::setSearchLock(bool locked) {
    for (QWidget* control : std::initializer_list<QWidget*>{&port_, &speed_, &module_, &parityOn_,
                                                            &parityEven_, &blink_, &init_}) {
        control->setEnabled(!locked);
    }
}

}  // namespace m8163
