#include "workbook/csv/columnreader.h"

#include "base/numtext.h"
#include "base/readprogress.h"
#include "workbook/csv/csvreader.h"
#include "workbook/csv/records.h"
#include "workbook/sheetbuilder.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <atomic>
#include <climits>
#include <cstring>
#include <exception>
#include <thread>

namespace csv {

bool fieldNumberFast(const char *begin, const char *end, bool decimalComma, double *value)
{
    // A ',' is no part of a number by the rule, so a field holding one is tried with the
    // decimal comma alone, and one without it by the rule alone. One pass over the field
    // finds its commas and points.
    if (!decimalComma)
        return numtext::toDouble(begin, end, value);
    const char *comma = nullptr;
    bool point = false;
    for (const char *p = begin; p < end; ++p) {
        if (*p == ',') {
            if (comma)
                return false; // a second comma: a text
            comma = p;
        } else if (*p == '.') {
            point = true;
        }
    }
    if (!comma)
        return numtext::toDouble(begin, end, value);
    const size_t length = size_t(end - begin);
    char buffer[64];
    if (length >= sizeof buffer || point)
        return false;
    std::memcpy(buffer, begin, length);
    buffer[comma - begin] = '.';
    return numtext::toDouble(buffer, buffer + length, value);
}

namespace {

using textcolumns::Item;

// What reading one stretch of the text gives.
struct Stretch {
    textcolumns::Part part;
    QString chars;
    std::vector<QString> shared;
    qint64 textChars = 0;
    bool blankTexts = false;
    bool unusual = false;      // a value the sheet would keep otherwise: read row by row
    qint64 records = 0;        // every record, blank ones too
    qint64 cutCells = 0;
    qint64 cutCellRows = 0;
    int cutWidth = 0;
    qint64 strayNuls = 0;
    const char *stop = nullptr; // where the reading ended: the start of the next record
};

// Where the reading stands, for the reading thread's progress reports.
struct Shared {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::atomic<qint64> records{0}; // of the second stretch
    std::atomic<int> reports{0};     // its reports the reading thread has not passed on yet
    std::atomic<qint64> bytes{0};
};

bool blankText(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p)
        if (*p != ' ' && *p != '\t')
            return false;
    return true;
}

bool ascii(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    return true;
}

class StretchReader {
public:
    StretchReader(const TextPlan &plan, Stretch &out) : m_plan(plan), m_out(out) {}

    // Reads the records from `from` until one ends at or past `until`.
    // Columns get room for the rows up to `reserveTo` (the first stretch's become the lists).
    template <typename Report>
    void read(const char *from, const char *until, const char *reserveTo, Report report);

private:
    void reserveRows(const char *from, const char *until);
    void addRecord(std::vector<records::Field> &fields, std::size_t filledCount);
    Item textItem(const char *begin, const char *end);
    void widen(size_t columns);

