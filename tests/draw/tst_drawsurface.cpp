#include <QtTest>

#include "draw/drawsurface.h"
#include "report/reportimage.h"

#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <set>
#include <utility>

using PixelSet = std::set<std::pair<int, int>>;
Q_DECLARE_METATYPE(PixelSet)

namespace {

const QRgb White = qRgb(255, 255, 255);

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(White);
    return image;
}

PixelSet pixelsNot(const QImage &image, QRgb background)
{
    PixelSet set;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                set.insert({x, y});
    return set;
}

}

class TestDrawSurface : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void clippedLineMatchesUnclipped_data();
    void clippedLineMatchesUnclipped();
    void farAwayEnds_data();
    void farAwayEnds();
    void colours_data();
    void colours();
    void fillRectIsClipped();
    void ellipseStaysInBox();
    void ellipsesMatchThePainterEverywhere_data();
    void ellipsesMatchThePainterEverywhere();
    void textIsOpaqueAndMeasured();
    void textFollowsFontChanges_data();
    void textFollowsFontChanges();
    void changesAreReported();
    void canvasCreatesBitmapOnlyWhenEmpty();
    void polylineInSessionMatchesSingleLines_data();
    void polylineInSessionMatchesSingleLines();
    void doubleDensityIsTheSameDrawingDoubled_data();
    void doubleDensityIsTheSameDrawingDoubled();
    void doubleDensityTextIsSharper();
};

void TestDrawSurface::lines_data()
{
    QTest::addColumn<bool>("dotted");
    QTest::addColumn<QVector<QPoint>>("path"); // first point: moveTo, then lineTo
    QTest::addColumn<PixelSet>("expected");

    using P = QVector<QPoint>;
    QTest::newRow("horizontal, end pixel left out") << false << P{{1, 1}, {5, 1}}
        << PixelSet{{1, 1}, {2, 1}, {3, 1}, {4, 1}};
    QTest::newRow("leftwards") << false << P{{5, 1}, {1, 1}}
        << PixelSet{{5, 1}, {4, 1}, {3, 1}, {2, 1}};
    QTest::newRow("vertical upwards") << false << P{{2, 4}, {2, 1}}
        << PixelSet{{2, 4}, {2, 3}, {2, 2}};
    QTest::newRow("diagonal") << false << P{{0, 0}, {3, 3}}
        << PixelSet{{0, 0}, {1, 1}, {2, 2}};
    QTest::newRow("shallow, half step rounds onwards") << false << P{{0, 0}, {4, 1}}
        << PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}};
    QTest::newRow("steep leftwards") << false << P{{3, 0}, {2, 3}}
        << PixelSet{{3, 0}, {3, 1}, {2, 2}};
    QTest::newRow("zero length draws nothing") << false << P{{3, 3}, {3, 3}} << PixelSet{};
    QTest::newRow("polyline corners drawn once each") << false << P{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}
        << PixelSet{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
    QTest::newRow("dotted: every other pixel") << true << P{{0, 0}, {7, 0}}
        << PixelSet{{0, 0}, {2, 0}, {4, 0}, {6, 0}};
    // The rhythm runs on across a polyline instead of restarting at each corner.
    QTest::newRow("dotted rhythm runs across corners") << true << P{{0, 0}, {3, 0}, {3, 3}}
        << PixelSet{{0, 0}, {2, 0}, {3, 1}};
}

void TestDrawSurface::lines()
{
    QFETCH(bool, dotted);
    QFETCH(QVector<QPoint>, path);
    QFETCH(PixelSet, expected);
    QImage image = blank(8, 8);
    DrawSurface s(&image);
    s.setPenColor(0x0000FF);
    s.setPenStyle(dotted ? DrawSurface::Dotted : DrawSurface::Solid);
    s.moveTo(path[0].x(), path[0].y());
    for (int i = 1; i < path.size(); ++i)
        s.lineTo(path[i].x(), path[i].y());
    QCOMPARE(pixelsNot(image, White), expected);
    for (const auto &p : expected)
        QCOMPARE(image.pixel(p.first, p.second), qRgb(255, 0, 0));
}

