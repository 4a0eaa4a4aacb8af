#pragma once

// Qt's own texts (file dialog, colour picker, standard buttons) in Simplified Chinese, as
// the rest of the program. Installed once; later calls only report the first outcome.
// False when Qt's Chinese catalogue is not installed (the texts then stay English).
bool installQtTranslations();
