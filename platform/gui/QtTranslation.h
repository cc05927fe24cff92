#pragma once
// Qt's own Italian translation, so standard buttons and dialogs read "Sì",
// "No", "OK", "Annulla" whatever the desktop's language.

class QCoreApplication;

// Loads qtbase_it from Qt's translations folder (Debian package
// qt6-translations-l10n) into app. Returns false when it is not installed;
// the program then runs on with Qt's English button texts.
bool installItalianQtTranslation(QCoreApplication& app);