void TestDrawSurface::clippedLineMatchesUnclipped_data()
{
    QTest::addColumn<QLine>("line");
    QTest::addColumn<bool>("dotted");
    // Lines on a 300 x 300 bitmap, compared with the same lines on a 60 x 40 window of it
    // at (120, 130), where they have to be clipped.
    QTest::newRow("shallow through") << QLine(3, 100, 297, 190) << false;
    QTest::newRow("steep through") << QLine(110, 2, 190, 290) << false;
    QTest::newRow("steep backwards") << QLine(199, 280, 101, 7) << false;
    QTest::newRow("ends inside window") << QLine(10, 10, 150, 150) << false;
    QTest::newRow("starts inside window") << QLine(150, 150, 299, 20) << false;
    QTest::newRow("corner cut") << QLine(100, 160, 140, 290) << false;
    QTest::newRow("dotted through") << QLine(0, 131, 299, 161) << true;
    QTest::newRow("dotted steep") << QLine(121, 0, 170, 299) << true;
    QTest::newRow("misses window") << QLine(0, 0, 299, 100) << false;
}

void TestDrawSurface::clippedLineMatchesUnclipped()
{
    QFETCH(QLine, line);
    QFETCH(bool, dotted);
    const QPoint window(120, 130);
    QImage big = blank(300, 300);
    QImage small = blank(60, 40);
    DrawSurface a(&big);
    DrawSurface b(&small);
    for (DrawSurface *s : {&a, &b}) {
        s->setPenColor(0x00FF00);
        s->setPenStyle(dotted ? DrawSurface::Dotted : DrawSurface::Solid);
    }
    a.moveTo(line.x1(), line.y1());
    a.lineTo(line.x2(), line.y2());
    b.moveTo(line.x1() - window.x(), line.y1() - window.y());
    b.lineTo(line.x2() - window.x(), line.y2() - window.y());
    QCOMPARE(small, big.copy(QRect(window, small.size())));
}

void TestDrawSurface::farAwayEnds_data()
{
    QTest::addColumn<qint64>("x0");
    QTest::addColumn<qint64>("y0");
    QTest::addColumn<qint64>("x1");
    QTest::addColumn<qint64>("y1");
    QTest::addColumn<PixelSet>("expected");
    const qint64 big = qint64(4) << 60;
    PixelSet row, diagonal, column;
    for (int i = 0; i < 16; ++i) {
        row.insert({i, 5});
        diagonal.insert({i, i});
        column.insert({9, i});
    }
    QTest::newRow("row across 2^63") << -big << qint64(5) << big << qint64(5) << row;
    QTest::newRow("diagonal from far away") << -big << -big << big << big << diagonal;
    QTest::newRow("column from far below") << qint64(9) << big << qint64(9) << -big << column;
    QTest::newRow("passes beside") << -big << qint64(-3) << big << qint64(-3) << PixelSet{};
}

void TestDrawSurface::farAwayEnds()
{
    QFETCH(qint64, x0);
    QFETCH(qint64, y0);
    QFETCH(qint64, x1);
    QFETCH(qint64, y1);
    QFETCH(PixelSet, expected);
    QImage image = blank(16, 16);
    DrawSurface s(&image);
    QElapsedTimer timer;
    timer.start();
    s.moveTo(x0, y0);
    s.lineTo(x1, y1);
    QVERIFY2(timer.elapsed() < 1000, "a far-away line must cost only its visible part");
    QCOMPARE(pixelsNot(image, White), expected);
}

void TestDrawSurface::colours_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("red in the low byte") << 0x0000FF << QColor(255, 0, 0);
    QTest::newRow("green") << 0x00FF00 << QColor(0, 255, 0);
    QTest::newRow("blue in the third byte") << 0xFF0000 << QColor(0, 0, 255);
    QTest::newRow("silver") << 0xC0C0C0 << QColor(192, 192, 192);
    QTest::newRow("aqua") << 0xFFFF00 << QColor(0, 255, 255);
    QTest::newRow("mixed") << 0x123456 << QColor(0x56, 0x34, 0x12);
}

void TestDrawSurface::colours()
{
    QFETCH(int, color);
    QFETCH(QColor, expected);
    QCOMPARE(DrawSurface::toQColor(color), expected);
    QImage image = blank(4, 4);
    DrawSurface s(&image);
    s.setFillColor(color);
    s.fillRect(0, 0, 4, 4);
    QCOMPARE(image.pixelColor(2, 2), expected);
}