    const TextPlan &m_plan;
    Stretch &m_out;
    size_t m_reserve = 0;
};

void StretchReader::reserveRows(const char *from, const char *until)
{
    // Rows a column gets room for, judged by the first 64 KB of the stretch: a little more
    // than the lines there, scaled to the stretch. Room never touched costs no memory.
    const char *sampleEnd = std::min(until, from + (1 << 16));
    const qint64 lines = std::count(from, sampleEnd, '\n') + 1;
    const double scale = double(until - from) / double(std::max<qint64>(sampleEnd - from, 1));
    m_reserve = size_t(std::min(double(lines) * scale * 1.02 + 64, double(until - from) / 2 + 64));
}

void StretchReader::widen(size_t columns)
{
    textcolumns::Part &part = m_out.part;
    while (part.columns.size() < columns) {
        part.columns.emplace_back();
        textcolumns::Column &column = part.columns.back();
        column.reserve(std::max<size_t>(m_reserve, size_t(part.rows)));
        column.assign(size_t(part.rows), textcolumns::EmptyItem);
        part.lastFilled.push_back(-1);
    }
}

Item StretchReader::textItem(const char *begin, const char *end)
{
    if (blankText(begin, end))
        m_out.blankTexts = true;
    if (m_out.unusual)
        return textcolumns::EmptyItem;
    QString text = ascii(begin, end) ? QString::fromLatin1(begin, end - begin) : QString::fromUtf8(begin, end - begin);
    m_out.textChars += text.size();
    if (m_out.textChars > workbook::MaxTextChars) {
        // More text than the store keeps: the file is read as before, which tells so.
        m_out.unusual = true;
        return textcolumns::EmptyItem;
    }
    if (text.size() >= textcolumns::SharedLength) {
        m_out.shared.push_back(std::move(text));
        return textcolumns::TextTag | textcolumns::SharedBit | Item(m_out.shared.size() - 1);
    }
    const Item item = textcolumns::copiedItem(std::uint32_t(m_out.chars.size()), text.size());
    m_out.chars.append(text);
    return item;
}

void StretchReader::addRecord(std::vector<records::Field> &fields, std::size_t filledCount)
{
    Stretch &out = m_out;
    const int columns = std::min(int(fields.size()), workbook::GridColumns);
    // A byte-order mark at the start of a line (files joined together) is no text.
    if (columns > 0 && fields[0].end - fields[0].begin >= 3 && std::memcmp(fields[0].begin, "\xEF\xBB\xBF", 3) == 0)
        fields[0].begin += 3;
    if (columns > 0 && fields[0].end > fields[0].begin && *fields[0].begin == '\0') {
        ++fields[0].begin;
        ++out.strayNuls;
    }
    std::size_t kept = 0;
    int last = 0; // the last filled field kept
    for (int column = 1; column <= columns; ++column)
        if (!fields[size_t(column) - 1].empty()) {
            ++kept;
            last = column;
        }
    // Cells right of the grid are not kept; how many there were is told.
    if (filledCount > kept) {
        out.cutCells += qint64(filledCount - kept);
        ++out.cutCellRows;
        int width = int(std::min<std::size_t>(workbook::GridColumns + (filledCount - kept), INT_MAX));
        for (size_t end = fields.size(); end > size_t(columns); --end)
            if (!fields[end - 1].empty()) {
                width = std::max(width, int(std::min<size_t>(end, INT_MAX)));
                break;
            }
        out.cutWidth = std::max(out.cutWidth, width);
    }
    if (kept == 0)
        return; // a row without cells
    textcolumns::Part &part = out.part;
    if (part.rowStarts.empty() || part.rowStarts.back().second + (part.rows - part.rowStarts.back().first) != out.records)
        part.rowStarts.emplace_back(part.rows, out.records);
    widen(size_t(last));
    for (int column = 1; column <= int(part.columns.size()); ++column) {
        textcolumns::Column &items = part.columns[size_t(column) - 1];
        if (column > last) {
            items.push_back(textcolumns::EmptyItem);
            continue;
        }
        const records::Field &field = fields[size_t(column) - 1];
        if (field.empty()) {
            items.push_back(textcolumns::EmptyItem);
            continue;
        }
        part.lastFilled[size_t(column) - 1] = part.rows;
        double number = 0;
        if (fieldNumberFast(field.begin, field.end, m_plan.decimalComma, &number)) {
            if (!std::isfinite(number))
                out.unusual = true;
            const double shown = numtext::generalValue(number);
            const Item item = textcolumns::numberItem(shown);
            if (item != textcolumns::numberItem(number))
                part.rawNumbers.push_back({part.rows, column, number});
            items.push_back(item);
        } else {
            items.push_back(textItem(field.begin, field.end));
        }
    }
    ++part.rows;
}

template <typename Report>
void StretchReader::read(const char *from, const char *until, const char *reserveTo, Report report)
{
    reserveRows(from, reserveTo);
    records::Scanner scanner(from, m_plan.end, m_plan.separator);
    std::vector<records::Field> fields, splitFields;
    const char *reported = from;
    qint64 sinceReport = 0;
    while (scanner.position() < until) {
        // Blank lines are rows without cells: counted, not parsed one by one.
        m_out.records += qint64(scanner.skipBlankRecords());
        if (scanner.position() >= until || !scanner.next(fields))
            break;
        ++m_out.records;
        // Every few thousand rows, or 64 KB of long lines: a cancelled read stops soon.
        if (++sinceReport == readprogress::ReportRows || scanner.position() - reported >= (1 << 16)) {
            sinceReport = 0;
            report(m_out.records, scanner.position());
            reported = scanner.position();
        }
        if (!m_plan.joined.empty())
            splitJoined(fields, m_plan.joined, splitFields);
        addRecord(fields, scanner.filledCount());
    }
    m_out.stop = scanner.position();
}

// Hands the parsed pages of a file mapping back as the reading passes them: they are the
// file's, read again from it should anything look at them later.
class PageRelease {
public:
    PageRelease(bool active, const char *from) : m_active(active), m_done(from) {}
    void upTo(const char *at)
    {
        if (!m_active || at - m_done < (qsizetype(16) << 20))
            return;
        const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
        const uintptr_t first = (uintptr_t(m_done) + page - 1) & ~(page - 1);
        const uintptr_t last = uintptr_t(at) & ~(page - 1);
        if (last > first)
            ::madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED);
        m_done = at;
    }

private:
    bool m_active;
    const char *m_done;
};

