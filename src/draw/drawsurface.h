#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPainter;

// Drawing surface over a 32-bit bitmap with the primitives the chart needs. Colours are
// 0x00BBGGRR integers. Nothing is anti-aliased, so every pixel is predictable.
//
// Lines are rasterised here rather than by QPainter: a line includes its start pixel and
// excludes its end pixel, the dot rhythm of a dotted pen runs on across a polyline, and a
// line whose ends lie far outside the bitmap is clipped exactly, without ever handing huge
// coordinates to the painter. Rectangles, ellipses and texts use QPainter.
//
// A bitmap with a device pixel ratio of n (a high-density screen) is drawn on in the same
// coordinates as one of ratio 1 and 1/n of its size: every pixel of a line is an n x n
// block, and texts are rendered at n times the resolution, so the picture is sharp there.
class DrawSurface
{
public:
    enum PenStyle { Solid, Dotted };

    struct Point {
        qint64 x;
        qint64 y;
        bool operator==(const Point &o) const { return x == o.x && y == o.y; }
    };

    // What textOut wrote, for callers that check where texts went.
    struct TextItem {
        qint64 x, y;
        QString text;
        int size;
        int color;
    };

    explicit DrawSurface(QImage *image);
    ~DrawSurface();
    DrawSurface(const DrawSurface &) = delete;
    DrawSurface &operator=(const DrawSurface &) = delete;

    // painting session: keeps one painter open over many calls; nests.
    void beginPaint();
    void endPaint();

    // state:
    void setFillColor(int color) { m_fillColor = color; }
    int fillColor() const { return m_fillColor; }
    void setPenColor(int color) { m_penColor = color; }
    int penColor() const { return m_penColor; }
    void setPenStyle(PenStyle style);
    PenStyle penStyle() const { return m_penStyle; }
    void setFontSize(int points);
    int fontSize() const { return m_fontSize; }
    void setFontColor(int color) { m_fontColor = color; }
    int fontColor() const { return m_fontColor; }
    Point penPos() const { return m_penPos; }

    // drawing:
    // Fills x1 <= x < x2, y1 <= y < y2 with the fill colour.
    void fillRect(qint64 x1, qint64 y1, qint64 x2, qint64 y2);
    void moveTo(qint64 x, qint64 y);
    // Line from the pen position to (x, y), end pixel excluded; the pen moves there.
    void lineTo(qint64 x, qint64 y);
    // lineTo through every point in turn.
    void polylineTo(const Point *points, int count);
    // Ellipse inside x1 <= x < x2, y1 <= y < y2: outline in the pen colour, inside in the
    // fill colour.
    void ellipse(qint64 x1, qint64 y1, qint64 x2, qint64 y2);
    // Text with its top-left corner at (x, y) on a box filled with the fill colour.
    void textOut(qint64 x, qint64 y, const QString &text);

    // measuring, at the current font size. An empty text is 0 wide and 0 high.
    int textWidth(const QString &text);
    int textHeight(const QString &text);

    // statistics and hooks:
    qint64 linePieces() const { return m_linePieces; }
    void resetLinePieces() { m_linePieces = 0; }
    void setChangedHandler(std::function<void()> handler) { m_changed = std::move(handler); }
    void setTextListener(std::function<void(const TextItem &)> listener) { m_textListener = std::move(listener); }

    static QColor toQColor(int color);
    static QRgb toRgb(int color);

private:
    void rasterLine(qint64 x0, qint64 y0, qint64 x1, qint64 y1);
    // Both ends on the bitmap, whose detached pixels the caller hands over.
    void rasterInside(qint64 x0, qint64 y0, qint64 x1, qint64 y1, int s, uchar *bits, qsizetype stride);
    // As rasterInside, leaving the telling of the change to the caller; true when it set any
    // pixel.
    bool setInside(qint64 x0, qint64 y0, qint64 x1, qint64 y1, int s, uchar *bits, qsizetype stride);
    // One pixel of a line: an s x s block of the bitmap.
    static void plot(uchar *bits, qsizetype stride, qint64 x, qint64 y, QRgb rgb, int s);
    // The bitmap's device pixel ratio (whole pixels), and its size in drawing coordinates.
    int scale() const;
    qint64 width() const;
    qint64 height() const;
    QPainter *painter();
    void doneWithPainter();
    // Which bitmap pixels the painter sets for an ellipse in a box of w x h at the bitmap's
    // ratio, rendered once per size: markers are hundreds of small equal circles, and
    // painting each through a path costs far more than copying its pixels.
    struct EllipseStamp {
        qint64 w = 0, h = 0;
        int scale = 0;
        int side = 0;                 // bitmap pixels per row of the mask
        std::vector<quint8> mask;     // 0 untouched, 1 inside, 2 outline
    };
    const EllipseStamp &ellipseStamp(qint64 w, qint64 h);
    static void paintEllipse(QPainter &p, QColor pen, QColor fill, qint64 x1, qint64 y1, qint64 x2, qint64 y2);
    void markChanged();
    // A font with its measures: a chart measures and writes the same few labels at the same
    // few sizes on every repaint, and laying out a text costs more than drawing it.
    struct FontMeasures {
        int size = 0;
        QFont font;
        std::unique_ptr<QFontMetrics> metrics;
        QHash<QString, int> widths;
        quint64 serial = 0; // tells the painter's current font apart from the others
    };
    FontMeasures &measures();

    QImage *m_image;
    std::unique_ptr<QPainter> m_painter;
    int m_sessionDepth = 0;
    bool m_dirty = false;

    int m_fillColor = 0xFFFFFF;
    int m_penColor = 0;
    PenStyle m_penStyle = Solid;
    quint64 m_dotPhase = 0;
    Point m_penPos {0, 0};
    // Starts at the size the chart leaves behind, so a first drawing matches later ones.
    int m_fontSize = 10;
    int m_fontColor = 0;
    std::vector<std::unique_ptr<FontMeasures>> m_fonts;
    FontMeasures *m_measures = nullptr; // of m_fontSize; null until needed
    quint64 m_fontSerial = 0;
    quint64 m_painterFont = 0; // serial of the font the open painter has, 0 none

    std::vector<EllipseStamp> m_stamps;

    qint64 m_linePieces = 0;
    std::function<void()> m_changed;
    std::function<void(const TextItem &)> m_textListener;
};

// Keeps the surface's painter open for a scope, also when drawing stops with an error.
class PaintSession
{
public:
    explicit PaintSession(DrawSurface &surface) : m_surface(surface) { m_surface.beginPaint(); }
    ~PaintSession() { m_surface.endPaint(); }
    PaintSession(const PaintSession &) = delete;
    PaintSession &operator=(const PaintSession &) = delete;

private:
    DrawSurface &m_surface;
};
