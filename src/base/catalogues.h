#pragma once

#include "base/language.h"

#include <QString>
#include <QStringList>

// The translation catalogues of a language, put in place in the running application.
// The texts are written in Chinese, so Chinese needs no catalogue of ours; English takes
// ours. Qt's own texts (standard buttons, file dialog, colour picker) are English as Qt
// writes them and Chinese through Qt's qt_zh_CN.
namespace catalogues {

// Our catalogue's name and the folder it sits in below the executable's folder (a build,
// a portable copy) and below an installed data folder.
inline const QString OurCatalogue = QStringLiteral("tabrovex_en");
inline const QString FolderName = QStringLiteral("translations");

struct Installed {
    bool ours = true;   // false: English was asked for and tabrovex_en.qm was not found
    bool qt = true;     // false: Chinese was asked for and Qt's catalogue is not installed
    QString oursFrom;   // the file ours was loaded from
};

// The context of the lines that go into a read's log, and of the reasons written into them
// (why a read stopped). tabrovex-plot keeps these in Chinese: its JSON "log" is read by
// scripts and must not change with the language.
inline const char *const LogContext = "log";

// Takes out what an earlier call installed, then installs the catalogues of `language`;
// ours is looked for in translations/ below each of `folders`, the first found is taken.
// Texts of the contexts in `keptContexts` keep their Chinese source. Needs the application
// object.
Installed install(language::Language language, const QStringList &folders,
                  const QStringList &keptContexts = {});

}