// A line start near the middle of the text, not on a blank line: the second stretch starts
// there. Null when there is none.
const char *middleLineStart(const char *begin, const char *end)
{
    const char *p = begin + (end - begin) / 2;
    const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
    if (!lf)
        return nullptr;
    p = lf + 1;
    while (p < end && (*p == '\n' || *p == '\r'))
        ++p;
    return p < end ? p : nullptr;
}

// Joins the stretches' texts into the table's and moves their parts in, texts rebased.
void join(std::vector<Stretch> &stretches, textcolumns::Table &table)
{
    qint64 records = 0;
    for (Stretch &s : stretches) {
        textcolumns::Part &part = s.part;
        const Item charBase = Item(table.chars.size());
        const Item sharedBase = Item(table.shared.size());
        // A stretch without texts of its own (numbers and empty fields) has nothing to rebase.
        const bool ownTexts = !s.chars.isEmpty() || !s.shared.empty();
        if (ownTexts && (charBase != 0 || sharedBase != 0))
            for (textcolumns::Column &column : part.columns)
                for (Item &item : column)
                    if (textcolumns::isText(item) && item != textcolumns::EmptyItem)
                        item += (item & textcolumns::SharedBit) ? sharedBase : charBase;
        if (table.chars.isEmpty())
            table.chars = std::move(s.chars);
        else
            table.chars.append(s.chars);
        QString().swap(s.chars);
        for (QString &text : s.shared)
            table.shared.push_back(std::move(text));
        for (auto &start : part.rowStarts) {
            start.first += table.rows;
            start.second += records;
        }
        for (textcolumns::RawNumber &raw : part.rawNumbers)
            raw.row += table.rows;
        table.rows += part.rows;
        table.textChars += s.textChars;
        table.blankTexts |= s.blankTexts;
        records += s.records;
        table.parts.push_back(std::move(part));
    }
}

}

