#include "settings/inifile.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "base/safewrite.h"
#include "settings/regularfile.h"
#include "settings/gbtext.h"
#include "settings/inilines.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r')
        || c == QLatin1Char('\v') || c == QLatin1Char('\f');
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

// What a read returns of a stored value (blanks around it already trimmed): one pair of
// quotes taken off, cut to maxBytes. `head` holds its first bytes, at least maxBytes + 5 of a
// longer value, and `last` its last byte. Only those are decoded: a character never takes
// fewer bytes once re-encoded, so the cut falls within the first maxBytes + 4 bytes whatever
// follows.
QString valueRead(const QByteArray &head, qint64 size, char last, int maxBytes)
{
    qsizetype begin = 0;
    qint64 end = size;
    if (size >= 2 && isQuote(head.at(0)) && last == head.at(0)) {
        ++begin;
        --end;
    }
    const QByteArray kept = head.mid(begin, qsizetype(std::min<qint64>(end - begin, maxBytes + 4)));
    const QString value = gbtext::decode(kept);
    const QByteArray bytes = gbtext::encode(value);
    if (bytes.size() <= maxBytes)
        return value;
    return gbtext::decode(bytes.left(gbtext::prefixLength(bytes, maxBytes)));
}

QString storedValue(inilines::Scanner &scanner, const inilines::Line &entry, int maxBytes)
{
    const qint64 begin = entry.valueBegin;
    const qint64 end = entry.valueEnd;
    if (end <= begin)
        return QString();
    const QByteArray head = scanner.bytes(begin, std::min<qint64>(end, begin + maxBytes + 5));
    const QByteArray last = end - begin <= head.size() ? head.right(1) : scanner.bytes(end - 1, end);
    if (head.isEmpty() || last.isEmpty())
        return QString();
    return valueRead(head, end - begin, last.at(0), maxBytes);
}

constexpr qsizetype CopyPieceBytes = 256 * 1024;

// Copies `length` bytes (-1: to the end) from one file to another; false on any failure and
// when the source turns out shorter than it was when scanned.
bool copyBytes(int from, qint64 fromOffset, qint64 length, int to, qint64 toOffset)
{
    QByteArray piece(CopyPieceBytes, Qt::Uninitialized);
    qint64 copied = 0;
    while (length < 0 || copied < length) {
        const qint64 want = length < 0 ? piece.size() : std::min<qint64>(piece.size(), length - copied);
        const ssize_t n = ::pread(from, piece.data(), size_t(want), off_t(fromOffset + copied));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n == 0 && length >= 0))
            return false;
        if (n == 0)
            break;
        if (!safewrite::writeFully(to, QByteArray::fromRawData(piece.constData(), n), toOffset + copied))
            return false;
        copied += n;
        if (copied > IniFile::maxFileBytes)
            return false;
    }
    return true;
}

// The file with one line replaced or added: the unchanged parts are copied from the old file
// piece by piece, so even a large file is never held in memory twice.
class Splice : public safewrite::FileContent
{
public:
    Splice(int source, qint64 cutBegin, qint64 cutEnd, const QByteArray &insert)
        : m_source(source), m_cutBegin(cutBegin), m_cutEnd(cutEnd), m_insert(insert) {}

    bool writeTo(int fd) const override
    {
        if (m_source < 0)
            return safewrite::writeFully(fd, m_insert, 0);
        return copyBytes(m_source, 0, m_cutBegin, fd, 0) && safewrite::writeFully(fd, m_insert, m_cutBegin)
            && copyBytes(m_source, m_cutEnd, -1, fd, m_cutBegin + m_insert.size());
    }

    bool toBytes(QByteArray *bytes) const override
    {
        QByteArray old;
        if (m_source >= 0) {
            struct stat st;
            if (::fstat(m_source, &st) != 0 || st.st_size < m_cutEnd)
                return false;
            if (!safewrite::readAllAt(m_source, qsizetype(st.st_size), &old))
                return false;
        }
        *bytes = old.left(m_cutBegin) + m_insert + old.mid(m_cutEnd);
        return true;
    }

private:
    int m_source;   // -1: no old file
    qint64 m_cutBegin;
    qint64 m_cutEnd;
    QByteArray m_insert;
};

