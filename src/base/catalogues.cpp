#include "base/catalogues.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <utility>

namespace catalogues {

namespace {

// Our catalogue, leaving the texts of some contexts as written.
class Catalogue : public QTranslator
{
public:
    explicit Catalogue(QStringList kept) : m_kept(std::move(kept)) {}

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        if (context && m_kept.contains(QLatin1String(context)))
            return QString();
        return QTranslator::translate(context, sourceText, disambiguation, n);
    }

private:
    QStringList m_kept;
};

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
QTranslator *loaded(const QStringList &names, const QString &folder, const QStringList &kept = {})
{
    QTranslator *translator = new Catalogue(kept);
    for (const QString &name : names) {
        if (translator->load(name, folder))
            return translator;
    }
    delete translator;
    return nullptr;
}

}

Installed install(language::Language language, const QStringList &folders, const QStringList &keptContexts)
{
    takeOut(oursInstalled);
    takeOut(qtInstalled);
    Installed installed;
    if (language == language::Language::English) {
        for (const QString &folder : folders) {
            const QString below = QDir(folder).filePath(FolderName);
            if ((oursInstalled = loaded({OurCatalogue}, below, keptContexts))) {
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
