#include "workbook/csv/columnreader.h"

#include "base/numtext.h"
#include "base/pageahead.h"
#include "base/readprogress.h"
#include "workbook/csv/csvreader.h"
#include "workbook/csv/numberrecord.h"
#include "workbook/csv/records.h"
#include "workbook/sheetbuilder.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <atomic>
#include <climits>
#include <vector>
#include <cstring>
#include <exception>
#include <thread>

namespace csv {

numtext::Reading fieldReading(const char *begin, const char *end, bool decimalComma, double *value)
{
    // With a decimal comma a field is read with either mark in one pass. The rule reads a
    // comma only in fields under 64 bytes: longer ones keep to the point alone.
    const bool commaMark = decimalComma && end - begin < 64;
    return numtext::readNumber(begin, end, value, commaMark);
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
    std::atomic<int> reports{0}; // the helpers' reports the calling thread has not passed on yet
};

// Where a helper thread stands, over every piece it read.
struct HelperState {
    std::atomic<bool> done{false};
    std::atomic<qint64> records{0};
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
    StretchReader(const TextPlan &plan, Stretch &out) : m_plan(plan), m_out(out), m_quick(quickSeparator(plan)) {}

    // Reads the records from `from` until one ends at or past `until`.
    // Columns get room for the rows up to `reserveTo` (the first stretch's become the lists).
    template <typename Report>
    void read(const char *from, const char *until, const char *reserveTo, Report report);

private:
    // Rows whose column pages are mapped together.
    static constexpr size_t PreparedRows = 16384;

    void reserveRows(const char *from, const char *until);
    bool quickRecord(const char *&at, double *values) const;
    void addNumbers(const double *values);
    void prepareColumns();
    void noteRowStart();
    void addRecord(std::vector<records::Field> &fields, const records::Scanner &scanner, bool split);
    Item textItem(const char *begin, const char *end);
    void widen(size_t columns);

    // A separator that no number holds, and fields not split again: what the quick reading
    // of a record needs to find the fields the long way would.
    static bool quickSeparator(const TextPlan &plan)
    {
        const char s = plan.separator;
        const bool inNumbers = (s >= '0' && s <= '9') || s == '.' || s == '+' || s == '-' || s == 'e' || s == 'E'
            || (s == ',' && plan.decimalComma);
        return !inNumbers && s != '"' && s != '\n' && s != '\r' && plan.joined.empty();
    }