void TestDrawSurface::fillRectIsClipped()
{
    QImage image = blank(10, 10);
    DrawSurface s(&image);
    s.setFillColor(0);
    s.fillRect(-1000000000000LL, -5, 3, 2);
    s.fillRect(8, 8, 1LL << 62, 1LL << 62);
    PixelSet expected{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {8, 8}, {9, 8}, {8, 9}, {9, 9}};
    QCOMPARE(pixelsNot(image, White), expected);
}

void TestDrawSurface::ellipseStaysInBox()
{
    QImage image = blank(40, 40);
    DrawSurface s(&image);
    s.setPenColor(0x0000FF);
    s.setFillColor(0x00FF00);
    s.ellipse(10, 10, 20, 20);
    const PixelSet drawn = pixelsNot(image, White);
    QVERIFY(!drawn.empty());
    for (const auto &p : drawn) {
        QVERIFY2(p.first >= 10 && p.first < 20 && p.second >= 10 && p.second < 20, "outside the box");
        const QRgb c = image.pixel(p.first, p.second);
        QVERIFY(c == qRgb(255, 0, 0) || c == qRgb(0, 255, 0)); // no blended pixels
    }
    QCOMPARE(image.pixel(15, 15), qRgb(0, 255, 0));
    QCOMPARE(image.pixel(15, 10), qRgb(255, 0, 0));
    // Marker-sized circles touch their box's left and top edges and stop short of the others.
    QImage small = blank(10, 10);
    DrawSurface t(&small);
    t.ellipse(2, 2, 6, 6);
    const PixelSet marker = pixelsNot(small, White);
    int minX = 99, maxX = -1;
    for (const auto &p : marker) {
        minX = std::min(minX, p.first);
        maxX = std::max(maxX, p.first);
    }
    QCOMPARE(minX, 2);
    QCOMPARE(maxX, 5);
    // Far away or empty boxes draw nothing and do not fail.
    t.ellipse(-(1LL << 62), 0, -(1LL << 62) + 4, 4);
    t.ellipse(4, 4, 4, 9);
    QCOMPARE(pixelsNot(small, White), marker);
}

void TestDrawSurface::ellipsesMatchThePainterEverywhere_data()
{
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("marker") << 1 << 4 << 4;
    QTest::newRow("marker, ratio 2") << 2 << 4 << 4;
    QTest::newRow("flat") << 1 << 9 << 3;
    QTest::newRow("tall, ratio 2") << 2 << 3 << 11;
    QTest::newRow("odd size, ratio 3") << 3 << 7 << 5;
    QTest::newRow("large") << 1 << 40 << 26;
    QTest::newRow("large, ratio 2") << 2 << 36 << 36;
}

// Every box that reaches onto the bitmap, also cut by its edges, with colours changing
// between calls: the pixels are those the painter sets for that one ellipse.
void TestDrawSurface::ellipsesMatchThePainterEverywhere()
{
    QFETCH(int, ratio);
    QFETCH(int, w);
    QFETCH(int, h);
    const int width = 23, height = 17;
    const int colors[][2] = {{0x0000FF, 0x00FF00}, {0x123456, 0x123456}, {0, 0xFFFFFF}};
    int k = 0;
    for (int y = -h + 1; y < height; y += 3) {
        for (int x = -w + 1; x < width; x += 2, ++k) {
            const int pen = colors[k % 3][0];
            const int fill = colors[k % 3][1];
            QImage drawn = blank(width * ratio, height * ratio);
            drawn.setDevicePixelRatio(ratio);
            QImage expected = drawn.copy();
            DrawSurface s(&drawn);
            s.setPenColor(pen);
            s.setFillColor(fill);
            s.ellipse(x, y, x + w, y + h);
            {
                QPainter p(&expected);
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setPen(QPen(DrawSurface::toQColor(pen), 1));
                p.setBrush(DrawSurface::toQColor(fill));
                p.drawEllipse(QRect(x, y, w - 1, h - 1));
            }
            if (drawn != expected)
                QFAIL(qPrintable(QStringLiteral("differs at %1,%2").arg(x).arg(y)));
        }
    }
}

