#include "base/standard_boxes.h"

namespace m8163 {

bool confirmed(MessageBoxes& boxes, const std::string& question) {
    return boxes.show({question, caption::kConfirm, BoxIcon::Warning, BoxButtons::YesNo, {}}) ==
           BoxAnswer::Yes;
}

void reportSuccess(MessageBoxes& boxes, const std::string& text) {
    boxes.show({text, caption::kResult, BoxIcon::Information, BoxButtons::Ok, {}});
}

bool refuseInput(MessageBoxes& boxes, const std::string& text) {
    boxes.show({text, caption::kInputError, BoxIcon::Warning, BoxButtons::Ok, {}});
    return false;
}

}  // namespace m8163
