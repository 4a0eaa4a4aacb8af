#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtTranslations()
{
    static const bool installed = [] {
        // qt_zh_CN gathers the catalogues of every Qt module, qtbase among them.
        auto *translator = new QTranslator(QCoreApplication::instance());
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!translator->load(QStringLiteral("qt_zh_CN"), folder)
            && !translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
            delete translator;
            return false;
        }
        return QCoreApplication::installTranslator(translator);
    }();
    return installed;
}
