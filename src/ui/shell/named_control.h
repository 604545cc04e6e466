#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

// Finds a control of the window by its object name, the name it has in the
// window's description. A missing or differently typed control is a
// programming error.

namespace m8163 {

template <class Widget>
Widget& namedControl(const QObject& root, const char* name) {
    auto* widget = root.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr)
        throw std::logic_error(std::string("no control named ") + name);
    return *widget;
}

}  // namespace m8163
