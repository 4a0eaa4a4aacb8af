#pragma once

#include <QString>

#include <functional>

class QWidget;

// Adds the full stop of the error display: when the text's last character sorts after ".".
QString withFullStop(const QString &message);

// Runs one event handler; an error it raises is shown by the top-level error display and
// the event loop goes on. No exception ever crosses Qt's event loop.
void guarded(QWidget *parent, const std::function<void()> &handler);
