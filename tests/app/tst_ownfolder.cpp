// An installed program writes below the user's home only in its own settings folder: Qt's
// file dialog and colour picker keep what they remember there too, not in
// ~/.config/QtProject.conf. The test process has a home of its own, set before Qt starts.
#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "settings/inifile.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QColorDialog>
#include <QDirIterator>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

namespace {

QString home;

// Every file and folder below `folder`, relative to it.
QStringList everythingBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

// Closes the modal dialog that is about to be shown, as a user cancelling it would.
void cancelTheNextDialog()
{
    QTimer::singleShot(0, [] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            cancelTheNextDialog();
    });
}

}

class TestOwnFolder : public QObject
{
    Q_OBJECT
private slots:
    void qtDialogsWriteOnlyIntoOwnFolder_data();
    void qtDialogsWriteOnlyIntoOwnFolder();
};

void TestOwnFolder::qtDialogsWriteOnlyIntoOwnFolder_data()
{
    QTest::addColumn<bool>("userFolder"); // the user's folder usable, or no folder at all
    QTest::newRow("installed, the user's folder") << true;
    QTest::newRow("no folder can be used") << false;
}

void TestOwnFolder::qtDialogsWriteOnlyIntoOwnFolder()
{
    QFETCH(bool, userFolder);
    const QStringList before = everythingBelow(home);
    // Installed: no ini/ beside the executable. The user's folder is the real one, or one
    // that cannot be made (below a plain file).
    AppFixture f(false, false);
    if (userFolder)
        app().userConfigFolder.clear();
    Tmainform *m = f.start();
    QCOMPARE(app().iniFile->fileName(), userFolder ? home + "/.config/tabrovex/option.ini" : f.iniPath());

    QtServices real;
    cancelTheNextDialog();
    QCOMPARE(real.getOpenFileName(m, QStringLiteral("电子表格文(*.xls)"), QStringLiteral("xls")), QString());
    cancelTheNextDialog();
    QString filter;
    QCOMPARE(real.getSaveFileName(m, QStringLiteral("PNG (*.png);;PDF (*.pdf)"), &filter), QString());
    QColorDialog::setCustomColor(0, QColor(0x12, 0x34, 0x56));
    cancelTheNextDialog();
    int chosen = 0;
    QVERIFY(!real.pickColor(m, 0x00FF00, &chosen));
    destroyApplicationWindows();
    f.mainform = nullptr;

    const QStringList written = everythingBelow(home);
    if (userFolder) {
        // The dialogs did remember something, and it went beside the settings file.
        QVERIFY2(written.contains(".config/tabrovex/QtProject.conf"), qPrintable(written.join('\n')));
        for (const QString &path : written) {
            if (path != ".config" && !path.startsWith(".config/tabrovex"))
                QFAIL(qPrintable("written outside the program's folder: " + path));
        }
    } else {
        // Nowhere to keep it: nothing written, and no settings folder made beside the program.
        QCOMPARE(written, before);
        QVERIFY(!QFileInfo::exists(f.path("ini")));
    }
}

int main(int argc, char *argv[])
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    home = folder.path();
    qputenv("HOME", QFile::encodeName(home));
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(variable);
    QApplication application(argc, argv);
    TestOwnFolder test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ownfolder.moc"
