#include "ui/bar/port_state_line.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "link/device_access.h"

namespace m8163 {
namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// Whether `text` wrapped into the label's box fits it.
bool fits(const QLabel& label, const QFontMetrics& metrics, const QString& text) {
    const QRect box = label.contentsRect();
    const QRect needed = metrics.boundingRect(box, kTextFlags, text);
    return needed.height() <= box.height() && needed.width() <= box.width();
}

// The state's words as the label can hold them: a device name longer than a
// line cut in its middle (its ends tell adapters apart), and where the text
// then needs more lines than the label has, cut to half a line, so that the
// reason and what helps keep their room; what still does not fit is cut at
// the end with "…".
QString fitted(const QLabel& label, PortState state) {
    const QFontMetrics metrics(label.font());
    const int width = label.contentsRect().width();
    const QString device = QString::fromStdString(state.device);
    QString text;
    for (const int room : {width, width / 2}) {
        state.device = metrics.elidedText(device, Qt::ElideMiddle, room).toStdString();
        text = QString::fromStdString(portStateText(state));
        if (fits(label, metrics, text))
            return text;
    }
    // The longest head that fits with the mark; a search over the length,
    // as a reason may run to a few hundred characters.
    const QString mark = QStringLiteral("…");
    qsizetype shortest = 0;
    qsizetype longest = text.size();
    while (shortest < longest) {
        const qsizetype middle = (shortest + longest + 1) / 2;
        if (fits(label, metrics, text.left(middle).trimmed() + mark))
            shortest = middle;
        else
            longest = middle - 1;
    }
    return text.left(shortest).trimmed() + mark;
}

}  // namespace

PortStateLine::PortStateLine(QLabel& line, QPushButton& copy)
    : QObject(&line), line_(line), copy_(copy) {
    setObjectName(QStringLiteral("PortState"));
    QObject::connect(&copy_, &QPushButton::clicked, this, [this] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(command_);
    });
}

void PortStateLine::show(const PortState& state) {
    line_.setText(fitted(line_, state));
    line_.setToolTip(QString::fromStdString(portStateHint(state)));
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
