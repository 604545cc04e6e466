#include "ui/shell/window_style.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QProxyStyle>

namespace m8163 {
namespace {

// The "Windows" style, with one difference: the arrows of a menu bar's or
// tool bar's overflow button are drawn here. The style's own come from
// image files whose format Qt finds out by loading every image plugin, and
// every window with a menu bar makes that button at once, shown or not (this
// window's bar is hidden): drawing them keeps those plugins out of start-up.
class WindowStyle final : public QProxyStyle {
  public:
    WindowStyle() : QProxyStyle(QStringLiteral("Windows")) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return overflowArrows(false);
        if (icon == SP_ToolBarVerticalExtensionButton)
            return overflowArrows(true);
        return QProxyStyle::standardIcon(icon, option, widget);
    }

  private:
    // Two small chevrons pointing right, or down when `vertical`.
    static QIcon overflowArrows(bool vertical) {
        QPixmap glyph(8, 8);
        glyph.fill(Qt::transparent);
        QPainter painter(&glyph);
        if (vertical) {
            painter.translate(8, 0);
            painter.rotate(90);
        }
        painter.setPen(QColor(0, 0, 0));
        for (const int left : {1, 4}) {
            painter.drawLine(left, 1, left + 2, 3);
            painter.drawLine(left + 2, 4, left, 6);
        }
        return QIcon(glyph);
    }
};

}  // namespace

QPalette windowPalette() {
    // Every role of every group set one by one: a palette set so is the
    // application's own in all its roles, and a desktop's palette, at start
    // or changed later (a dark theme), takes none of them over.
    const QPalette light = WindowStyle().standardPalette();
    QPalette palette;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            palette.setBrush(g, r, light.brush(g, r));
        }
    }
    return palette;
}

void installWindowStyle() {
    QApplication::setStyle(new WindowStyle);
    QApplication::setPalette(windowPalette());
}

}  // namespace m8163