// One name for a section and key, whatever the case of either.
QString keyId(const QString &section, const QString &key)
{
    return section.toCaseFolded() + QChar(0) + key.toCaseFolded();
}

bool endsLine(int fd, qint64 offset)
{
    char c = 0;
    return ::pread(fd, &c, 1, off_t(offset - 1)) == 1 && c == '\n';
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
    const auto unwritten = m_unwritten.constFind(keyId(section, key));
    if (unwritten != m_unwritten.constEnd()) {
        const QByteArray &stored = *unwritten;
        return stored.isEmpty() ? QString() : valueRead(stored.left(maxValueBytes + 5), stored.size(), stored.back(), maxValueBytes);
    }
    // A missing, unreadable or odd file (a FIFO, a device, a folder) reads like an empty one.
    // The file is scanned as it is read, so its size costs time but no memory.
    RegularFile file;
    if (file.open(m_fileName, maxFileBytes) != FileRead::Done)
        return defaultValue;
    inilines::Scanner scanner(file.fd(), maxFileBytes);
    const inilines::Place place = scanner.locate(section, key);
    if (!place.found || !scanner.readOk())
        return defaultValue;
    const QString value = storedValue(scanner, place.entry, maxValueBytes);
    return scanner.readOk() ? value : defaultValue;
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
    const QString id = keyId(section, key);
    if (!storeInFile(section, key, value)) {
        m_unwritten.insert(id, gbtext::encode(valueToStore(value)));
        throw AppError(safewrite::unableToWrite(QDir::toNativeSeparators(QFileInfo(m_fileName).absoluteFilePath())));
    }
    m_unwritten.remove(id);
}

bool IniFile::storeInFile(const QString &section, const QString &key, const QString &value)
{
    // A file that exists but cannot be read must not be replaced by the one new key.
    if (safewrite::isReadOnlyFile(m_fileName))
        return false;
    RegularFile file;
    const FileRead opened = file.open(m_fileName, maxFileBytes);
    if (opened == FileRead::Refused)
        return false;
    const QByteArray nothing;
    std::unique_ptr<inilines::Scanner> scanner = opened == FileRead::Done
        ? std::make_unique<inilines::Scanner>(file.fd(), maxFileBytes)
        : std::make_unique<inilines::Scanner>(nothing);
    const inilines::Place place = scanner->locate(section, key);
    if (!scanner->readOk())
        return false;

    static const QByteArray crlf("\r\n");
    qint64 cutBegin = 0;
    qint64 cutEnd = 0;
    QByteArray insert;
    if (place.found) {
        // Replaced in place; the key keeps the spelling it has in the file.
        const inilines::Line &line = place.entry;
        const QString name = scanner->text(line.nameBegin, line.nameEnd);
        if (!scanner->readOk())
            return false;
        insert = gbtext::encode(name + QLatin1Char('=') + valueToStore(value)) + crlf;
        cutBegin = line.begin;
        cutEnd = line.end;
    } else {
        cutBegin = cutEnd = place.sectionEnd >= 0 ? place.sectionEnd : scanner->size();
        if (cutBegin > 0 && !endsLine(file.fd(), cutBegin))
            insert += crlf;
        if (place.sectionEnd < 0)
            insert += gbtext::encode(QLatin1Char('[') + section + QLatin1Char(']')) + crlf;
        insert += gbtext::encode(key + QLatin1Char('=') + valueToStore(value)) + crlf;
    }

    return safewrite::replaceFileContent(m_fileName, Splice(opened == FileRead::Done ? file.fd() : -1, cutBegin, cutEnd, insert));
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeFloat(const QString &section, const QString &key, double value)
{
    writeString(section, key, numtext::formatGeneral(value));
}
