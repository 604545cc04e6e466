#pragma once

class QCoreApplication;
class QTranslator;

namespace m8163 {

// Loads Qt's own Russian texts (standard buttons "Да", "Нет", ...) from the
// system's Qt translations and installs them in `app`, which owns them.
// Returns null when the translation is not installed; Qt's English texts
// stay then.
QTranslator* installRussianQtTexts(QCoreApplication& app);

}  // namespace m8163
