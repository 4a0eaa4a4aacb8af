#include "cli/plotrun.h"

#include <QtTest>

#include <QTemporaryDir>

namespace {

constexpr double Dec8 = 1796688000.0; // 2026-12-08 00:00

QString fixture(const QString &name)
{
    return QStringLiteral(TABROVEX_SOURCE_DIR "/tests/fixtures/formats/") + name;
}


}

class TestPlotTime : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void storedPicture();
    void reports_data();
    void reports();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_settings; // empty: the defaults
};

void TestPlotTime::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = m_dir->filePath(QStringLiteral("none.ini"));
    QFile file(m_settings);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestPlotTime::storedPicture()
{
    // As scripts/make-time-chart.sh drew the stored picture.
    const QString out = m_dir->filePath(QStringLiteral("chart.png"));
    const Result r = plot({"chart", fixture("timestamps.csv"), "--settings", m_settings, "--size", "640x360", "-o", out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QString());
    const QJsonObject x = r.json["x"].toObject();
    QCOMPARE(x["time"].toBool(), true);
    QCOMPARE(x["lower"].toDouble(), Dec8 + 10 * 3600);
    QCOMPARE(x["upper"].toDouble(), Dec8 + 13 * 3600);
    for (const QJsonValue &curve : r.json["curves"].toArray()) {
        QCOMPARE(curve.toObject()["time"].toBool(), false);
        QCOMPARE(curve.toObject()["points"].toInt(), 37);
    }

    const QImage drawn = QImage(out).convertToFormat(QImage::Format_RGB32);
    const QImage stored = QImage(fixture("timestamps-chart.png")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(drawn.size(), QSize(640, 360));
    QCOMPARE(stored.size(), drawn.size());
    // The plot area with the X axis line and its ticks holds no text, so it does not depend
    // on the fonts installed: two curves give margins of 65, the top margin is 120 and the
    // bottom one 50, the ticks reach 6 pixels below the plot.
    const QRect area(QPoint(65, 120), QPoint(640 - 65, 360 - 50 + 6));
    int differing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            differing += drawn.pixel(x, y) != stored.pixel(x, y);
    QCOMPARE(differing, 0);
    // And the curves are in it: the default curve colour, green.
    int green = 0;
    for (int y = area.top() + 1; y < area.bottom() - 7; ++y)
        for (int x = area.left() + 1; x < area.right(); ++x)
            green += (drawn.pixel(x, y) & 0xFFFFFF) == 0x00FF00;
    QVERIFY(green > 500);
}

void TestPlotTime::reports_data()
{
    QTest::addColumn<QString>("csv");      // written at run time; empty: the dates workbook
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("stderrLines");
    QTest::addColumn<double>("base");      // taken off the X limits
    QTest::addColumn<QString>("x");        // "time lower upper nonNumeric"
    QTest::addColumn<QString>("curves");   // "time nonNumeric points" each, "|" between

    QTest::newRow("texts not drawn") << "t,a,b\ns,u,v\n1,2,x\n2,n/a,4\n3,5,-\n" << QStringList{} << 0
                                     << QStringList{"第2列有1个值不是数字，不绘制", "第3列有2个值不是数字，不绘制"}
                                     << 0.0 << "0 1 3 0" << "0 1 2|0 2 1";
    QTest::newRow("zones taken to UTC") << "t,a\ns,u\n2026-12-08T10:00:00+08:00,1\n2026-12-08T03:00:00Z,2\n2026-12-08 04:00:00+0100,3\n"
                                        << QStringList{} << 0 << QStringList{} << Dec8 << "1 7200 10800 0" << "0 0 3";
    QTest::newRow("empty time left out") << "t,a\ns,u\n2026-12-08 10:00:00,1\n ,2\n2026-12-08 10:00:02,3\n" << QStringList{}
                                         << 0 << QStringList{"第1列有1个空值，这1行不绘制"} << Dec8 << "1 36000 36002 0" << "0 0 2";
    QTest::newRow("times of day over midnight") << "t,a\ns,u\n23:59:59.5,1\n0:00:00.5,2\n" << QStringList{} << 0
                                                << QStringList{"第1列的时间没有日期，有1处倒退（可能跨过了午夜），按当天的时刻绘制"}
                                                << 0.0 << "1 0.5 86399.5 0" << "0 0 2";
    QTest::newRow("a number among times") << "t,a\ns,u\n2026-12-08 10:00:00,1\n7,2\n" << QStringList{} << 0
                                          << QStringList{"第1列有1个值不是数字，不绘制"} << 0.0 << "0 7 7 1" << "0 0 1";
    // A short row keeps the table's length: its missing cell is an empty item, a gap.
    QTest::newRow("a short row") << "t,a,b\ns,u,v\n1,2,3\n4,5\n" << QStringList{} << 0
                                 << QStringList{"第3列有1个值不是数字，不绘制"} << 0.0 << "0 1 4 0" << "0 0 2|0 1 1";
    QTest::newRow("date cells of a workbook") << "" << QStringList{"-y", "2,3,4"} << 0
                                              << QStringList{"第3列的时间没有日期，有2处倒退（可能跨过了午夜），按当天的时刻绘制",
                                                             "第4列有1个值不是数字，不绘制"}
                                              << 0.0 << "1 1796709600 1796882400 0" << "0 0 9|1 0 9|0 1 8";
}

void TestPlotTime::reports()
{
    QFETCH(QString, csv);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, stderrLines);
    QFETCH(double, base);
    QFETCH(QString, x);
    QFETCH(QString, curves);
    QString workbook = fixture("dates.xlsx");
    if (!csv.isEmpty()) {
        workbook = m_dir->filePath(QStringLiteral("log.csv"));
        QFile file(workbook);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(csv.toUtf8());
    }
    const Result r = plot(QStringList{"chart", workbook, "--settings", m_settings, "--mode", "1", "-o",
                                   m_dir->filePath(QStringLiteral("c.png"))} + options);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), stderrLines);
    if (exitCode != 0)
        return;
    // The same lines in the log, after the table's size.
    QCOMPARE(lines(r.json["log"]).mid(1), stderrLines);
    auto scale = [base](const QJsonObject &o, bool limits) {
        QStringList f{QString::number(int(o["time"].toBool()))};
        if (limits)
            f << QString::number(o["lower"].toDouble() - base, 'g', 12)
              << QString::number(o["upper"].toDouble() - base, 'g', 12);
        f << QString::number(o["nonNumeric"].toInt());
        if (!limits)
            f << QString::number(o["points"].toInt());
        return f.join(QLatin1Char(' '));
    };
    QCOMPARE(scale(r.json["x"].toObject(), true), x);
    QStringList got;
    for (const QJsonValue &c : r.json["curves"].toArray())
        got << scale(c.toObject(), false);
    QCOMPARE(got.join(QLatin1Char('|')), curves);
}

QTEST_GUILESS_MAIN(TestPlotTime)
#include "tst_plottime.moc"
