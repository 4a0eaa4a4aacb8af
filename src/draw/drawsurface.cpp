#include "draw/drawsurface.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace {

using u128 = unsigned __int128;
using i128 = __int128;

// Painter coordinates stay far below the range where the raster engine's fixed-point
// arithmetic overflows; anything beyond cannot be visible on a bitmap anyway.
constexpr qint64 PainterLimit = qint64(1) << 24;

// Room around an ellipse's box in its stamp, for pen pixels that stray past the box.
constexpr qint64 StampMargin = 2;

// Measuring needs a paint device of the bitmap's resolution (96 dpi, QImage's default).
const QImage &measureDevice()
{
    static const QImage device(1, 1, QImage::Format_RGB32);
    return device;
}

}

DrawSurface::DrawSurface(QImage *image) : m_image(image) {}

DrawSurface::~DrawSurface()
{
    m_painter.reset();
}

QColor DrawSurface::toQColor(int color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QRgb DrawSurface::toRgb(int color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void DrawSurface::beginPaint()
{
    ++m_sessionDepth;
}

void DrawSurface::endPaint()
{
    if (m_sessionDepth == 0)
        return;
    if (--m_sessionDepth > 0)
        return;
    m_painter.reset();
    if (m_dirty) {
        m_dirty = false;
        if (m_changed)
            m_changed();
    }
}

void DrawSurface::markChanged()
{
    m_dirty = true;
    if (m_sessionDepth == 0) {
        m_dirty = false;
        if (m_changed)
            m_changed();
    }
}

QPainter *DrawSurface::painter()
{
    if (m_image->isNull())
        return nullptr;
    if (!m_painter) {
        // Direct pixel writes and the painter share the buffer; detach it before the
        // painter captures it.
        m_image->bits();
        m_painter = std::make_unique<QPainter>(m_image);
        m_painterFont = 0;
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setRenderHint(QPainter::TextAntialiasing, false);
    }
    return m_painter.get();
}

void DrawSurface::doneWithPainter()
{
    if (m_sessionDepth == 0)
        m_painter.reset();
}

void DrawSurface::setPenStyle(PenStyle style)
{
    m_penStyle = style;
    m_dotPhase = 0;
}

void DrawSurface::setFontSize(int points)
{
    if (points != m_fontSize) {
        m_fontSize = points;
        m_measures = nullptr;
    }
}

DrawSurface::FontMeasures &DrawSurface::measures()
{
    if (m_measures)
        return *m_measures;
    QFont font;
    // QFont refuses sizes below 1; huge sizes only cost time and memory.
    font.setPointSize(std::clamp(m_fontSize, 1, 500));
    font.setStyleStrategy(QFont::NoAntialias);
    // Kept while the font stays the same: a changed application font makes a new one.
    auto found = std::find_if(m_fonts.begin(), m_fonts.end(),
                              [&](const auto &m) { return m->size == m_fontSize; });
    if (found != m_fonts.end() && (*found)->font == font) {
        m_measures = found->get();
        return *m_measures;
    }
    auto made = std::make_unique<FontMeasures>();
    made->size = m_fontSize;
    made->font = font;
    made->metrics = std::make_unique<QFontMetrics>(font, &measureDevice());
    made->serial = ++m_fontSerial;
    if (found != m_fonts.end()) {
        *found = std::move(made);
        m_measures = found->get();
    } else {
        constexpr size_t MostSizes = 16;
        if (m_fonts.size() >= MostSizes)
            m_fonts.erase(m_fonts.begin());
        m_fonts.push_back(std::move(made));
        m_measures = m_fonts.back().get();
    }
    return *m_measures;
}

int DrawSurface::scale() const
{
    return std::max(1, qRound(m_image->devicePixelRatio()));
}

qint64 DrawSurface::width() const
{
    return m_image->width() / scale();
}

qint64 DrawSurface::height() const
{
    return m_image->height() / scale();
}

void DrawSurface::plot(uchar *bits, qsizetype stride, qint64 x, qint64 y, QRgb rgb, int s)
{
    if (s == 1) {
        reinterpret_cast<QRgb *>(bits + y * stride)[x] = rgb;
        return;
    }
    for (int dy = 0; dy < s; ++dy) {
        QRgb *line = reinterpret_cast<QRgb *>(bits + (y * s + dy) * stride);
        std::fill(line + x * s, line + x * s + s, rgb);
    }
}

void DrawSurface::fillRect(qint64 x1, qint64 y1, qint64 x2, qint64 y2)
{
    if (m_image->isNull())
        return;
    const int s = scale();
    const qint64 left = std::max<qint64>(x1, 0) * s;
    const qint64 top = std::max<qint64>(y1, 0) * s;
    const qint64 right = std::min<qint64>(x2, width()) * s;
    const qint64 bottom = std::min<qint64>(y2, height()) * s;
    if (left >= right || top >= bottom)
        return;
    const QRgb rgb = toRgb(m_fillColor);
    for (qint64 y = top; y < bottom; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(m_image->scanLine(int(y)));
        std::fill(line + left, line + right, rgb);
    }
    markChanged();
}

void DrawSurface::moveTo(qint64 x, qint64 y)
{
    m_penPos = {x, y};
    m_dotPhase = 0;
}

void DrawSurface::lineTo(qint64 x, qint64 y)
{
    rasterLine(m_penPos.x, m_penPos.y, x, y);
    m_penPos = {x, y};
}

void DrawSurface::polylineTo(const Point *points, int count)
{
    if (count <= 0)
        return;
    // Outside a painting session every piece tells its change, and whoever listens may take
    // a copy of the bitmap: then each piece finds the pixels afresh.
    if (m_image->isNull() || m_sessionDepth == 0) {
        for (int i = 0; i < count; ++i)
            lineTo(points[i].x, points[i].y);
        return;
    }
    // A curve is thousands of pieces a few pixels long: the bitmap's geometry is looked up
    // once for all of them, and pieces with both ends on it go straight to the pixels.
    const int s = scale();
    const qint64 w = m_image->width() / s;
    const qint64 h = m_image->height() / s;
    uchar *bits = m_image->bits();
    const qsizetype stride = m_image->bytesPerLine();
    auto inside = [w, h](const Point &p) { return p.x >= 0 && p.x < w && p.y >= 0 && p.y < h; };
    auto sign = [](qint64 v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); };
    bool penInside = inside(m_penPos);
    bool drew = false; // told once for the whole polyline
    for (int i = 0; i < count; ++i) {
        const Point *to = &points[i];
        bool toInside = inside(*to);
        if (!(penInside && toInside)) {
            rasterLine(m_penPos.x, m_penPos.y, to->x, to->y);
        } else {
            // Pieces running on along one row or one column in one direction set the pixels
            // (and dots) of a single line from the first start to the last end.
            const int dx = sign(to->x - m_penPos.x), dy = sign(to->y - m_penPos.y);
            int joined = 0;
            if ((dx == 0) != (dy == 0)) {
                while (i + 1 < count) {
                    const Point &next = points[i + 1];
                    if (sign(next.x - to->x) != dx || sign(next.y - to->y) != dy || !inside(next))
                        break;
                    ++i;
                    ++joined;
                    to = &points[i];
                }
            }
            drew = setInside(m_penPos.x, m_penPos.y, to->x, to->y, s, bits, stride) || drew;
            m_linePieces += joined;
        }
        m_penPos = *to;
        penInside = toInside;
    }
    if (drew)
        markChanged();
}

// Bresenham-style line from (x0, y0) towards (x1, y1), end pixel excluded. Step i along
// the major axis puts the minor axis at Round(i * minor / major), halves rounding away from
// the start. Only the steps that land on the bitmap are visited, found exactly by binary
// search, so a line with ends anywhere in the 64-bit range costs no more than its visible
// part.
void DrawSurface::rasterLine(qint64 x0, qint64 y0, qint64 x1, qint64 y1)
{
    if (!m_image->isNull()) {
        const int s = scale();
        const qint64 w = m_image->width() / s;
        const qint64 h = m_image->height() / s;
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h && x1 >= 0 && x1 < w && y1 >= 0 && y1 < h) {
            rasterInside(x0, y0, x1, y1, s, m_image->bits(), m_image->bytesPerLine());
            return;
        }
    }
    const i128 dx = i128(x1) - x0;
    const i128 dy = i128(y1) - y0;
    const u128 adx = u128(dx < 0 ? -dx : dx);
    const u128 ady = u128(dy < 0 ? -dy : dy);
    const bool xMajor = adx >= ady;
    const u128 len = xMajor ? adx : ady;
    const u128 minor = xMajor ? ady : adx;
    const quint64 phase = m_dotPhase;
    m_dotPhase += quint64(len); // only its parity matters
    if (len == 0)
        return;
    ++m_linePieces;
    if (m_image->isNull())
        return;

    const i128 a0 = xMajor ? x0 : y0;
    const i128 b0 = xMajor ? y0 : x0;
    const bool aUp = (xMajor ? dx : dy) > 0;
    const bool bUp = (xMajor ? dy : dx) > 0;
    const i128 aSize = xMajor ? width() : height();
    const i128 bSize = xMajor ? height() : width();

    // Steps whose major coordinate is on the bitmap.
    i128 lo = 0;
    i128 hi = i128(len) - 1;
    if (aUp) {
        lo = std::max(lo, -a0);
        hi = std::min(hi, aSize - 1 - a0);
    } else {
        lo = std::max(lo, a0 - (aSize - 1));
        hi = std::min(hi, a0);
    }
    if (lo > hi)
        return;

    // Minor offset of step i: i * minor < 2^128 always, so unsigned 128 bits hold it.
    auto offset = [&](i128 i) -> i128 {
        const u128 prod = u128(i) * minor;
        const u128 q = prod / len;
        const u128 r = prod % len;
        return i128(q) + (2 * r >= len ? 1 : 0);
    };
    const i128 offLo = bUp ? -b0 : b0 - (bSize - 1);
    const i128 offHi = bUp ? bSize - 1 - b0 : b0;
    // Offsets run from 0 to minor; only a line that leaves the bitmap sideways needs the
    // searches (and their 128-bit divisions).
    const bool minorInside = offLo <= 0 && offHi >= i128(minor);
    if (!minorInside && offset(lo) < offLo) {
        // first step with offset >= offLo
        i128 l = lo, h = hi + 1;
        while (l < h) {
            const i128 mid = l + (h - l) / 2;
            if (offset(mid) >= offLo)
                h = mid;
            else
                l = mid + 1;
        }
        lo = l;
    }
    if (!minorInside && lo <= hi && offset(hi) > offHi) {
        // last step with offset <= offHi
        i128 l = lo - 1, h = hi;
        while (l < h) {
            const i128 mid = l + (h - l + 1) / 2;
            if (offset(mid) <= offHi)
                l = mid;
            else
                h = mid - 1;
        }
        hi = l;
    }
    if (lo > hi)
        return;

    const QRgb rgb = toRgb(m_penColor);
    const bool dotted = m_penStyle == Dotted;
    uchar *bits = m_image->bits();
    const qsizetype stride = m_image->bytesPerLine();
    const int s = scale();

    i128 q = 0;
    u128 r = 0;
    if (lo > 0) {
        const u128 prod = u128(lo) * minor;
        q = i128(prod / len);
        r = prod % len;
    }
    for (i128 i = lo; i <= hi; ++i) {
        if (!dotted || ((phase + quint64(i)) & 1) == 0) {
            const i128 off = q + (2 * r >= len ? 1 : 0);
            const i128 a = aUp ? a0 + i : a0 - i;
            const i128 b = bUp ? b0 + off : b0 - off;
            const qint64 px = qint64(xMajor ? a : b);
            const qint64 py = qint64(xMajor ? b : a);
            plot(bits, stride, px, py, rgb, s);
        }
        r += minor;
        if (r >= len) {
            r -= len;
            ++q;
        }
    }
    markChanged();
}