void TestDrawSurface::textIsOpaqueAndMeasured()
{
    QImage image = blank(200, 60);
    DrawSurface s(&image);
    QCOMPARE(s.textWidth(QString()), 0);
    QCOMPARE(s.textHeight(QString()), 0);
    s.setFontSize(10);
    const int w10 = s.textWidth(QStringLiteral("12345"));
    const int h10 = s.textHeight(QStringLiteral("中"));
    s.setFontSize(24);
    QVERIFY(s.textWidth(QStringLiteral("12345")) > w10);
    QVERIFY(s.textHeight(QStringLiteral("中")) > h10);

    s.setFontSize(10);
    s.setFillColor(0x00FFFF); // yellow box
    s.setFontColor(0xFF0000); // blue letters
    const QString text = QStringLiteral("温度 25.5");
    s.textOut(20, 10, text);
    const QRect box(20, 10, s.textWidth(text), s.textHeight(text));
    int letters = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (!box.contains(x, y)) {
                QCOMPARE(c, White);
                continue;
            }
            QVERIFY(c == qRgb(255, 255, 0) || c == qRgb(0, 0, 255));
            letters += c == qRgb(0, 0, 255);
        }
    }
    QVERIFY(letters > 10);
    // Texts far off the bitmap are skipped without trouble.
    s.textOut(-(1LL << 62), 5, text);
    s.textOut(5, 1LL << 62, text);
}

void TestDrawSurface::textFollowsFontChanges_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("stretch");
    QTest::addColumn<bool>("bold");
    QTest::newRow("same font") << 10 << 0 << false;
    QTest::newRow("other size") << 14 << 0 << false;
    QTest::newRow("application font stretched") << 10 << 200 << false;
    QTest::newRow("application font bold") << 10 << 0 << true;
}

// Texts measured and written once are measured and written again with the font in force
// now, also after the application's font changed: as a new surface does.
void TestDrawSurface::textFollowsFontChanges()
{
    QFETCH(int, size);
    QFETCH(int, stretch);
    QFETCH(bool, bold);
    const QString text = QStringLiteral("压力 12.5 MPa");
    const QFont original = QGuiApplication::font();
    QImage used = blank(200, 40);
    DrawSurface s(&used);
    s.setFontSize(10);
    s.textOut(2, 2, text);
    const int widthBefore = s.textWidth(text);
    QFont changed = original;
    if (stretch > 0)
        changed.setStretch(stretch);
    changed.setBold(bold);
    QGuiApplication::setFont(changed);
    s.setFontSize(24); // leaves the size in use and comes back to it
    s.setFontSize(size);
    used.fill(White);
    s.textOut(2, 2, text);
    QImage fresh = blank(200, 40);
    DrawSurface t(&fresh);
    t.setFontSize(size);
    t.textOut(2, 2, text);
    const int widthAfter = s.textWidth(text);
    const int heightAfter = s.textHeight(text);
    QGuiApplication::setFont(original);
    QCOMPARE(widthAfter, t.textWidth(text));
    QCOMPARE(heightAfter, t.textHeight(text));
    QVERIFY(used == fresh);
    QCOMPARE(widthAfter != widthBefore, size != 10 || stretch > 0 || bold);
}

void TestDrawSurface::changesAreReported()
{
    QRImage element;
    element.Width = 20;
    element.Height = 10;
    int calls = 0;
    element.setOnChanged([&] { ++calls; });
    DrawSurface &s = element.Canvas();
    const int afterCreate = calls;
    QCOMPARE(afterCreate, 1);
    s.moveTo(0, 0);
    s.lineTo(5, 5);
    QCOMPARE(calls, afterCreate + 1);
    {
        PaintSession session(s);
        s.lineTo(10, 0);
        s.fillRect(0, 0, 3, 3);
        s.textOut(0, 0, QStringLiteral("x"));
        QCOMPARE(calls, afterCreate + 1); // held back until the session ends
    }
    QCOMPARE(calls, afterCreate + 2);
    {
        PaintSession idle(s);
        s.moveTo(3, 3);
        s.lineTo(3, 3); // sets no pixel
    }
    QCOMPARE(calls, afterCreate + 2);
    QCOMPARE(element.changeCount(), calls);
}

