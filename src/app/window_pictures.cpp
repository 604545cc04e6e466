#include "app/window_pictures.h"

#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

#include "ui/window/main_window.h"

namespace m8163 {

namespace {

bool saveShot(TForm1& window, const QString& file) {
    const bool saved = window.grab().save(file, "PNG");
    std::printf("%s\n", qPrintable(file));
    return saved;
}

}  // namespace

bool saveWindowPictures(TForm1& window, const QString& pattern) {
    if (!pattern.contains(QStringLiteral("{page}")))
        return saveShot(window, pattern);
    bool saved = true;
    for (int page = 0; page < window.notebook().count(); ++page) {
        window.selectPage(page);
        saved = saveShot(window, QString(pattern).replace(QStringLiteral("{page}"),
                                                          QString::number(page))) &&
                saved;
    }
    return saved;
}

}  // namespace m8163
