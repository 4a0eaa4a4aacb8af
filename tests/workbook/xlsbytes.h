#pragma once

#include <QByteArray>
#include <QtEndian>

// Builders for small BIFF streams in tests: a record is id, length, payload.
namespace xlsbytes {

inline QByteArray u16(quint16 v) { QByteArray b(2, 0); qToLittleEndian(v, b.data()); return b; }
inline QByteArray u32(quint32 v) { QByteArray b(4, 0); qToLittleEndian(v, b.data()); return b; }
inline QByteArray f64(double v) { QByteArray b(8, 0); qToLittleEndian(v, b.data()); return b; }

inline QByteArray rec(quint16 id, const QByteArray &payload = QByteArray())
{
    return u16(id) + u16(quint16(payload.size())) + payload;
}

inline QByteArray cellHeader(quint16 row, quint16 col, quint16 xf = 0)
{
    return u16(row) + u16(col) + u16(xf);
}

// BOF of a BIFF8 substream (0x0005 globals, 0x0010 worksheet, 0x0020 chart).
inline QByteArray bof8(quint16 type)
{
    return rec(0x0809, u16(0x0600) + u16(type) + u16(0x0DBB) + u16(0x07CC) + u32(0) + u32(6));
}

inline QByteArray eof() { return rec(0x000A); }

// A single BIFF8 worksheet substream around `records` (no container, no globals).
inline QByteArray sheet8(const QByteArray &records) { return bof8(0x0010) + records + eof(); }

}
