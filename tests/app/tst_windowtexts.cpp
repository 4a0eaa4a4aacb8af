// Every window in both languages: in English no caption, menu item or log line shows Chinese
// (column names, file names and settings values are data and may), and in either language
// every caption fits its widget as the font measures it.
#include "chartwin/ui/dataLineUnit.h"
#include "settings/ui/setcolorUnit.h"
#include "settings/ui/setrulerUnit.h"
#include "support/appfixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>

#include <algorithm>

namespace {

const QRegularExpression Cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

// What a caption needs beside its text: the indicator of a check or radio box, a button's
// icon and frame.
int chromeWidth(const QWidget *w)
{
    const QStyle *style = w->style();
    if (qobject_cast<const QRadioButton *>(w))
        return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w)
               + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
    if (qobject_cast<const QCheckBox *>(w))
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w)
               + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return (button->icon().isNull() ? 0 : button->iconSize().width() + 4)
               + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w) + 4;
    if (qobject_cast<const QGroupBox *>(w))
        return 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w) + 8;
    return 0;
}

// A label's room: its own width, and no further than the next widget beside it on the
// right (a label sized to its text would otherwise run under an edit or a swatch).
int labelRoom(const QLabel *label)
{
    int room = label->contentsRect().width();
    const QRect at = label->geometry();
    for (const QWidget *sibling : label->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect other = sibling->geometry();
        if (sibling == label || sibling->isHidden() || other.left() <= at.left() || other.top() > at.bottom()
            || other.bottom() < at.top())
            continue;
        room = std::min(room, other.left() - at.left() - label->contentsMargins().left());
    }
    return room;
}

struct Caption {
    QString where;
    QString text;
    int needed = 0; // pixels, measured with the widget's font
    int room = 0;
};

// The captions of a window's widgets that can be seen when it is shown.
QList<Caption> captionsOf(QWidget *window)
{
    QList<Caption> captions;
    const auto add = [&](QWidget *w, QString text, int room) {
        text.remove(QLatin1Char('&'));
        if (text.isEmpty())
            return;
        const int needed = w->fontMetrics().horizontalAdvance(text) + chromeWidth(w);
        captions.append({window->objectName() + QLatin1Char('/') + w->metaObject()->className() + QLatin1Char(' ') + text,
                         text, needed, room});
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window))
            continue;
        if (auto *label = qobject_cast<QLabel *>(w); label && !label->wordWrap())
            add(label, label->text(), labelRoom(label));
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            add(button, button->text(), button->width());
        else if (auto *box = qobject_cast<QGroupBox *>(w))
            add(box, box->title(), box->width());
    }
    return captions;
}

// The texts with Chinese in them that are not `data` (column names shown as they are).
QStringList withCjk(const QStringList &texts, const QStringList &data = {})
{
    QStringList found;
    for (const QString &text : texts) {
        if (data.contains(text))
            continue;
        // A quoted column name is data.
        QString own = text;
        own.remove(QRegularExpression(QStringLiteral("'[^']*'")));
        if (own.contains(Cjk))
            found << text;
    }
    return found;
}

QStringList captionTexts(const QList<Caption> &captions)
{
    QStringList texts;
    for (const Caption &c : captions)
        texts << c.text;
    return texts;
}

}

class TestWindowTexts : public QObject
{
    Q_OBJECT
private slots:
    void everyWindow_data();
    void everyWindow();
};

void TestWindowTexts::everyWindow_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("drawCaption"); // the main window's button, as the user reads it
    QTest::addColumn<QString>("firstLogLine");
    QTest::addColumn<QString>("refusal"); // drawing without a Y column
    QTest::newRow("English") << true << "Draw curves" << "Rows: " << "No Y column chosen";
    QTest::newRow("Chinese") << false << "绘制曲线" << "数据行数：" << "没有选择Y坐标数据";
}