// The common case of a line with both ends on the bitmap, in plain integers: same steps
// and rounding as the general path.
void DrawSurface::rasterInside(qint64 x0, qint64 y0, qint64 x1, qint64 y1, int s, uchar *bits, qsizetype stride)
{
    if (setInside(x0, y0, x1, y1, s, bits, stride))
        markChanged();
}

bool DrawSurface::setInside(qint64 x0, qint64 y0, qint64 x1, qint64 y1, int s, uchar *bits, qsizetype stride)
{
    const qint64 dx = x1 - x0;
    const qint64 dy = y1 - y0;
    const qint64 adx = dx < 0 ? -dx : dx;
    const qint64 ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const qint64 len = xMajor ? adx : ady;
    const qint64 minor = xMajor ? ady : adx;
    const quint64 phase = m_dotPhase;
    m_dotPhase += quint64(len);
    if (len == 0)
        return false;
    ++m_linePieces;
    const qint64 stepX = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    const qint64 stepY = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    const QRgb rgb = toRgb(m_penColor);
    const bool dotted = m_penStyle == Dotted;
    // error = 2 * (i * minor mod len); the minor axis moves once it reaches len.
    qint64 rem = 0;
    if (s == 1 && !dotted) {
        // Most curve pieces: a pointer that walks the pixels, the minor step one add away.
        QRgb *p = reinterpret_cast<QRgb *>(bits + y0 * stride) + x0;
        const qint64 row = stepY * qint64(stride / qsizetype(sizeof(QRgb)));
        const qint64 majorStep = xMajor ? stepX : row;
        const qint64 minorStep = xMajor ? row : stepX;
        for (qint64 i = 0; i < len; ++i) {
            p[2 * rem >= len ? minorStep : 0] = rgb;
            p += majorStep;
            rem += minor;
            if (rem >= len) {
                rem -= len;
                p += minorStep;
            }
        }
        return true;
    }
    qint64 x = x0;
    qint64 y = y0;
    for (qint64 i = 0; i < len; ++i) {
        if (!dotted || ((phase + quint64(i)) & 1) == 0) {
            const bool up = 2 * rem >= len;
            const qint64 px = xMajor ? x : (up ? x + stepX : x);
            const qint64 py = xMajor ? (up ? y + stepY : y) : y;
            if (s == 1)
                reinterpret_cast<QRgb *>(bits + py * stride)[px] = rgb;
            else
                plot(bits, stride, px, py, rgb, s);
        }
        if (xMajor)
            x += stepX;
        else
            y += stepY;
        rem += minor;
        if (rem >= len) {
            rem -= len;
            if (xMajor)
                y += stepY;
            else
                x += stepX;
        }
    }
    return true;
}

