#pragma once

#include <QObject>

#include "ui/page_context.h"
#include "ui/page_takeover.h"

class QWidget;

// The page "Настройки датчика": the module's sensor settings.

namespace m8163 {

class SensorPage : public QObject {
  public:
    // `root` holds the page's controls; lives as long as it (its QObject
    // parent). Installs the decimal keys of its real fields.
    SensorPage(QWidget& root, const PageContext& context);

  private:
    PageContext context_;
    SensorEditors editors_;
};

}  // namespace m8163
