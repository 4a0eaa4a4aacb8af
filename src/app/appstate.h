#pragma once

#include "base/lineset.h"

#include <QString>

#include <memory>

class IniFile;
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
    std::unique_ptr<IniFile> iniFile; // ini/option.ini below exePath
    mainunit::Tline lineSet;
    int scaleMode = 2;                // 1..3 automatic modes, 0 manual

    // Folder that FormCreate takes as exePath; tests point it at a temporary folder.
    QString executableFolder;
};

AppState &app();

// Puts the state back as at program start (tests create the windows many times).
void resetAppState();

