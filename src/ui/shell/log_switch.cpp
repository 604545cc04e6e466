#include "ui/shell/log_switch.h"

#include "base/standard_boxes.h"
#include "link/log_file.h"

namespace m8163 {

int checkedLogSwitch(int logSwitch, const std::string& fileName, LogKind kind,
                     MessageBoxes& boxes) {
    if (logSwitch != 1)
        return logSwitch;
    const std::string reason = logFileRefusal(fileName);
    if (reason.empty())
        return logSwitch;
    const char* what = kind == LogKind::Exchange ? "Запись обмена в файл выключена"
                                                 : "Запись результатов измерения в файл выключена";
    boxes.show(
        {std::string(what) + ": файл \"" + fileName + "\" не годится для записи: " + reason + ".",
         caption::kLogFile,
         BoxIcon::Warning,
         BoxButtons::Ok,
         {}});
    return 0;
}

}  // namespace m8163
