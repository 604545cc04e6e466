#pragma once

#include <string>

#include "base/message_boxes.h"

// The captions of the program's boxes, spelled once, and the boxes that
// several commands show in the same form: the question before a write, the
// report of a success, the refusal of a field the user entered.

namespace m8163 {

namespace caption {
inline constexpr const char* kConfirm = "Подтвердите действие";
inline constexpr const char* kResult = "Результат операции";
inline constexpr const char* kInputError = "Ошибка ввода";
inline constexpr const char* kError = "Ошибка";
inline constexpr const char* kDeviceError = "Устройство сообщает об ошибке";
inline constexpr const char* kLinkError = "Ошибка в обмене.";
inline constexpr const char* kSearchEnd = "Ход поиска";
inline constexpr const char* kSearch = "Поиск";
inline constexpr const char* kConnectionFile = "Проверьте параметры установления связи с прибором";
inline constexpr const char* kWarning = "Предупреждение";
inline constexpr const char* kLogFile = "Запись в файл";
// An error that escaped a command: the program's own name.
inline constexpr const char* kProgram = "8163";
}  // namespace caption

// A Yes/No question with the warning icon; true for Yes.
bool confirmed(MessageBoxes& boxes, const std::string& question);
// An information box with OK that tells of a command done.
void reportSuccess(MessageBoxes& boxes, const std::string& text);
// A warning box with OK about a field the user entered; always false, so
// that a take-over can end with it.
bool refuseInput(MessageBoxes& boxes, const std::string& text);

}  // namespace m8163
