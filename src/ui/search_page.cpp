#include "ui/search_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "ui/named_control.h"

namespace m8163 {

SearchPage::SearchPage(QWidget& root, const PageContext& context)
    : QObject(&root),
      context_(context),
      firstAddress_(namedControl<QComboBox>(root, "ComboBox12")),
      lastAddress_(namedControl<QComboBox>(root, "ComboBox13")),
      start_(namedControl<QPushButton>(root, "Button33")),
      stop_(namedControl<QPushButton>(root, "Button34")) {
    setObjectName(QStringLiteral("SearchPage"));
    constexpr const char* kSpeedBoxes[] = {"CheckBox9",  "CheckBox10", "CheckBox11", "CheckBox12",
                                           "CheckBox13", "CheckBox14", "CheckBox18", "CheckBox19"};
    for (std::size_t i = 0; i < speeds_.size(); ++i)
        speeds_[i] = &namedControl<QCheckBox>(root, kSpeedBoxes[i]);
    constexpr const char* kParityBoxes[] = {"CheckBox15", "CheckBox16", "CheckBox17"};
    for (std::size_t i = 0; i < parities_.size(); ++i)
        parities_[i] = &namedControl<QCheckBox>(root, kParityBoxes[i]);
}

void SearchPage::setSearchLock(bool locked) {
    for (QCheckBox* box : speeds_)
        box->setEnabled(!locked);
    for (QCheckBox* box : parities_)
        box->setEnabled(!locked);
    for (QWidget* control : std::initializer_list<QWidget*>{&firstAddress_, &lastAddress_, &start_})
        control->setEnabled(!locked);
}

}  // namespace m8163
