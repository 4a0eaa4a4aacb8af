#include "settings/inifile.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "settings/filebytes.h"
#include "settings/gbtext.h"
#include "settings/inilines.h"
#include "settings/safewrite.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r')
        || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isQuoted(const QString &s)
{
    return s.size() >= 2 && isQuote(s.front()) && s.back() == s.front();
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Line breaks would split the entry and leave the rest as stray lines; blanks at the ends and
// one pair of surrounding quotes are dropped by readers, so such a value is put in quotes that
// the reader takes off again.
QString valueToStore(const QString &value)
{
    QString v = value;
    for (QChar &c : v)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    if (isQuoted(v) || (!v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()))))
        v = QLatin1Char('"') + v + QLatin1Char('"');
    return v;
}

// The stored value without blanks around it and one pair of quotes, cut to maxBytes. Only
// the first bytes are decoded: a character never takes fewer bytes once re-encoded, so the
// cut falls within the first maxBytes + 4 bytes whatever follows.
QString storedValue(inilines::Scanner &scanner, const inilines::Line &entry, int maxBytes)
{
    qsizetype begin = entry.valueBegin;
    qsizetype end = entry.valueEnd;
    while (begin < end && isBlankByte(*scanner.bytesAt(begin)))
        ++begin;
    if (end - begin >= 2 && isQuote(*scanner.bytesAt(begin)) && *scanner.bytesAt(end - 1) == *scanner.bytesAt(begin)) {
        ++begin;
        --end;
    }
    const QString value = scanner.text(begin, std::min(end, begin + maxBytes + 4));
    const QByteArray bytes = gbtext::encode(value);
    if (bytes.size() <= maxBytes)
        return value;
    return gbtext::decode(bytes.left(gbtext::prefixLength(bytes, maxBytes)));
}

}

IniFile::IniFile(const QString &fileName)
    : m_fileName(fileName)
{
}

QString IniFile::fileName() const
{
    return m_fileName;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    // A missing, unreadable or odd file (a FIFO, a device, a folder) reads like an empty one.
    // The file is scanned as it is read, so its size costs time but no memory.
    RegularFile file;
    if (file.open(m_fileName, maxFileBytes) != FileRead::Done)
        return defaultValue;
    inilines::Scanner scanner(file.fd(), maxFileBytes);
    const inilines::Place place = scanner.locate(section, key);
    if (!place.found || !scanner.readOk())
        return defaultValue;
    return storedValue(scanner, place.entry, maxValueBytes);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    if (text.size() > 2 && text.at(0) == QLatin1Char('0')
        && (text.at(1) == QLatin1Char('x') || text.at(1) == QLatin1Char('X'))) {
        // Colours are often kept as 0x00BBGGRR; eight digits cover all 32 bits, so 0xFFFFFFFF is -1.
        // Leading zeros do not count towards the eight.
        uint v = 0;
        int significant = 0;
        for (QChar c : QStringView(text).mid(2)) {
            const int d = hexDigit(c);
            if (d < 0)
                return defaultValue;
            if (v == 0 && d == 0)
                continue;
            if (++significant > 8)
                return defaultValue;
            v = v * 16 + uint(d);
        }
        return int(v);
    }
    int value = 0;
    return numtext::toInt32(text, &value) ? value : defaultValue;
}

double IniFile::readFloat(const QString &section, const QString &key, double defaultValue) const
{
    double value = 0;
    return numtext::toDouble(readString(section, key, QString()), &value) ? value : defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const auto refuse = [this] {
        return AppError(QStringLiteral("Unable to write to ")
                        + QDir::toNativeSeparators(QFileInfo(m_fileName).absoluteFilePath()));
    };
    // A file that exists but cannot be read must not be replaced by the one new key.
    if (isReadOnlyFile(m_fileName))
        throw refuse();
    QByteArray content;
    if (readRegularFile(m_fileName, maxFileBytes, &content) == FileRead::Refused)
        throw refuse();

    inilines::Scanner scanner(content);
    const inilines::Place place = scanner.locate(section, key);
    static const QByteArray crlf("\r\n");
    QByteArray out;
    if (place.found) {
        // Replaced in place; the key keeps the spelling it has in the file.
        const inilines::Line &line = place.entry;
        const QString name = scanner.text(line.nameBegin, line.nameEnd);
        const QByteArray entry = gbtext::encode(name + QLatin1Char('=') + valueToStore(value)) + crlf;
        out.reserve(content.size() - (line.end - line.begin) + entry.size());
        out.append(content.constData(), line.begin);
        out += entry;
        out.append(content.constData() + line.end, content.size() - line.end);
    } else {
        const QByteArray entry = gbtext::encode(key + QLatin1Char('=') + valueToStore(value)) + crlf;
        const QByteArray header = place.sectionEnd < 0 ? gbtext::encode(QLatin1Char('[') + section + QLatin1Char(']')) + crlf
                                                       : QByteArray();
        const qsizetype split = place.sectionEnd >= 0 ? place.sectionEnd : content.size();
        out.reserve(content.size() + header.size() + entry.size() + 2);
        out.append(content.constData(), split);
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += crlf;
        out += header;
        out += entry;
        out.append(content.constData() + split, content.size() - split);
    }

    if (!replaceFileContent(m_fileName, out))
        throw refuse();
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeFloat(const QString &section, const QString &key, double value)
{
    writeString(section, key, numtext::formatGeneral(value));
}
