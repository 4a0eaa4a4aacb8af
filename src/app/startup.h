#pragma once

// Program start after the application object exists: the title, then the four windows in
// their order (main window, chart window, colours dialog, limits dialog). Returns the main
// window, not yet shown.
class Tmainform;
Tmainform *createApplicationWindows();

// Deletes the windows created above (tests start the program many times).
void destroyApplicationWindows();
