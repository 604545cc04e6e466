#include "ui/bar/port_state_line.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "link/device_access.h"

namespace m8163 {

PortStateLine::PortStateLine(QLabel& line, QPushButton& copy)
    : QObject(&line), line_(line), copy_(copy) {
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
