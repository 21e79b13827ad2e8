// Qt's own Slovenian translations, so that the standard dialogs (the file dialog, the
// message boxes' buttons) speak the language of the program's own captions.
#pragma once

#include <QCoreApplication>

namespace prenos {

// Installs Qt's Slovenian catalogue on the application (it owns the translator). The
// program's own captions are not translated texts and stay as they are. False when the
// catalogue is not installed (the dialogs then stay in English).
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace prenos
