#pragma once

#include <QObject>

#include "ui/page_context.h"
#include "ui/page_takeover.h"

class QWidget;

// The page "Параметры обмена": the module's identity and its exchange
// parameters.

namespace m8163 {

class ExchangePage : public QObject {
  public:
    // `root` holds the page's controls; lives as long as it (its QObject parent).
    ExchangePage(QWidget& root, const PageContext& context);

    // The editors into the register image; false after a refused field.
    bool takeOver();

  private:
    PageContext context_;
    ExchangeEditors editors_;
};

}  // namespace m8163
