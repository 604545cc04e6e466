#include "ui/window/application_identity.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace m8163 {

const char* applicationId() {
    return M8163_APP_ID;
}

namespace {

// The SVG drawn at the sizes desktops ask of a window icon: no image format
// plugin is looked for.
QIcon windowIcon() {
    QSvgRenderer svg(QStringLiteral(":/m8163/m8163.svg"));
    QIcon icon;
    if (!svg.isValid())
        return icon;
    for (const int side : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

void setApplicationIdentity() {
    QApplication::setApplicationName(QStringLiteral("8163"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(applicationId()));
    QApplication::setWindowIcon(windowIcon());
}

}  // namespace m8163