void TestWindowTexts::everyWindow()
{
    QFETCH(bool, english);
    QFETCH(QString, drawCaption);
    QFETCH(QString, firstLogLine);
    QFETCH(QString, refusal);
    // The settings file after the same actions, from the row before (its folder's name taken out).
    static QString settingsBefore;
    AppFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("translations")));
    f.copyIn(QStringLiteral(TABROVEX_BINARY_DIR "/translations/tabrovex_en.qm"), QStringLiteral("translations/tabrovex_en.qm"));
    f.copyIn(sampleWorkbook(), QStringLiteral("book.xls"));
    f.copyIn(QStringLiteral(TABROVEX_SOURCE_DIR "/data/option.ini"), QStringLiteral("ini/option.ini"));
    app().language = english ? language::Language::English : language::Language::Chinese;
    Tmainform *m = f.start();
    QCOMPARE(m->drawBtn->text(), drawCaption);
    QVERIFY(f.openAndRead());

    // The main window, its log and the path box's menu.
    QMap<QString, QList<Caption>> windows;
    windows.insert(QStringLiteral("main"), captionsOf(m));
    const QStringList log = m->Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(!log.isEmpty() && log.first().startsWith(firstLogLine), qPrintable(log.join('\n')));
    emit m->Edit1->customContextMenuRequested(QPoint(2, 2));
    const QStringList pathMenu = f.services.menuItems;
    QVERIFY(pathMenu.size() >= 2); // the recent file and "copy"

    // The chart window with its menu and both dialogs, opened from its buttons.
    QStringList chartMenu;
    // The English windows are kept beside the build for scripts/screenshots.sh.
    const auto keepPicture = [english](QWidget *window, const QString &name) {
        if (english)
            window->grab().save(QStringLiteral(TABROVEX_BINARY_DIR "/screenshot-%1.png").arg(name));
    };
    keepPicture(m, QStringLiteral("main"));
    f.services.onModal = [&](QDialog *dialog) {
        windows.insert(dialog->metaObject()->className(), captionsOf(dialog));
        keepPicture(dialog, QString::fromLatin1(dialog->metaObject()->className()));
        if (auto *chart = qobject_cast<TdataLineForm *>(dialog)) {
            chart->Button2->click();
            chart->Button3->click();
            for (QAction *action : chart->chartMenu->actions())
                if (!action->isSeparator())
                    chartMenu << action->text();
        }
    };
    m->drawBtn->click();
    QVERIFY2(f.services.errors.isEmpty() && f.services.messages.isEmpty(), qPrintable(f.services.messages.join('\n')));
    QCOMPARE(windows.keys(), (QStringList{"TdataLineForm", "TsetLinecolorform", "TsetrulerForm", "main"}));

    QStringList clipped;
    for (auto it = windows.cbegin(); it != windows.cend(); ++it) {
        QVERIFY2(it.value().size() >= 4, qPrintable(it.key()));
        for (const Caption &c : it.value())
            if (c.needed > c.room)
                clipped << QStringLiteral("%1: %2 px in %3").arg(c.where).arg(c.needed).arg(c.room);
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join('\n')));
    const QStringList titles{m->windowTitle(), app().dataLineForm->windowTitle(), app().setLinecolorform->windowTitle(),
                             app().setrulerForm->windowTitle()};
    QStringList shown = titles + log + pathMenu + chartMenu;
    for (const QList<Caption> &captions : windows)
        shown << captionTexts(captions);
    // A refusal from below the windows reads in the window's language.
    for (int k = 2; k <= 5; ++k)
        m->yBox[k]->setChecked(false);
    f.services.onModal = nullptr;
    m->drawBtn->click();
    QCOMPARE(f.services.messages, QStringList{refusal});

    // What is written to the settings file does not depend on the language.
    // The file is GBK and the folder's name may hold Chinese: bytes are compared as Latin-1.
    const QString settings = QString::fromLatin1(f.iniBytes())
                                 .replace(QRegularExpression(QStringLiteral("=[^\n]*/book\\.xls")), QStringLiteral("=FOLDER/book.xls"));
    QCOMPARE(settings.count(QStringLiteral("=FOLDER/book.xls")), 2); // the last file and the recent one
    if (!settingsBefore.isEmpty())
        QCOMPARE(settings, settingsBefore);
    settingsBefore = settings;

    if (english) {
        // The column names, item 1 of the main window's lists, are data.
        QStringList names;
        for (const QTableView *list : m->findChildren<QTableView *>())
            if (list->model() && list->model()->rowCount() > 0)
                names << list->model()->index(0, 0).data().toString();
        QVERIFY(names.contains(QStringLiteral("压力")));
        const QStringList chinese = withCjk(shown, names);
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join('\n')));
    } else {
        // The Chinese windows are as ever: every title and menu item in Chinese.
        QCOMPARE(withCjk(titles + chartMenu), titles + chartMenu);
    }
}

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
