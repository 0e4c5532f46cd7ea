#pragma once

#include <QLocale>

class QTranslator;

namespace app {

// Installs Qt's own translations for the locale, so the texts Qt itself shows (the context menus
// of the text boxes, the buttons of standard dialogs) speak the user's language instead of
// English. The program's own texts are written in Russian already and need no catalog.
// Returns the installed translator, owned by the application object, or nullptr when the system
// holds no catalog for the locale (then Qt keeps its English texts).
QTranslator* InstallQtTranslations(const QLocale& locale = QLocale());

}  // namespace app
