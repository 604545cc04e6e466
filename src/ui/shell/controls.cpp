#include "ui/shell/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>

namespace m8163::ui {

namespace {

template <class Widget>
Widget* placed(Widget* widget, const char* name, Place place) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(place.left, place.top, place.width, place.height);
    return widget;
}

}  // namespace

Bevel::Bevel(QWidget* parent, Shape shape) : QWidget(parent), shape_(shape) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Bevel::paintEvent(QPaintEvent*) {
    // A lowered edge: a dark line with a light one beside it.
    QPainter painter(this);
    const QColor dark = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    const int right = width() - 1;
    const int bottom = height() - 1;
    if (shape_ == Shape::TopLine || shape_ == Shape::Frame) {
        painter.setPen(dark);
        painter.drawLine(0, 0, right, 0);
        painter.setPen(light);
        painter.drawLine(0, 1, right, 1);
    }
    if (shape_ == Shape::LeftLine || shape_ == Shape::Frame) {
        painter.setPen(dark);
        painter.drawLine(0, 0, 0, bottom);
        painter.setPen(light);
        painter.drawLine(1, 0, 1, bottom);
    }
    if (shape_ == Shape::Frame) {
        painter.setPen(light);
        painter.drawLine(0, bottom, right, bottom);
        painter.drawLine(right, 0, right, bottom);
    }
}

QLabel* addLabel(QWidget* parent, const char* name, Place place, const QString& text) {
    auto* label = placed(new QLabel(text, parent), name, place);
    const QSize wanted = label->sizeHint();
    if (wanted.width() > place.width) {
        label->resize(wanted.width(), place.height);
    }
    return label;
}

QLabel* addPanel(QWidget* parent, const char* name, Place place, const QString& text,
                 PanelStyle style) {
    auto* panel = placed(new QLabel(text, parent), name, place);
    panel->setAlignment(Qt::AlignCenter);
    // A panel paints its whole place, so that whatever lies beneath it stays hidden.
    panel->setAutoFillBackground(true);
    if (style != PanelStyle::Flat) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setLineWidth(1);
    }
    if (style == PanelStyle::Display) {
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, Qt::white);
        panel->setPalette(palette);
    }
    return panel;
}

QPushButton* addButton(QWidget* parent, const char* name, Place place, const QString& text) {
    return placed(new QPushButton(text, parent), name, place);
}

QCheckBox* addCheckBox(QWidget* parent, const char* name, Place place, const QString& text) {
    return placed(new QCheckBox(text, parent), name, place);
}

QLineEdit* addEdit(QWidget* parent, const char* name, Place place, const QString& text) {
    return placed(new QLineEdit(text, parent), name, place);
}

void showText(QComboBox& list, const QString& text) {
    list.setEditText(text);
    // A text longer than the field shows its beginning.
    list.lineEdit()->setCursorPosition(0);
}

QComboBox* addPickList(QWidget* parent, const char* name, Place place) {
    return placed(new QComboBox(parent), name, place);
}

QComboBox* addEditableList(QWidget* parent, const char* name, Place place, const QString& text) {
    auto* list = placed(new QComboBox(parent), name, place);
    // Editable through its own line edit: setEditable() would also build the
    // drop-down's view at once, which Qt otherwise builds when it first opens.
    auto* edit = new QLineEdit(list);
    edit->setPalette(list->palette());
    list->setLineEdit(edit);
    list->setInsertPolicy(QComboBox::NoInsert);
    showText(*list, text);
    return list;
}

Bevel* addBevel(QWidget* parent, const char* name, Place place, Bevel::Shape shape) {
    return placed(new Bevel(parent, shape), name, place);
}

void hint(QWidget* control, const char* text) {
    control->setToolTip(QString::fromUtf8(text));
}

}  // namespace m8163::ui