void TestDrawSurface::canvasCreatesBitmapOnlyWhenEmpty()
{
    QRImage element;
    element.Width = 30;
    element.Height = 20;
    QVERIFY(!element.hasPicture());
    element.Canvas();
    QCOMPARE(element.picture().size(), QSize(30, 20));
    QCOMPARE(element.picture().format(), QImage::Format_RGB32);
    QCOMPARE(element.picture().pixel(29, 19), White);

    // A stored bitmap keeps its own size whatever the element's size.
    QRImage printed;
    printed.Width = 1010;
    printed.Height = 560;
    printed.setPictureSize(1010, 672);
    printed.Canvas();
    QCOMPARE(printed.picture().size(), QSize(1010, 672));

    // Sizes no bitmap can have leave the picture empty; drawing then does nothing.
    QRImage odd;
    odd.Width = -5;
    odd.Height = 1 << 30;
    DrawSurface &s = odd.Canvas();
    QVERIFY(!odd.hasPicture());
    s.moveTo(0, 0);
    s.lineTo(100, 100);
    s.fillRect(0, 0, 10, 10);
    s.textOut(0, 0, QStringLiteral("x"));
    s.ellipse(0, 0, 4, 4);
    QVERIFY(!odd.hasPicture());
}

void TestDrawSurface::polylineInSessionMatchesSingleLines_data()
{
    QTest::addColumn<int>("ratio");
    QTest::addColumn<bool>("dotted");
    QTest::addColumn<int>("reach"); // how far past the 80 x 50 drawing points may lie
    QTest::newRow("inside") << 1 << false << 0;
    QTest::newRow("inside, ratio 2") << 2 << false << 0;
    QTest::newRow("dotted, rhythm across corners") << 1 << true << 0;
    QTest::newRow("dotted, ratio 2") << 2 << true << 0;
    QTest::newRow("in and out across the edges") << 1 << false << 30;
    QTest::newRow("in and out, ratio 2, dotted") << 2 << true << 30;
    QTest::newRow("far away points") << 1 << false << 1000000;
    // Steps along one row or column, as steep curves give them, also off the drawing.
    QTest::newRow("walks along rows and columns") << 1 << false << -1;
    QTest::newRow("walks, dotted, ratio 2") << 2 << true << -1;
    QTest::newRow("walks across the edges") << 1 << true << -4;
}

// Inside a painting session a polyline goes to the pixels by its own way: the same pixels,
// pen position, piece count and dot rhythm as one lineTo per point.
void TestDrawSurface::polylineInSessionMatchesSingleLines()
{
    QFETCH(int, ratio);
    QFETCH(bool, dotted);
    QFETCH(int, reach);
    std::vector<DrawSurface::Point> points;
    quint32 seed = 12345;
    auto next = [&seed](int span) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % quint32(span));
    };
    for (int k = 0; k < 3000; ++k) {
        if (reach < 0 && k > 0) {
            // A step of 0 to 3 pixels along x or y, now and then turning back; kept within
            // -reach pixels of the drawing (0 for walks that stay on it).
            const DrawSurface::Point &last = points.back();
            const int along = next(2), step = next(7) - 3;
            const qint64 margin = reach == -1 ? 0 : -reach;
            points.push_back({std::clamp<qint64>(last.x + (along ? step : 0), -margin, 79 + margin),
                              std::clamp<qint64>(last.y + (along ? 0 : step), -margin, 49 + margin)});
            continue;
        }
        const bool far = reach > 0 && next(5) == 0;
        points.push_back({qint64(far ? next(80 + 2 * reach) - reach : next(80)),
                          qint64(far ? next(50 + 2 * reach) - reach : next(50))});
    }
    QImage a = blank(80 * ratio, 50 * ratio), b = blank(80 * ratio, 50 * ratio);
    a.setDevicePixelRatio(ratio);
    b.setDevicePixelRatio(ratio);
    DrawSurface polyline(&a), single(&b);
    for (DrawSurface *s : {&polyline, &single}) {
        s->setPenStyle(dotted ? DrawSurface::Dotted : DrawSurface::Solid);
        s->moveTo(points[0].x, points[0].y);
    }
    // Colours change between pieces of the line, as a curve's hidden stretches do.
    for (size_t from = 1; from < points.size(); from += 100) {
        const int count = int(std::min<size_t>(100, points.size() - from));
        const int colour = int(from % 3 == 0 ? 0xFF0000 : 0x00AA00 + int(from));
        polyline.setPenColor(colour);
        single.setPenColor(colour);
        {
            PaintSession session(polyline);
            polyline.polylineTo(points.data() + from, count);
        }
        for (int i = 0; i < count; ++i)
            single.lineTo(points[from + size_t(i)].x, points[from + size_t(i)].y);
    }
    QVERIFY(pixelsNot(a, White).size() > 500);
    QCOMPARE(a, b);
    QCOMPARE(polyline.penPos(), single.penPos());
    QCOMPARE(polyline.linePieces(), single.linePieces());
}