    const TextPlan &m_plan;
    Stretch &m_out;
    const bool m_quick;
    size_t m_reserve = 0;
    qint64 m_preparedTo = 0; // the rows up to which the columns' pages are mapped
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
        part.lastOther.push_back(part.rows - 1);
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

// Most records of a long log are a number in every column the stretch has: those are read
// straight into the columns (numberrecord.h), with no fields set out first. `at` is moved
// to the line end; anything else (an empty field, a text, a quote, another width, a number
// the quick reader leaves alone) is false, with nothing changed, and read the long way.
bool StretchReader::quickRecord(const char *&at, double *values) const
{
    return m_quick && numberrecord::read(at, m_plan.end, m_plan.separator, m_plan.decimalComma, m_out.part.columns.size(),
                                         values, &at);
}

void StretchReader::noteRowStart()
{
    textcolumns::Part &part = m_out.part;
    if (part.rowStarts.empty() || part.rowStarts.back().second + (part.rows - part.rowStarts.back().first) != m_out.records)
        part.rowStarts.emplace_back(part.rows, m_out.records);
}

void StretchReader::addNumbers(const double *values)
{
    textcolumns::Part &part = m_out.part;
    noteRowStart();
    // Kept in locals: the stores into the columns could otherwise be the part's own fields to
    // the compiler, which would read them again for every column.
    const size_t width = part.columns.size();
    textcolumns::Column *const columns = part.columns.data();
    qint64 *const lastFilled = part.lastFilled.data();
    const qint64 row = part.rows;
    for (size_t c = 0; c < width; ++c) {
        columns[c].push_back(textcolumns::numberItem(values[c]));
        lastFilled[c] = row;
    }
    part.rows = row + 1;
}

void StretchReader::prepareColumns()
{
    // The next rows' pages of every column are mapped at once, a little ahead of the writes.
    m_preparedTo = m_out.part.rows + qint64(PreparedRows);
    for (textcolumns::Column &column : m_out.part.columns) {
        const size_t room = column.capacity() - column.size();
        pageahead::prepare(column.data() + column.size(), column.data() + column.size() + std::min(room, PreparedRows));
    }
}

void StretchReader::addRecord(std::vector<records::Field> &fields, const records::Scanner &scanner, bool split)
{
    Stretch &out = m_out;
    const std::size_t filledCount = scanner.filledCount();
    const int columns = std::min(int(fields.size()), workbook::GridColumns);
    bool firstChanged = false;
    // A byte-order mark at the start of a line (files joined together) is no text.
    if (columns > 0 && fields[0].end - fields[0].begin >= 3 && std::memcmp(fields[0].begin, "\xEF\xBB\xBF", 3) == 0) {
        fields[0].begin += 3;
        firstChanged = true;
    }
    if (columns > 0 && fields[0].end > fields[0].begin && *fields[0].begin == '\0') {
        ++fields[0].begin;
        ++out.strayNuls;
        firstChanged = true;
    }
    std::size_t kept = filledCount;
    int last = int(scanner.filledWidth()); // the last filled field kept
    if (split || firstChanged || size_t(last) > size_t(columns)) {
        // The scanner's counts are not those of the fields as kept: count again.
        kept = 0;
        last = 0;
        for (int column = 1; column <= columns; ++column)
            if (!fields[size_t(column) - 1].empty()) {
                ++kept;
                last = column;
            }
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
    noteRowStart();
    if (part.columns.size() < size_t(last))
        widen(size_t(last));
    textcolumns::Column *columnItems = part.columns.data();
    const bool decimalComma = m_plan.decimalComma;
    for (size_t c = 0; c < size_t(last); ++c) {
        textcolumns::Column &items = columnItems[c];
        const records::Field &field = fields[c];
        if (field.empty()) {
            items.push_back(textcolumns::EmptyItem);
            part.lastOther[c] = part.rows;
            continue;
        }
        part.lastFilled[c] = part.rows;
        double number = 0;
        const numtext::Reading reading = fieldReading(field.begin, field.end, decimalComma, &number);
        if (reading.ownGeneral) {
            // At most 15 digits: the value shown is the value read.
            items.push_back(textcolumns::numberItem(number));
        } else if (reading.number) {
            if (!std::isfinite(number))
                out.unusual = true;
            const double shown = numtext::generalValue(number);
            const Item item = textcolumns::numberItem(shown);
            if (item != textcolumns::numberItem(number))
                part.rawNumbers.push_back({part.rows, int(c) + 1, number});
            items.push_back(item);
            if (!std::isfinite(shown))
                part.lastOther[c] = part.rows;
        } else {
            items.push_back(textItem(field.begin, field.end));
            part.lastOther[c] = part.rows;
        }
    }
    for (size_t c = size_t(last); c < part.columns.size(); ++c) {
        columnItems[c].push_back(textcolumns::EmptyItem);
        part.lastOther[c] = part.rows;
    }
    ++part.rows;
}

template <typename Report>
void StretchReader::read(const char *from, const char *until, const char *reserveTo, Report report)
{
    reserveRows(from, reserveTo);
    records::Scanner scanner(from, m_plan.end, m_plan.separator);
    std::vector<records::Field> fields, splitFields;
    double values[numberrecord::MaxWidth];
    const char *reported = from;
    qint64 sinceReport = 0;
    const auto counted = [&] {
        ++m_out.records;
        // Every few thousand rows, or 64 KB of long lines: a cancelled read stops soon.
        if (++sinceReport == readprogress::ReportRows || scanner.position() - reported >= (1 << 16)) {
            sinceReport = 0;
            report(m_out.records, scanner.position());
            reported = scanner.position();
        }
    };
    while (scanner.position() < until) {
        // Blank lines are rows without cells: counted, not parsed one by one.
        m_out.records += qint64(scanner.skipBlankRecords());
        if (scanner.position() >= until)
            break;
        const char *at = scanner.position();
        if (quickRecord(at, values)) {
            scanner.moveTo(records::pastLineEnd(at, m_plan.end));
            counted();
            addNumbers(values);
        } else {
            if (!scanner.next(fields))
                break;
            counted();
            const bool split = !m_plan.joined.empty();
            if (split)
                splitJoined(fields, m_plan.joined, splitFields);
            addRecord(fields, scanner, split);
        }
        if (m_out.part.rows >= m_preparedTo)
            prepareColumns();
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

// What one thread has read over its pieces, for the progress reports.
struct PieceProgress {
    bool release = false;
    PageRelease pages{false, nullptr};
    const char *pieceStart = nullptr;
    qint64 recordsBefore = 0, passedBefore = 0; // of the pieces it finished
    qint64 records = 0, passed = 0;             // up to the last report

    void startPiece(const char *from)
    {
        pieceStart = from;
        pages = PageRelease(release, from);
    }
    void update(qint64 pieceRecords, const char *at)
    {
        records = recordsBefore + pieceRecords;
        passed = passedBefore + (at - pieceStart);
        pages.upTo(at);
    }
    void endPiece(const Stretch &stretch)
    {
        recordsBefore += stretch.records;
        passedBefore += stretch.stop - pieceStart;
        records = recordsBefore;
        passed = passedBefore;
    }
};

// The first line start at or after the line end that follows `p`, past blank lines: null
// when the text has none.
const char *lineStartAfter(const char *p, const char *end)
{
    const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
    if (!lf)
        return nullptr;
    p = lf + 1;
    while (p < end && (*p == '\n' || *p == '\r'))
        ++p;
    return p < end ? p : nullptr;
}

// Where the pieces of [begin, end) start: `begin`, then line starts cutting the text into
// about `count` pieces of equal length. Fewer when the lines are too long for that.
std::vector<const char *> pieceStarts(const char *begin, const char *end, int count)
{
    std::vector<const char *> starts{begin};
    const qint64 length = end - begin;
    for (int i = 1; i < count; ++i) {
        const char *start = lineStartAfter(std::max(begin + length * i / count, starts.back()), end);
        if (!start)
            break;
        if (start > starts.back())
            starts.push_back(start);
    }
    return starts;
}

// Moves the stretch's texts behind `chars` and `shared`, its items rebased to point at them.
void moveTexts(Stretch &s, QString &chars, std::vector<QString> &shared)
{
    // A stretch without texts of its own (numbers and empty fields) has nothing to rebase.
    const Item charBase = Item(chars.size()), sharedBase = Item(shared.size());
    const bool ownTexts = !s.chars.isEmpty() || !s.shared.empty();
    if (ownTexts && (charBase != 0 || sharedBase != 0))
        for (textcolumns::Column &column : s.part.columns)
            for (Item &item : column)
                if (textcolumns::isText(item) && item != textcolumns::EmptyItem)
                    item += (item & textcolumns::SharedBit) ? sharedBase : charBase;
    if (chars.isEmpty())
        chars = std::move(s.chars);
    else
        chars.append(s.chars);
    QString().swap(s.chars);
    for (QString &text : s.shared)
        shared.push_back(std::move(text));
    std::vector<QString>().swap(s.shared);
}

// Joins the stretches' texts into the table's and moves their parts in, texts rebased.
void join(std::vector<Stretch> &stretches, textcolumns::Table &table)
{
    qint64 records = 0;
    for (Stretch &s : stretches) {
        textcolumns::Part &part = s.part;
        moveTexts(s, table.chars, table.shared);
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

    // Long texts are cut into more pieces than threads, taken in turn: a thread that is
    // slowed down, or a piece that is slower to read, leaves more of the rest to the other.
    const int threads = std::max(how.threads, 1);
    int pieceCount = 1;
    if (threads > 1 && length >= how.splitFrom)
        pieceCount = int(std::clamp<qint64>(length / std::max<qint64>(how.pieceBytes, 1), threads, std::max(threads, MaxPieces)));
    const std::vector<const char *> starts = pieceStarts(begin, end, pieceCount);
    const int pieces = int(starts.size());
    const auto pieceEnd = [&](int i) { return i + 1 < pieces ? starts[size_t(i) + 1] : end; };
    std::vector<Stretch> stretches(static_cast<size_t>(pieces));
    std::vector<HelperState> helpers(size_t(std::min(threads, pieces) - 1));
    Shared shared;
    std::atomic<int> nextPiece{0};
    // A piece whose reading ran past the next one's start (a quoted field over that line
    // start) makes the pieces after it useless: none is started past it.
    std::atomic<int> overrunAt{pieces};
    const auto readPieces = [&](PieceProgress &progress, const auto &report) {
        for (int i; (i = nextPiece.fetch_add(1)) < pieces;) {
            if (i > overrunAt.load() || shared.stop.load())
                break;
            Stretch &stretch = stretches[size_t(i)];
            progress.startPiece(starts[size_t(i)]);
            // The first piece's columns become the lists: they get room for the whole text.
            StretchReader(plan, stretch).read(starts[size_t(i)], pieceEnd(i), i == 0 ? end : pieceEnd(i), report);
            progress.endPiece(stretch);
            if (i + 1 < pieces && stretch.stop != starts[size_t(i) + 1]) {
                int was = overrunAt.load();
                while (i < was && !overrunAt.compare_exchange_weak(was, i)) {
                }
            }
        }
    };
    std::vector<std::thread> workers;
    std::vector<std::exception_ptr> errors(helpers.size());
    const auto stopHelpers = [&] {
        shared.stop = true;
        for (std::thread &worker : workers)
            if (worker.joinable())
                worker.join();
    };
    for (size_t h = 0; h < helpers.size(); ++h) {
        workers.emplace_back([&, h] {
            HelperState &state = helpers[h];
            try {
                PieceProgress progress;
                progress.release = release;
                readPieces(progress, [&](qint64 records, const char *at) {
                    progress.update(records, at);
                    state.records.store(progress.records, std::memory_order_relaxed);
                    state.bytes.store(progress.passed, std::memory_order_relaxed);
                    shared.reports.fetch_add(1);
                    if (shared.stop.load(std::memory_order_relaxed))
                        throw readprogress::Cancelled();
                });
            } catch (...) {
                errors[h] = std::current_exception();
            }
            state.done.store(true);
        });
    }
    try {
        // The calling thread reads pieces too, and tells the reports of every thread, as
        // many as one reading thread would make.
        qint64 toldBytes = 0; // the bytes told never go back, even after a piece ran over
        PieceProgress own;
        own.release = release;
        const auto tell = [&](int count) {
            for (; count > 0; --count) {
                qint64 records = own.records, passed = own.passed;
                for (const HelperState &helper : helpers) {
                    records += helper.records.load(std::memory_order_relaxed);
                    passed += helper.bytes.load(std::memory_order_relaxed);
                }
                toldBytes = std::max(toldBytes, fileOffset(begin + std::min(passed, length)));
                readprogress::parsed(records, toldBytes);
            }
        };
        const auto report = [&](qint64 records, const char *at) {
            own.update(records, at);
            tell(1 + shared.reports.exchange(0));
        };
        readPieces(own, report);
        // The helpers may still be reading: their progress is told meanwhile.
        for (bool done = false; !done;) {
            done = std::all_of(helpers.begin(), helpers.end(), [](const HelperState &h) { return h.done.load(); });
            tell(shared.reports.exchange(0));
            if (!done)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        for (std::thread &worker : workers)
            worker.join();
        for (const std::exception_ptr &error : errors)
            if (error)
                std::rethrow_exception(error);
        // The pieces join where each reading stopped at the next one's start; from the first
        // that ran over, its reading goes on alone to the end.
        for (int i = 0; i + 1 < pieces; ++i) {
            Stretch &stretch = stretches[size_t(i)];
            if (stretch.stop == starts[size_t(i) + 1])
                continue;
            stretches.resize(size_t(i) + 1);
            own.startPiece(stretch.stop);
            StretchReader(plan, stretch).read(stretch.stop, end, end, report);
            break;
        }
    } catch (...) {
        stopHelpers();
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
