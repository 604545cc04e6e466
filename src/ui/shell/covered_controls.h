#pragma once

#include <QWidget>
#include <initializer_list>

// Controls that a panel of the page lies over: they keep their values and
// their part in the page's commands, but the keyboard never reaches them, so
// nothing is typed blind into a control nobody can see.

namespace m8163::ui {

inline void keepOutOfTabChain(std::initializer_list<QWidget*> covered) {
    for (QWidget* control : covered)
        control->setFocusPolicy(Qt::NoFocus);
}

}  // namespace m8163::ui
