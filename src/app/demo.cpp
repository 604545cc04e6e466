#include "app/demo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <cstddef>
#include <cstdio>

#include "app/window_pictures.h"
#include "ui/window/first_paint.h"
#include "ui/window/main_window.h"

namespace m8163 {

namespace {

void click(TForm1& window, int page, QPushButton* button) {
    window.selectPage(page);
    std::printf("click: %s\n", qPrintable(button->objectName()));
    std::fflush(stdout);
    button->click();
}

void chooseSearch(const SearchControls& search) {
    // 9600 and 19200 bit/s, all three parities.
    constexpr bool kTicked[] = {false, false, false, true, true, false, false, false};
    for (std::size_t i = 0; i < search.speeds.size(); ++i)
        search.speeds[i]->setChecked(kTicked[i]);
    for (QCheckBox* parity : search.parities)
        parity->setChecked(true);
    search.firstAddress->setCurrentIndex(1);
    search.lastAddress->setCurrentIndex(5);
}

}  // namespace

BoxAnswer PrintedBoxes::show(const MessageBox& box) {
    std::printf("box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    std::fflush(stdout);
    return box.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
}

void runDemoWhenShown(TForm1& window, const QString& pattern) {
    afterFirstPaint(window, [&window, pattern] {
        const WindowControls& c = window.controls();
        click(window, TForm1::kMeasurePage, c.measure.read);
        click(window, TForm1::kExchangePage, c.exchange.read);
        click(window, TForm1::kSensorPage, c.sensor.read);
        window.selectPage(TForm1::kSearchPage);
        chooseSearch(c.search);
        click(window, TForm1::kSearchPage, c.search.start);
        QApplication::exit(saveWindowPictures(window, pattern) ? 0 : 1);
    });
}

}  // namespace m8163
