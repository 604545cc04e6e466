#include "ui/exchange_page.h"

#include <QWidget>

namespace m8163 {

ExchangePage::ExchangePage(QWidget& root, const PageContext& context)
    : QObject(&root), context_(context), editors_(ExchangeEditors::find(root)) {
    setObjectName(QStringLiteral("ExchangePage"));
}

bool ExchangePage::takeOver() {
    return takeOverExchangePage(editors_, context_.state, context_.boxes);
}

}  // namespace m8163
