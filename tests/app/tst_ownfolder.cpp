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
    void qtDialogsWriteOnlyIntoOwnFolder();
};

void TestOwnFolder::qtDialogsWriteOnlyIntoOwnFolder()
{
    QVERIFY(everythingBelow(home).isEmpty());
    // Installed: no ini/ beside the executable, the user's folder the real one.
    AppFixture f(false, true);
    app().userConfigFolder.clear();
    Tmainform *m = f.start();
    QCOMPARE(app().iniFile->fileName(), home + "/.config/tabrovex/option.ini");

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
    // The dialogs did remember something, and it went beside the settings file.
    QVERIFY2(written.contains(".config/tabrovex/QtProject.conf"), qPrintable(written.join('\n')));
    for (const QString &path : written) {
        if (path != ".config" && !path.startsWith(".config/tabrovex"))
            QFAIL(qPrintable("written outside the program's folder: " + path));
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
