#pragma once

#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "support/scriptedservices.h"

#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A fresh program per test: its own executable folder (with or without ini/ and 001.xls),
// its own user configuration folder (config/, usable or not) and no installed data folder,
// scripted services, and the four windows created as at program start.
struct AppFixture {
    QTemporaryDir dir;
    ScriptedServices services;
    Tmainform *mainform = nullptr;

    explicit AppFixture(bool withIniFolder = true, bool withUserConfig = false)
    {
        if (withIniFolder)
            QDir(dir.path()).mkdir(QStringLiteral("ini"));
        resetAppState();
        app().executableFolder = dir.path() + QLatin1Char('/');
        // A user folder that cannot be made sits below a plain file.
        if (!withUserConfig) {
            QFile blocker(path(QStringLiteral("config")));
            blocker.open(QIODevice::WriteOnly);
        }
        app().userConfigFolder = configPath(QString());
        app().dataFolders.clear();
        app().dataFoldersSet = true;
        setServices(&services);
    }

    ~AppFixture()
    {
        if (mainform)
            destroyApplicationWindows();
        setServices(nullptr);
        app().executableFolder.clear();
        app().userConfigFolder.clear();
        app().dataFolders.clear();
        app().dataFoldersSet = false;
    }

    // A file in the user configuration folder of this program.
    QString configPath(const QString &name) const { return path(QStringLiteral("config/tabrovex/")) + name; }

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    QString iniPath() const { return path(QStringLiteral("ini/option.ini")); }

    void copyIn(const QString &source, const QString &name) const
    {
        QFile::remove(path(name));
        QVERIFY(QFile::copy(source, path(name)));
    }

    void writeIni(const QByteArray &bytes) const
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray iniBytes() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Creates the windows and shows the main window, which then activates as at program
    // start. No event is processed after that, so a test sees the state the activation
    // left, before the 200 ms of the read request can pass.
    Tmainform *start()
    {
        mainform = createApplicationWindows();
        mainform->show();
        mainform->FormActivate();
        return mainform;
    }

    // Chooses `name` (in the fixture's folder) with "打开文件" and waits for its read.
    bool openAndRead(const QString &name = QStringLiteral("book.xls"))
    {
        const int before = mainform->readCount();
        services.openAnswers.push_back(path(name));
        mainform->openBtn->click();
        return QTest::qWaitFor([&] { return mainform->readCount() == before + 1; }, 3000);
    }
};

inline QString sampleWorkbook()
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls");
}
