#include "ui/bar/port_state_line.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "link/device_access.h"
#include "ui/shell/named_control.h"

namespace m8163 {

PortStateLine::PortStateLine(QWidget& root)
    : QObject(&root),
      line_(namedControl<QLabel>(root, "PortStateLine")),
      copy_(namedControl<QPushButton>(root, "JoinGroupButton")) {
    setObjectName(QStringLiteral("PortState"));
    QObject::connect(&copy_, &QPushButton::clicked, this, [this] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(command_);
    });
}

void PortStateLine::show(const PortState& state) {
    line_.setText(QString::fromStdString(portStateText(state)));
    // An open port in the window's own text colour; the rest calls for action.
    QPalette palette = line_.parentWidget()->palette();
    if (!state.open())
        palette.setColor(QPalette::WindowText, Qt::red);
    line_.setPalette(palette);
    const bool join = state.condition == PortCondition::NoAccess && state.group.has_value();
    command_ = join ? QString::fromStdString(joinGroupCommand(*state.group)) : QString();
    copy_.setToolTip(command_);
    copy_.setVisible(join);
}

}  // namespace m8163
