#include "base/catalogues.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace catalogues {

namespace {

QTranslator *oursInstalled = nullptr;
QTranslator *qtInstalled = nullptr;

void takeOut(QTranslator *&translator)
{
    if (!translator)
        return;
    QCoreApplication::removeTranslator(translator);
    delete translator;
    translator = nullptr;
}

// The translator holding the first of `names` found in `folder`, or nullptr.
QTranslator *loaded(const QStringList &names, const QString &folder)
{
    auto translator = new QTranslator;
    for (const QString &name : names) {
        if (translator->load(name, folder))
            return translator;
    }
    delete translator;
    return nullptr;
}

}

Installed install(language::Language language, const QStringList &folders)
{
    takeOut(oursInstalled);
    takeOut(qtInstalled);
    Installed installed;
    if (language == language::Language::English) {
        for (const QString &folder : folders) {
            const QString below = QDir(folder).filePath(FolderName);
            if ((oursInstalled = loaded({OurCatalogue}, below))) {
                installed.oursFrom = oursInstalled->filePath();
                break;
            }
        }
        installed.ours = oursInstalled != nullptr;
    } else {
        // qt_zh_CN gathers the catalogues of every Qt module, qtbase among them.
        qtInstalled = loaded({QStringLiteral("qt_zh_CN"), QStringLiteral("qtbase_zh_CN")},
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        installed.qt = qtInstalled != nullptr;
    }
    for (QTranslator *translator : {oursInstalled, qtInstalled}) {
        if (translator)
            QCoreApplication::installTranslator(translator);
    }
    return installed;
}

}
