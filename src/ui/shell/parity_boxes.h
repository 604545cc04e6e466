#pragma once

#include "link/line_format.h"

class QCheckBox;

// A parity on a pair of boxes "Паритет" and "Четный", as the connection bar
// and the exchange page show it: the first checked for odd and even, the
// second for even only.

namespace m8163 {

void showParity(QCheckBox& on, QCheckBox& even, Parity parity);
Parity parityOf(const QCheckBox& on, const QCheckBox& even);

}  // namespace m8163
