#include "cli/plotrun.h"

#include <QtTest>

#include <QTemporaryDir>

// tabrovex-plot on logs with missing readings, large values and Unix seconds: what its JSON
// and its exit say.
class TestPlotGaps : public QObject
{
    Q_OBJECT
private slots:
    void scales_data();
    void scales();
};

void TestPlotGaps::scales_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("stderrLines");
    QTest::addColumn<QString>("x");     // "time lower upper decimals nonNumeric"
    QTest::addColumn<QString>("curve"); // the same, then its points
    QTest::newRow("missing readings") << "t,T\ns,C\n1,20.5\n2,NAN\n3,21.5\n4,M\n5,22\n" << 0
                                      << QStringList{"第2列有2个值不是数字，不绘制"} << "0 1 5 2 0"
                                      << "0 20.5 22 1 2 3";
    QTest::newRow("missing X readings") << "t,T\ns,C\n1,1\n---,2\n3,3\n" << 0
                                        << QStringList{"第1列有1个值不是数字，不绘制"} << "0 1 3 2 1" << "0 1 3 2 0 2";
    QTest::newRow("no reading at all") << "t,T\ns,C\n1,NAN\n2,M\n3,#N/A\n" << 3
                                       << QStringList{"None of the 3 values of column 2 is a number; cannot draw"} << "" << "";
    QTest::newRow("above 999999") << "n,v\n-,u\n1,2000000\n2,3000000\n" << 0 << QStringList{} << "0 1 2 2 0"
                                  << "0 2000000 3000000 0 0 2";
    QTest::newRow("labels kept apart") << "n,v\n-,u\n1,4.300\n2,4.301\n" << 0 << QStringList{} << "0 1 2 2 0"
                                       << "0 4.3 4.301 4 0 2";
    QTest::newRow("Unix seconds") << "unix_time,v\ns,u\n1796724000,1\n1796724060,2\n" << 0 << QStringList{}
                                  << "1 1796724000 1796724060 0 0" << "0 1 2 2 0 2";
}

void TestPlotGaps::scales()
{
    QFETCH(QString, csv);
    QFETCH(int, exitCode);
    QFETCH(QStringList, stderrLines);
    QFETCH(QString, x);
    QFETCH(QString, curve);
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("none.ini"));
    QFile empty(settings);
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    const QString workbook = dir.filePath(QStringLiteral("log.csv"));
    QFile file(workbook);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csv.toUtf8());
    file.close();
    const Result r = plot({"chart", workbook, "--settings", settings, "--mode", "1", "-y", "2", "-o",
                           dir.filePath(QStringLiteral("c.png"))});
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), stderrLines);
    if (exitCode != 0) {
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("c.png"))));
        return;
    }
    QCOMPARE(lines(r.json["log"]).mid(1), stderrLines);
    auto scale = [](const QJsonObject &o) {
        QStringList f{QString::number(int(o["time"].toBool())), QString::number(o["lower"].toDouble(), 'g', 12),
                      QString::number(o["upper"].toDouble(), 'g', 12), QString::number(o["decimals"].toInt()),
                      QString::number(o["nonNumeric"].toInt())};
        if (o.contains("points"))
            f << QString::number(o["points"].toInt());
        return f.join(QLatin1Char(' '));
    };
    QCOMPARE(scale(r.json["x"].toObject()), x);
    const QJsonArray curves = r.json["curves"].toArray();
    QCOMPARE(curves.size(), 1);
    QCOMPARE(scale(curves[0].toObject()), curve);
}

QTEST_GUILESS_MAIN(TestPlotGaps)
#include "tst_plotgaps.moc"
