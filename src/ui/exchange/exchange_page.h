#pragma once

#include <QObject>

#include "module/exchange_sequences.h"
#include "ui/exchange/exchange_controls.h"
#include "ui/shell/page_context.h"

// The page "Параметры обмена": the module's identity (read-only panels over
// the editors that hold it) and its exchange parameters, with "Прочитать"
// and "Записать". The commands are sequences in module/; the page wires the
// controls its layout made and shows the register image.

namespace m8163 {

// What the user entered on the page, as its controls show it.
ExchangeEntry readExchangeEntry(const ExchangeControls& controls);

class ExchangePage : public QObject, public ExchangePageView {
  public:
    // `controls` as the page's layout made them; lives as long as the page
    // (its QObject parent). After a write the connection follows the module
    // through `connection` (the connection bar).
    ExchangePage(const ExchangeControls& controls, const PageContext& context,
                 ConnectionView& connection);

    // "Прочитать", "Записать".
    void readExchangeParameters();
    void writeExchangeParameters();
    // A change of a list or a parity box by the user: the editors into the
    // register image, then the page shown again from it.
    void pageChanged();

    // The editors into the register image; false after a refused field.
    bool takeOver();
    // The register image on the page: editors, their panels, lists and boxes.
    // A speed code outside the table and a network number above 255 leave
    // their lists as they were.
    void refresh();

    // Selects `number` in the new-number list (ComboBox5): a module taken
    // over from the search page. A number the list lacks leaves it as it was.
    void selectNetworkNumber(int number);

    void showExchangePage() override { refresh(); }

  private:
    ExchangeControls c_;
    PageContext context_;
    ConnectionView& connection_;
};

}  // namespace m8163