void TestDrawSurface::doubleDensityIsTheSameDrawingDoubled_data()
{
    QTest::addColumn<QLine>("line");
    QTest::addColumn<bool>("dotted");
    QTest::addColumn<QRect>("fill");
    // On a 60 x 40 drawing: lines inside, leaving it, far away, dotted; fills inside and cut.
    QTest::newRow("shallow inside") << QLine(3, 5, 57, 30) << false << QRect();
    QTest::newRow("steep backwards") << QLine(50, 38, 12, 1) << false << QRect();
    QTest::newRow("dotted across") << QLine(0, 20, 59, 21) << true << QRect();
    QTest::newRow("leaves on the right") << QLine(30, 10, 400, 35) << false << QRect();
    QTest::newRow("far away ends") << QLine(-100000, -34980, 100000, 35020) << false << QRect();
    QTest::newRow("fill inside") << QLine() << false << QRect(5, 6, 20, 10);
    QTest::newRow("fill cut at the edges") << QLine() << false << QRect(-10, 30, 100, 30);
}

// A bitmap of ratio 2 is drawn in the coordinates of one of ratio 1: every pixel of a line or
// fill becomes a 2 x 2 block, nothing moves, nothing reaches past the drawing's size.
void TestDrawSurface::doubleDensityIsTheSameDrawingDoubled()
{
    QFETCH(QLine, line);
    QFETCH(bool, dotted);
    QFETCH(QRect, fill);
    QImage single = blank(60, 40);
    QImage doubled = blank(120, 80);
    doubled.setDevicePixelRatio(2);
    DrawSurface a(&single);
    DrawSurface b(&doubled);
    for (DrawSurface *s : {&a, &b}) {
        s->setPenColor(0x0000FF);
        s->setFillColor(0x00FF00);
        s->setPenStyle(dotted ? DrawSurface::Dotted : DrawSurface::Solid);
        if (!line.isNull()) {
            s->moveTo(line.x1(), line.y1());
            s->lineTo(line.x2(), line.y2());
        }
        if (fill.isValid())
            s->fillRect(fill.left(), fill.top(), fill.right() + 1, fill.bottom() + 1);
    }
    QVERIFY(pixelsNot(single, White).size() > 10);
    QImage expected = single.scaled(120, 80, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    expected.setDevicePixelRatio(2);
    QCOMPARE(doubled, expected);
}

void TestDrawSurface::doubleDensityTextIsSharper()
{
    // A text measures the same at both ratios and is written with twice the detail: its
    // pixels are not merely the single-density ones doubled.
    const QString text = QStringLiteral("压力 12.5");
    QImage single = blank(100, 30);
    QImage doubled = blank(200, 60);
    doubled.setDevicePixelRatio(2);
    DrawSurface a(&single);
    DrawSurface b(&doubled);
    for (DrawSurface *s : {&a, &b}) {
        s->setFontSize(8);
        s->setFillColor(0xFFFFFF);
        s->textOut(4, 4, text);
    }
    QCOMPARE(b.textWidth(text), a.textWidth(text));
    const PixelSet inked = pixelsNot(doubled, White);
    QVERIFY(!inked.empty());
    const QRect box(4 * 2, 4 * 2, a.textWidth(text) * 2, a.textHeight(text) * 2);
    for (const auto &[x, y] : inked)
        QVERIFY2(box.contains(x, y), qPrintable(QStringLiteral("ink at %1,%2").arg(x).arg(y)));
    QImage doubledSingle = single.scaled(200, 60, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    doubledSingle.setDevicePixelRatio(2);
    QVERIFY(doubled != doubledSingle);
}

QTEST_MAIN(TestDrawSurface)
#include "tst_drawsurface.moc"
