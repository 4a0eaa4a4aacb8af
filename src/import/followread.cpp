#include "import/followread.h"

#include "base/numtext.h"
#include "import/columnstore.h"
#include "import/workbookread.h"
#include "workbook/csv/csvreader.h"
#include "workbook/csv/records.h"

#include <QFile>

#include <sys/stat.h>

#include <algorithm>

namespace followread {

namespace {

struct FileState {
    bool exists = false;
    qint64 size = 0;
    quint64 device = 0, inode = 0;
    qint64 modifiedNs = 0;
};

FileState stateOf(const QString &path)
{
    FileState state;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return state;
    state.exists = true;
    state.size = qint64(st.st_size);
    state.device = quint64(st.st_dev);
    state.inode = quint64(st.st_ino);
    state.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return state;
}

QByteArray readRange(const QString &path, qint64 from, qint64 length)
{
    QFile file(path);
    if (length <= 0 || !file.open(QIODevice::ReadOnly) || !file.seek(from))
        return QByteArray();
    return file.read(length);
}

// A field of blanks is no cell, as in a whole read.
bool blankField(const records::Field &field)
{
    return std::all_of(field.begin, field.end, [](char c) { return c == ' ' || c == '\t'; });
}

bool hasContent(const QByteArray &line, char separator)
{
    records::Scanner scanner(line.constData(), line.constData() + line.size(), separator);
    std::vector<records::Field> fields;
    while (scanner.next(fields))
        for (const records::Field &field : fields)
            if (!blankField(field))
                return true;
    return false;
}

struct Cell {
    bool present = false;
    bool number = false;
    double value = 0;
    QString text;
};

// The rows of complete lines, a cell a list; false when a line has a cell in a column the
// lists do not hold (the whole read then tells what it leaves out).
bool parseRows(const char *begin, const char *end, const Source &source,
               std::vector<std::vector<Cell>> *rows)
{
    records::Scanner scanner(begin, end, source.tail.separator);
    std::vector<records::Field> fields;
    const std::vector<int> &columns = source.listColumns;
    while (scanner.next(fields)) {
        if (scanner.fieldCount() > fields.size() && scanner.filledWidth() > fields.size())
            return false;
        std::vector<Cell> row(columns.size());
        bool any = false;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].empty() || blankField(fields[i]))
                continue;
            const auto list = std::find(columns.begin(), columns.end(), int(i) + 1);
            if (list == columns.end())
                return false;
            Cell &cell = row[size_t(list - columns.begin())];
            cell.present = true;
            cell.number = csv::fieldNumber(fields[i], source.tail.decimalComma, &cell.value);
            if (!cell.number)
                cell.text = QString::fromUtf8(fields[i].begin, fields[i].end - fields[i].begin);
            any = true;
        }
        if (any)
            rows->push_back(std::move(row));
    }
    return true;
}

}

Source sourceOf(const QString &path, const ReadResult &result)
{
    Source source;
    source.path = path;
    source.tail = result.tail;
    source.listColumns = result.listColumns;
    if (source.listColumns.empty())
        source.tail.known = false;
    if (source.tail.known) {
        if (source.tail.partialLine)
            source.partialRowInStore = hasContent(
                readRange(path, source.tail.completeBytes, source.tail.fileBytes - source.tail.completeBytes),
                source.tail.separator);
        return source;
    }
    // Any other file is read again whole when it changes: what it is now is the mark.
    const FileState state = stateOf(path);
    source.tail.fileBytes = state.size;
    source.tail.device = state.device;
    source.tail.inode = state.inode;
    source.modifiedNs = state.modifiedNs;
    return source;
}

Step readAppended(Source &source, ColumnStore &store, qint64 maxBytes)
{
    const FileState now = stateOf(source.path);
    if (!now.exists)
        return {Change::Gone, 0};
    workbook::TextTail &tail = source.tail;
    if (now.device != tail.device || now.inode != tail.inode || now.size < tail.fileBytes)
        return {Change::ReadAgain, 0};
    if (!tail.known)
        return {now.size != tail.fileBytes || now.modifiedNs != source.modifiedNs ? Change::ReadAgain : Change::None, 0};
    if (now.size == tail.fileBytes)
        return {Change::None, 0};
    if (now.size - tail.completeBytes > maxBytes)
        return {Change::ReadAgain, 0};

    const QByteArray added = readRange(source.path, tail.completeBytes, now.size - tail.completeBytes);
    qsizetype complete = added.size();
    while (complete > 0 && added[complete - 1] != '\n' && added[complete - 1] != '\r')
        --complete;
    // A line ending in CR may still get its LF: it counts as complete, and a lone LF after it
    // is a blank line, which adds nothing.
    std::vector<std::vector<Cell>> rows;
    if (!parseRows(added.constData(), added.constData() + complete, source, &rows))
        return {Change::ReadAgain, 0};
    const int lists = int(source.listColumns.size());
    const bool takeBack = source.partialRowInStore && complete > 0;
    if (!rows.empty() || takeBack) {
        ColumnStore::Batch batch(store);
        if (takeBack)
            store.truncate(store.count(1) - 1);
        for (const std::vector<Cell> &row : rows)
            for (int k = 1; k <= lists; ++k) {
                const Cell &cell = row[size_t(k - 1)];
                if (!cell.present)
                    store.append(k, QStringView());
                else if (cell.number)
                    store.appendNumber(k, numtext::generalValue(cell.value));
                else
                    store.append(k, cell.text);
            }
    }
    const int addedRows = int(rows.size()) - (takeBack ? 1 : 0);
    tail.completeBytes += complete;
    tail.fileBytes = tail.completeBytes + (added.size() - complete);
    tail.partialLine = complete < added.size();
    if (complete > 0)
        source.partialRowInStore = false;
    if (rows.empty() && !takeBack)
        return {Change::None, 0};
    return {Change::Appended, addedRows};
}

}
