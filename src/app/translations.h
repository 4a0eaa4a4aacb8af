#pragma once

#include "base/catalogues.h"

#include <QStringList>

// The program's texts and Qt's own (file dialog, colour picker, standard buttons) in the
// language app().language names. Call again after changing it.
catalogues::Installed installTranslations();

// Where our catalogue is looked for: translations/ beside the executable (a build run, a
// portable copy), then in the installed data folders.
QStringList catalogueFolders();

// Qt's own texts in the program's language, as installTranslations() puts them: false when
// Chinese is chosen and Qt's Chinese catalogue is not installed (they then stay English).
bool installQtTranslations();
