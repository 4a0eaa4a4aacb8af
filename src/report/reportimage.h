#pragma once

#include "draw/drawsurface.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

// Image element of a report page: a rectangle on the page holding a bitmap picture. The
// page prints the bitmap at its natural size from the element's top-left corner, clipped
// to the element's rectangle; a window shows it the same way.
class QRImage
{
public:
    enum Alignment { AlignNone, AlignTop, AlignBottom, AlignLeft, AlignRight, AlignClient };

    QRImage();
    virtual ~QRImage();
    QRImage(const QRImage &) = delete;
    QRImage &operator=(const QRImage &) = delete;

    // properties (pixels):
    int Left = 0;
    int Top = 0;
    int Width = 105;
    int Height = 105;
    bool Enabled = true;       // a disabled element is not printed
    bool Transparent = false;  // cleared: the element covers what lies beneath it
    Alignment Align = AlignNone;
    QString Hint;
    bool ShowHint = false;
    QFont Font;                // drawing code reads its point size

    QRect rect() const { return QRect(Left, Top, Width, Height); }

    // picture:
    bool hasPicture() const { return !m_picture.isNull(); }
    const QImage &picture() const { return m_picture; }
    // Takes a copy converted to 32-bit RGB; a null image empties the picture.
    void setPicture(const QImage &image);
    // Puts a new white bitmap of the given size into the picture (a stored bitmap whose
    // size differs from the element's), with pixelRatio() device pixels to a pixel each way;
    // bitmaps outside 1..MaxBitmapSide a side empty it.
    void setPictureSize(int width, int height);
    // Device pixels to a drawing pixel of the bitmaps made from now on: 2 draws a sharp
    // picture for a screen of twice the density, in the same layout. 1 to 8.
    void setPixelRatio(int ratio);
    int pixelRatio() const { return m_pixelRatio; }
    // Drawing surface of the picture. When the picture holds no bitmap, one of the
    // element's current Width x Height is created first.
    DrawSurface &Canvas();

    static constexpr int MaxBitmapSide = 16384;

    // repainting: every change of the bitmap calls the handler and counts.
    void setOnChanged(std::function<void()> handler) { m_onChanged = std::move(handler); }
    int changeCount() const { return m_changeCount; }
    void changed();

private:
    QImage m_picture;
    DrawSurface m_surface;
    int m_changeCount = 0;
    int m_pixelRatio = 1;
    std::function<void()> m_onChanged;
};
