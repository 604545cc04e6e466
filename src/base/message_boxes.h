#pragma once

#include <string>

// Every modal message box of the program goes through this interface: the
// window shows real boxes, tests record them and script the answers.
// Texts are UTF-8.

namespace m8163 {

enum class BoxIcon { Information, Warning, Error };

enum class BoxButtons { Ok, YesNo };

enum class BoxAnswer { Ok, Yes, No };

struct MessageBox {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::Information;
    BoxButtons buttons = BoxButtons::Ok;
    // Extra lines shown under the text (device path, system reason, ...);
    // empty for most boxes.
    std::string detail;

    bool operator==(const MessageBox&) const = default;
};

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows the box modally and returns the button the user pressed.
    virtual BoxAnswer show(const MessageBox& box) = 0;
};

}  // namespace m8163
