#include "ui/sensor_page.h"

#include <QWidget>

#include "ui/decimal_key.h"

namespace m8163 {

SensorPage::SensorPage(QWidget& root, const PageContext& context)
    : QObject(&root), context_(context), editors_(SensorEditors::find(root)) {
    setObjectName(QStringLiteral("SensorPage"));
    installDecimalKeys(root);
}

}  // namespace m8163