void DrawSurface::paintEllipse(QPainter &p, QColor pen, QColor fill, qint64 x1, qint64 y1, qint64 x2, qint64 y2)
{
    p.setPen(QPen(pen, 1));
    p.setBrush(fill);
    // A QRect outline covers width + 1 pixels; the box excludes its right and bottom edges.
    p.drawEllipse(QRect(int(x1), int(y1), int(x2 - x1 - 1), int(y2 - y1 - 1)));
}

const DrawSurface::EllipseStamp &DrawSurface::ellipseStamp(qint64 w, qint64 h)
{
    const int s = scale();
    for (const EllipseStamp &stamp : m_stamps)
        if (stamp.w == w && stamp.h == h && stamp.scale == s)
            return stamp;
    // The shape is drawn with the same painter settings as on the bitmap, moved by whole
    // pixels only.
    const qint64 side = std::max(w, h) + 2 * StampMargin;
    QImage canvas(int(side * s), int(side * s), QImage::Format_RGB32);
    canvas.setDevicePixelRatio(s);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        paintEllipse(p, Qt::red, Qt::blue, StampMargin, StampMargin, StampMargin + w, StampMargin + h);
    }
    EllipseStamp stamp;
    stamp.w = w;
    stamp.h = h;
    stamp.scale = s;
    stamp.side = canvas.width();
    stamp.mask.resize(size_t(canvas.width()) * size_t(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb c = line[x] & 0xFFFFFF;
            stamp.mask[size_t(y) * size_t(stamp.side) + size_t(x)] =
                c == (qRgb(255, 0, 0) & 0xFFFFFF) ? 2 : (c == (qRgb(0, 0, 255) & 0xFFFFFF) ? 1 : 0);
        }
    }
    if (m_stamps.size() >= 8)
        m_stamps.erase(m_stamps.begin());
    m_stamps.push_back(std::move(stamp));
    return m_stamps.back();
}

