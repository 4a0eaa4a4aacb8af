#include "settings/inifile.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "settings/gbtext.h"
#include "settings/safewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r')
        || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

// Only ASCII blanks are trimmed: an ideographic space is part of a Chinese value.
QString trimBlanks(const QString &s)
{
    int begin = 0;
    int end = s.size();
    while (begin < end && isBlank(s.at(begin)))
        ++begin;
    while (end > begin && isBlank(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin);
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isQuoted(const QString &s)
{
    return s.size() >= 2 && isQuote(s.front()) && s.back() == s.front();
}

struct Line
{
    enum Kind { Blank, Section, Entry, Other };
    Kind kind = Blank;
    QString name;     // section name or key, blanks trimmed
    QString value;    // entries only: the text after the first "=", untrimmed
    int begin = 0;    // byte offsets into the file content
    int contentEnd = 0;
    int end = 0;      // past the line end, if any
};

std::vector<Line> splitLines(const QByteArray &bytes)
{
    std::vector<Line> lines;
    int pos = 0;
    while (pos < bytes.size()) {
        Line line;
        line.begin = pos;
        // LF is never part of a multi-byte character, so splitting on the bytes is safe.
        const int lf = bytes.indexOf('\n', pos);
        line.end = lf < 0 ? int(bytes.size()) : lf + 1;
        line.contentEnd = lf < 0 ? int(bytes.size()) : lf;
        if (line.contentEnd > line.begin && bytes.at(line.contentEnd - 1) == '\r')
            --line.contentEnd;
        pos = line.end;

        // Brackets can be the second byte of a two-byte character: parse decoded text.
        const QString text = trimBlanks(gbtext::decode(bytes.mid(line.begin, line.contentEnd - line.begin)));
        const int close = text.lastIndexOf(QLatin1Char(']'));
        const int eq = text.indexOf(QLatin1Char('='));
        if (text.isEmpty()) {
            line.kind = Line::Blank;
        } else if (text.startsWith(QLatin1Char('[')) && close > 0) {
            line.kind = Line::Section;
            line.name = trimBlanks(text.mid(1, close - 1));
        } else if (text.startsWith(QLatin1Char(';')) || eq < 0) {
            line.kind = Line::Other;
        } else {
            line.kind = Line::Entry;
            line.name = trimBlanks(text.left(eq));
            line.value = text.mid(eq + 1);
        }
        lines.push_back(line);
    }
    return lines;
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

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands in the file, or where it would go.
struct Place
{
    int entry = -1;          // line of the key; -1 when absent
    int lastOfSection = -1;  // last non-blank line of the first matching section; -1 when none
};

// The first matching key wins, even when a section occurs twice; a new key goes to the first
// occurrence of its section.
Place locate(const std::vector<Line> &lines, const QString &section, const QString &key)
{
    Place place;
    bool inSection = false;
    bool firstSection = false;
    for (int i = 0; i < int(lines.size()); ++i) {
        const Line &line = lines[size_t(i)];
        if (line.kind == Line::Section) {
            inSection = sameName(line.name, section);
            firstSection = inSection && place.lastOfSection < 0;
            if (firstSection)
                place.lastOfSection = i;
            continue;
        }
        if (!inSection)
            continue;
        if (line.kind == Line::Entry && sameName(line.name, key)) {
            place.entry = i;
            return place;
        }
        if (firstSection && line.kind != Line::Blank)
            place.lastOfSection = i;
    }
    return place;
}

// An unreadable or absent file reads like an empty one.
QByteArray readContent(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
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
    const QByteArray content = readContent(m_fileName);
    const std::vector<Line> lines = splitLines(content);
    const Place place = locate(lines, section, key);
    if (place.entry < 0)
        return defaultValue;
    QString value = trimBlanks(lines[size_t(place.entry)].value);
    if (isQuoted(value))
        value = value.mid(1, value.size() - 2);
    const QByteArray bytes = gbtext::encode(value);
    if (bytes.size() <= maxValueBytes)
        return value;
    return gbtext::decode(bytes.left(gbtext::prefixLength(bytes, maxValueBytes)));
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    if (text.size() > 2 && text.at(0) == QLatin1Char('0')
        && (text.at(1) == QLatin1Char('x') || text.at(1) == QLatin1Char('X'))) {
        // Colours are often kept as 0x00BBGGRR; eight digits cover all 32 bits, so 0xFFFFFFFF is -1.
        const QString digits = text.mid(2);
        if (digits.size() > 8)
            return defaultValue;
        uint v = 0;
        for (QChar c : digits) {
            const int d = hexDigit(c);
            if (d < 0)
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
    QFile file(m_fileName);
    QByteArray content;
    if (file.exists()) {
        if (isReadOnlyFile(m_fileName) || !file.open(QIODevice::ReadOnly))
            throw refuse();
        content = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw refuse();
        file.close();
    }

    const std::vector<Line> lines = splitLines(content);
    const Place place = locate(lines, section, key);
    static const QByteArray crlf("\r\n");
    QByteArray out;
    out.reserve(content.size() + 64);
    if (place.entry >= 0) {
        // Replaced in place; the key keeps the spelling it has in the file.
        const Line &line = lines[size_t(place.entry)];
        out = content.left(line.begin);
        out += gbtext::encode(line.name + QLatin1Char('=') + valueToStore(value)) + crlf;
        out += content.mid(line.end);
    } else {
        const QByteArray entry = gbtext::encode(key + QLatin1Char('=') + valueToStore(value)) + crlf;
        const int after = place.lastOfSection;
        const int split = after >= 0 ? lines[size_t(after)].end : int(content.size());
        out = content.left(split);
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += crlf;
        if (after < 0)
            out += gbtext::encode(QLatin1Char('[') + section + QLatin1Char(']')) + crlf;
        out += entry;
        out += content.mid(split);
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
