#include "app/demo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <cstdio>

#include "app/window_pictures.h"
#include "ui/window/first_paint.h"
#include "ui/window/main_window.h"

namespace m8163 {

namespace {

void click(TForm1& window, int page, const char* button) {
    window.selectPage(page);
    std::printf("click: %s\n", button);
    std::fflush(stdout);
    window.control<QPushButton>(button).click();
}

void chooseSearch(TForm1& window) {
    // 9600 and 19200 bit/s, all three parities.
    constexpr const char* kTicked[] = {"CheckBox12", "CheckBox13", "CheckBox15", "CheckBox16",
                                       "CheckBox17"};
    constexpr const char* kUnticked[] = {"CheckBox9",  "CheckBox10", "CheckBox11",
                                         "CheckBox14", "CheckBox18", "CheckBox19"};
    for (const char* name : kTicked)
        window.control<QCheckBox>(name).setChecked(true);
    for (const char* name : kUnticked)
        window.control<QCheckBox>(name).setChecked(false);
    window.control<QComboBox>("ComboBox12").setCurrentIndex(1);
    window.control<QComboBox>("ComboBox13").setCurrentIndex(5);
}

}  // namespace

BoxAnswer PrintedBoxes::show(const MessageBox& box) {
    std::printf("box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    std::fflush(stdout);
    return box.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
}

void runDemoWhenShown(TForm1& window, const QString& pattern) {
    afterFirstPaint(window, [&window, pattern] {
        click(window, TForm1::kMeasurePage, "Button17");
        click(window, TForm1::kExchangePage, "Button9");
        click(window, TForm1::kSensorPage, "Button35");
        window.selectPage(TForm1::kSearchPage);
        chooseSearch(window);
        click(window, TForm1::kSearchPage, "Button33");
        QApplication::exit(saveWindowPictures(window, pattern) ? 0 : 1);
    });
}

}  // namespace m8163
