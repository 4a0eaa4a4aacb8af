#include "widgets/errorguard.h"

#include "base/apperror.h"
#include "widgets/services.h"

#include <new>

#include <QCoreApplication>

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void guarded(QWidget *parent, const std::function<void()> &handler)
{
    QString message;
    try {
        handler();
        return;
    } catch (const AppError &e) {
        message = e.message();
    } catch (const std::bad_alloc &) {
        message = QCoreApplication::translate("errorguard", "内存不足");
    } catch (const std::exception &e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    services().showError(parent, withFullStop(message));
}
