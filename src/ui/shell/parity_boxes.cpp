#include "ui/shell/parity_boxes.h"

#include <QCheckBox>

namespace m8163 {

void showParity(QCheckBox& on, QCheckBox& even, Parity parity) {
    on.setChecked(parity != Parity::None);
    even.setChecked(parity == Parity::Even);
}

Parity parityOf(const QCheckBox& on, const QCheckBox& even) {
    if (!on.isChecked())
        return Parity::None;
    return even.isChecked() ? Parity::Even : Parity::Odd;
}

}  // namespace m8163
