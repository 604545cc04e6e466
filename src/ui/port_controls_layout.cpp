// The port chooser's button and the port's state line: additions of this
// program, placed where the connection bar has nothing, so that no control of
// the bar moves.
#include <QLabel>
#include <QPushButton>

#include "ui/controls.h"
#include "ui/window_layout.h"

namespace m8163::ui {

void buildPortControls(QWidget* client) {
    // "Выставить INIT" ends at x = 615, and the notebook begins at y = 129.
    addButton(client, "PortChooserButton", {627, 8, 110, 25}, "Выбрать порт…");
    QPushButton* copy =
        addButton(client, "JoinGroupButton", {745, 8, 190, 25}, "Копировать команду usermod");
    copy->setToolTip(QStringLiteral("Скопировать команду, которая даёт доступ к порту"));
    copy->hide();
    QLabel* state = addLabel(client, "PortStateLine", {627, 40, 308, 44}, "");
    state->setWordWrap(true);
    state->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Below the state line, above the notebook.
    addButton(client, "ExchangeMonitorButton", {627, 92, 130, 25}, "Монитор обмена…");
}

}  // namespace m8163::ui
