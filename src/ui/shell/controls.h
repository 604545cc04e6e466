#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// Small builders for the window's controls. Every control gets its name as
// its object name (tests and screenshots find it by that name), and is placed
// in pixels relative to its parent. The builders hand the control back: the
// layouts keep the ones the program works with.

namespace m8163::ui {

struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class PanelStyle {
    Flat,     // no border; hides what lies beneath it
    Sunken,   // sunken border, the page's colour
    Display,  // sunken border, white: shows a value from the module
};

// A line or frame that only decorates: draws the chosen edge of its place.
class Bevel : public QWidget {
  public:
    enum class Shape { TopLine, LeftLine, Frame };
    Bevel(QWidget* parent, Shape shape);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Shape shape_;
};

// Labels grow to their text, as the window's labels size themselves.
QLabel* addLabel(QWidget* parent, const char* name, Place place, const QString& text);
// A panel shows its text centred; child controls may sit on it.
QLabel* addPanel(QWidget* parent, const char* name, Place place, const QString& text,
                 PanelStyle style);
QPushButton* addButton(QWidget* parent, const char* name, Place place, const QString& text);
QCheckBox* addCheckBox(QWidget* parent, const char* name, Place place, const QString& text);
QLineEdit* addEdit(QWidget* parent, const char* name, Place place, const QString& text);
// A list the user can only pick from.
QComboBox* addPickList(QWidget* parent, const char* name, Place place);
// A drop-down list whose text can also be typed; shows `text` until a pick.
QComboBox* addEditableList(QWidget* parent, const char* name, Place place, const QString& text);
// Puts `text` into an editable list's field, its beginning in view.
void showText(QComboBox& list, const QString& text);
Bevel* addBevel(QWidget* parent, const char* name, Place place, Bevel::Shape shape);
// The control's hint, shown when the pointer rests on it.
void hint(QWidget* control, const char* text);

// Created invisible; never shown.
template <class Widget>
Widget* hidden(Widget* widget) {
    widget->setHidden(true);
    return widget;
}

}  // namespace m8163::ui
