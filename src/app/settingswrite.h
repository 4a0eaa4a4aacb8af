#pragma once

#include <functional>

class QWidget;

// A settings write never stops the work it belongs to. When the file refuses it, the main
// window's log says "Unable to write to <path>", and with InLogAndBox the error display
// too, as the action shows its errors; the caller then goes on as if it had been written
// (the settings file reads the refused values back for the rest of the run).
enum class RefusalShown { InLog, InLogAndBox };

void writeSettings(QWidget *parent, RefusalShown shown, const std::function<void()> &write);