void DrawSurface::ellipse(qint64 x1, qint64 y1, qint64 x2, qint64 y2)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    if (x2 <= 0 || y2 <= 0 || x1 >= width() || y1 >= height())
        return;
    // Only small shapes are drawn (point markers); a box reaching beyond the painter's
    // safe range is left out rather than handed over.
    if (x1 < -PainterLimit || y1 < -PainterLimit || x2 > PainterLimit || y2 > PainterLimit)
        return;
    if (m_image->isNull())
        return;
    constexpr qint64 LargestStamp = 32;
    if (x2 - x1 > LargestStamp || y2 - y1 > LargestStamp) {
        QPainter *p = painter();
        if (!p)
            return;
        paintEllipse(*p, toQColor(m_penColor), toQColor(m_fillColor), x1, y1, x2, y2);
        doneWithPainter();
        markChanged();
        return;
    }
    const EllipseStamp &stamp = ellipseStamp(x2 - x1, y2 - y1);
    const int s = stamp.scale;
    const qint64 originX = (x1 - StampMargin) * s;
    const qint64 originY = (y1 - StampMargin) * s;
    const QRgb colors[3] = {0, toRgb(m_fillColor), toRgb(m_penColor)};
    uchar *bits = m_image->bits();
    const qsizetype stride = m_image->bytesPerLine();
    const qint64 imageW = m_image->width();
    const qint64 imageH = m_image->height();
    for (int my = 0; my < stamp.side; ++my) {
        const qint64 y = originY + my;
        if (y < 0 || y >= imageH)
            continue;
        QRgb *line = reinterpret_cast<QRgb *>(bits + y * stride);
        const quint8 *row = stamp.mask.data() + size_t(my) * size_t(stamp.side);
        for (int mx = 0; mx < stamp.side; ++mx) {
            const qint64 x = originX + mx;
            if (row[mx] != 0 && x >= 0 && x < imageW)
                line[x] = colors[row[mx]];
        }
    }
    markChanged();
}

