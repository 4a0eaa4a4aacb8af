#include "workbook/csv/csvreader.h"

#include "base/numtext.h"
#include "workbook/sheetbuilder.h"

#include <QStringDecoder>

#include <iconv.h>

#include <array>
#include <cerrno>
#include <vector>

namespace csv {

namespace {

constexpr QChar quote = QLatin1Char('"');

bool hasPrefix(const QByteArray &bytes, const char *prefix)
{
    return bytes.startsWith(QByteArray(prefix));
}

// Many Chinese loggers write GBK; GB18030 reads every GBK byte sequence the same way.
QString fromGb18030(const QByteArray &bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    std::array<char16_t, 8192> buffer;
    while (inLeft > 0) {
        char *to = reinterpret_cast<char *>(buffer.data());
        size_t toLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(reinterpret_cast<const QChar *>(buffer.data()),
                   qsizetype((sizeof buffer - toLeft) / 2));
        if (r == size_t(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: show one replacement and go on after the byte.
            out.append(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

// Records of the text; calls `field(row, column, text, quoted)` for each field.
template <typename Field>
void splitRecords(QStringView text, QChar separator, int maxRecords, Field field)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    int row = 1;
    while (i < n && row <= maxRecords) {
        int column = 1;
        for (;;) {
            QString value;
            bool quoted = false;
            if (i < n && text.at(i) == quote) {
                quoted = true;
                ++i;
                for (;;) {
                    const qsizetype close = text.indexOf(quote, i);
                    if (close < 0) { // unterminated: the rest of the file is the field
                        value += text.mid(i);
                        i = n;
                        break;
                    }
                    value += text.mid(i, close - i);
                    i = close + 1;
                    if (i < n && text.at(i) == quote) {
                        value += quote;
                        ++i;
                        continue;
                    }
                    break;
                }
            }
            // Unquoted text, or what follows a closing quote, up to the separator.
            const qsizetype start = i;
            while (i < n && text.at(i) != separator && text.at(i) != QLatin1Char('\n')
                   && text.at(i) != QLatin1Char('\r'))
                ++i;
            value += text.mid(start, i - start);
            field(row, column, value, quoted);
            if (i < n && text.at(i) == separator) {
                ++i;
                ++column;
                continue;
            }
            break;
        }
        if (i < n && text.at(i) == QLatin1Char('\r'))
            ++i;
        if (i < n && text.at(i) == QLatin1Char('\n'))
            ++i;
        ++row;
    }
}

}

bool looksLikeText(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return false;
    if (hasPrefix(bytes, "\xFF\xFE") || hasPrefix(bytes, "\xFE\xFF"))
        return true;
    return !bytes.left(65536).contains('\0');
}

QString decodeText(const QByteArray &bytes)
{
    if (hasPrefix(bytes, "\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (hasPrefix(bytes, "\xFF\xFE") || hasPrefix(bytes, "\xFE\xFF")) {
        QStringDecoder decoder(hasPrefix(bytes, "\xFF\xFE") ? QStringDecoder::Utf16LE
                                                           : QStringDecoder::Utf16BE);
        return decoder(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return fromGb18030(bytes);
}

QChar sniffSeparator(QStringView text)
{
    // The candidate found the same number of times (at least once) on most of the first
    // records wins; ties go to the earlier one in this list.
    const QChar candidates[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
    QChar best = candidates[0];
    int bestScore = 0;
    for (QChar sep : candidates) {
        std::vector<int> counts;
        splitRecords(text, sep, 20, [&](int row, int column, const QString &, bool) {
            if (size_t(row) > counts.size())
                counts.resize(size_t(row), 0);
            counts[size_t(row) - 1] = column - 1;
        });
        // The most frequent non-zero count and how many records have it.
        int score = 0;
        for (int c : counts) {
            if (c == 0)
                continue;
            int same = 0;
            for (int d : counts)
                same += d == c ? 1 : 0;
            score = std::max(score, same);
        }
        if (score > bestScore) {
            bestScore = score;
            best = sep;
        }
    }
    return best;
}

// Web pages and XML saved under a spreadsheet's name are markup, not rows of fields:
// read as text they would only give a column of tags.
static bool isMarkup(QStringView text)
{
    const QStringView start = text.left(512).trimmed();
    for (const char *tag : {"<?xml", "<html", "<!doctype", "<table", "<office:document"})
        if (start.startsWith(QLatin1String(tag), Qt::CaseInsensitive))
            return true;
    return false;
}

std::unique_ptr<workbook::Workbook> readDelimitedText(const QByteArray &bytes)
{
    const QString text = decodeText(bytes);
    if (isMarkup(text))
        workbook::refuseFormat(workbook::reasonNotWorkbook());
    const QChar separator = sniffSeparator(QStringView(text).left(1 << 16));
    auto book = std::make_unique<workbook::Workbook>();
    workbook::SheetBuilder builder(book->firstSheet, false);
    splitRecords(text, separator, workbook::GridRows, [&](int row, int column, const QString &value, bool) {
        if (value.isEmpty() || !workbook::SheetBuilder::inGrid(row, column))
            return;
        double number = 0;
        if (numtext::toDouble(value, &number))
            builder.number(row, column, number, false);
        else
            builder.text(row, column, value);
    });
    builder.finish();
    return book;
}

}
