#pragma once

#include "base/language.h"
#include "base/lineset.h"

#include <QString>
#include <QStringList>

#include <memory>

class IniFile;
class QAction;
class Tmainform;
class TdataLineForm;
class TsetLinecolorform;
class TsetrulerForm;

// Program-wide state: the four windows and what they share. There is exactly one instance,
// reached through app(); windows never pass data to each other in any other way.
struct AppState {
    Tmainform *mainform = nullptr;
    TdataLineForm *dataLineForm = nullptr;
    TsetLinecolorform *setLinecolorform = nullptr;
    TsetrulerForm *setrulerForm = nullptr;

    QString exePath;                  // executable's folder with a trailing "/"
    std::unique_ptr<IniFile> iniFile; // ini/option.ini below exePath, or the user's own
    mainunit::Tline lineSet;
    // The main window's "跟踪文件" and F5, which the chart window offers too.
    QAction *followAction = nullptr;
    QAction *reloadAction = nullptr;
    int scaleMode = 2;                // 1..3 automatic modes, 0 manual

    // Folder that FormCreate takes as exePath; tests point it at a temporary folder.
    QString executableFolder;
    // The user's configuration folder and the installed data folders; empty means the
    // real ones. Tests point them at temporary folders.
    QString userConfigFolder;
    QStringList dataFolders;
    bool dataFoldersSet = false;
    // The workbook named on the command line, opened at the first activation.
    QString startWorkbook;
    // The language of the windows, chosen by main() from the locale and --lang before
    // the windows are created; tests start in Chinese, the program's own language.
    language::Language language = language::Language::Chinese;

    // The settings file and the fallback workbook for exePath (settingslocation.h).
    QString chooseSettingsFile() const;
    // The settings file as it is now, found without creating or seeding anything.
    QString settingsFileToRead() const;
    QString sampleWorkbook() const;
};

AppState &app();

// Puts the state back as at program start (tests create the windows many times).
void resetAppState();