void DrawSurface::textOut(qint64 x, qint64 y, const QString &text)
{
    if (m_textListener)
        m_textListener({x, y, text, m_fontSize, m_fontColor});
    if (text.isEmpty() || m_image->isNull())
        return;
    const int w = textWidth(text);
    const int h = textHeight(text);
    if (x >= width() || y >= height() || x + w <= 0 || y + h <= 0)
        return;
    if (x < -PainterLimit || y < -PainterLimit)
        return;
    fillRect(x, y, x + w, y + h);
    QPainter *p = painter();
    if (!p)
        return;
    FontMeasures &m = measures();
    if (m_painterFont != m.serial) {
        p->setFont(m.font);
        m_painterFont = m.serial;
    }
    p->setPen(toQColor(m_fontColor));
    p->drawText(QPoint(int(x), int(y) + m.metrics->ascent()), text);
    doneWithPainter();
    markChanged();
}

int DrawSurface::textWidth(const QString &text)
{
    if (text.isEmpty())
        return 0;
    FontMeasures &m = measures();
    const auto known = m.widths.constFind(text);
    if (known != m.widths.constEnd())
        return *known;
    // Time labels change with every view; keep the table from growing without end.
    constexpr qsizetype MostWidths = 4096;
    if (m.widths.size() >= MostWidths)
        m.widths.clear();
    const int width = m.metrics->horizontalAdvance(text);
    m.widths.insert(text, width);
    return width;
}

int DrawSurface::textHeight(const QString &text)
{
    if (text.isEmpty())
        return 0;
    return measures().metrics->height();
}
