#include "ui/shell/qt_message_boxes.h"

#include <QMessageBox>
#include <QString>

namespace m8163 {

namespace {

QMessageBox::Icon iconOf(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

BoxAnswer QtMessageBoxes::show(const MessageBox& box) {
    QMessageBox dialog(iconOf(box.icon), QString::fromStdString(box.caption),
                       QString::fromStdString(box.text), QMessageBox::NoButton, parent_);
    if (box.buttons == BoxButtons::YesNo) {
        dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        dialog.setDefaultButton(QMessageBox::Yes);
        dialog.setEscapeButton(QMessageBox::No);
    } else {
        dialog.setStandardButtons(QMessageBox::Ok);
    }
    if (!box.detail.empty()) {
        dialog.setInformativeText(QString::fromStdString(box.detail));
    }
    const int pressed = dialog.exec();
    if (box.buttons == BoxButtons::YesNo) {
        return pressed == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
    return BoxAnswer::Ok;
}

}  // namespace m8163