std::unique_ptr<workbook::Workbook> readTextColumns(const QByteArray &bytes, const ColumnReading &how)
{
    const TextPlan plan = planText(bytes);
    if (plan.spaceAligned)
        return readSpaceAligned(plan.begin, plan.end, workbook::TextRows);
    const char *begin = plan.begin;
    const char *end = plan.end;
    const qint64 length = end - begin;
    // Where in the file a place in its text is: the same bytes, or about as far into a file
    // that was converted.
    const auto fileOffset = [&](const char *at) -> qint64 {
        if (plan.text.converted.isEmpty())
            return at - bytes.constData();
        return length > 0 ? qint64(double(at - begin) / double(length) * double(bytes.size())) : 0;
    };
    const bool release = how.releaseMappedPages && plan.text.converted.isEmpty();

    const char *middle = how.threads > 1 && length >= how.splitFrom ? middleLineStart(begin, end) : nullptr;
    std::vector<Stretch> stretches(middle ? 2 : 1);
    Shared shared;
    std::thread second;
    std::exception_ptr secondError;
    if (middle) {
        second = std::thread([&] {
            try {
                PageRelease pages(release, middle);
                StretchReader(plan, stretches[1]).read(middle, end, end, [&](qint64 records, const char *at) {
                    shared.records.store(records, std::memory_order_relaxed);
                    shared.bytes.store(at - middle, std::memory_order_relaxed);
                    shared.reports.fetch_add(1);
                    pages.upTo(at);
                    if (shared.stop.load(std::memory_order_relaxed))
                        throw readprogress::Cancelled();
                });
            } catch (...) {
                secondError = std::current_exception();
            }
            shared.done.store(true);
        });
    }
    const auto stopSecond = [&] {
        if (second.joinable()) {
            shared.stop = true;
            second.join();
        }
    };
    try {
        PageRelease pages(release, begin);
        // The reading thread tells the reports of both stretches, as many as one would make.
        const auto report = [&](qint64 records, const char *at) {
            pages.upTo(at);
            for (int n = 1 + shared.reports.exchange(0); n > 0; --n)
                readprogress::parsed(records + shared.records.load(std::memory_order_relaxed),
                                     fileOffset(at) + shared.bytes.load(std::memory_order_relaxed));
        };
        StretchReader first(plan, stretches[0]);
        first.read(begin, middle ? middle : end, end, report);
        if (middle && stretches[0].stop != middle) {
            // A quoted field ran over the middle: the first reading goes on alone.
            stopSecond();
            stretches.pop_back();
            first.read(stretches[0].stop, end, end, report);
        } else if (middle) {
            // The second stretch may still be reading: its progress is told meanwhile.
            for (bool done = false; !done;) {
                done = shared.done.load();
                for (int n = shared.reports.exchange(0); n > 0; --n)
                    readprogress::parsed(stretches[0].records + shared.records.load(std::memory_order_relaxed),
                                         fileOffset(middle) + shared.bytes.load(std::memory_order_relaxed));
                if (!done)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            second.join();
            if (secondError)
                std::rethrow_exception(secondError);
        }
    } catch (...) {
        stopSecond();
        throw;
    }

    for (const Stretch &s : stretches)
        if (s.unusual)
            return readDelimitedText(bytes); // a value or a size the columns do not keep

    auto book = std::make_unique<workbook::Workbook>();
    book->maxRows = workbook::TextRows;
    for (size_t i = 0; i < plan.joined.size(); ++i)
        if (plan.joined[i])
            book->commaSplitColumns.push_back(int(i) + 1);
    auto table = std::make_shared<textcolumns::Table>();
    qint64 records = 0;
    for (const Stretch &s : stretches) {
        records += s.records;
        book->cutCells += s.cutCells;
        book->cutCellRows = int(std::min<qint64>(qint64(book->cutCellRows) + s.cutCellRows, INT_MAX));
        book->cutWidth = std::max(book->cutWidth, s.cutWidth);
        book->strayNuls += s.strayNuls;
    }
    join(stretches, *table);
    if (records >= workbook::TextRows)
        return readDelimitedText(bytes);
    book->textColumns = std::move(table);
    // Lines appended later can be read alone when the file is read in place and whole.
    if (plan.text.converted.isEmpty() && records < workbook::TextRows) {
        const char *lineEnd = end;
        while (lineEnd > begin && lineEnd[-1] != '\n' && lineEnd[-1] != '\r')
            --lineEnd;
        workbook::TextTail &tail = book->textTail;
        tail.known = true;
        tail.separator = plan.separator;
        tail.decimalComma = plan.decimalComma;
        tail.completeBytes = lineEnd - bytes.constData();
        tail.partialLine = lineEnd < end;
    }
    return book;
}

}
