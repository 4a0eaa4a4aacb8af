#pragma once

#include <QString>
#include <stdexcept>

// An error that ends the running handler and is shown by the top-level error display.
// Everything the program raises on purpose is an AppError; the message is user text.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    QString message() const { return m_message; }

private:
    QString m_message;
};
