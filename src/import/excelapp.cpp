#include "import/excelapp.h"

#include "base/apperror.h"
#include "workbook/csv/textcolumns.h"
#include "workbook/workbook.h"

#include <QCoreApplication>
#include <QLatin1String>

#include <algorithm>
#include <memory>
#include <vector>

using automation::Args;
using automation::Invoke;
using automation::ObjectRef;
using automation::Variant;

namespace excelapp {

QStringList readerNotes(const workbook::Workbook &book)
{
    QStringList lines;
    if (book.passedFirstSheet)
        lines << QCoreApplication::translate("log", "第一个工作表“%1”没有可绘制的数据表格，读入了工作表“%2”")
                     .arg(book.firstSheetName, book.sheetName);
    if (book.skippedLeadingLines > 0)
        lines << QCoreApplication::translate("log", "跳过了开头的%1行说明文字").arg(book.skippedLeadingLines);
    if (book.cutRows > 0)
        lines << QCoreApplication::translate("log", "文件超过%1行，其后的%2行未读入").arg(book.maxRows).arg(book.cutRows);
    if (book.cutWidth > workbook::GridColumns)
        lines << QCoreApplication::translate("log", "表格有%1列，第%2列起的%3列未读入")
                     .arg(book.cutWidth).arg(workbook::GridColumns + 1).arg(book.cutWidth - workbook::GridColumns);
    if (book.cutCells > 0)
        lines << QCoreApplication::translate("log", "%1行超过%2列，其右的%3个单元格未读入")
                     .arg(book.cutCellRows).arg(workbook::GridColumns).arg(book.cutCells);
    for (int column : book.commaSplitColumns)
        lines << QCoreApplication::translate("log", "第%1列在逗号处分为两列").arg(column);
    if (book.strayNuls > 0)
        lines << QCoreApplication::translate("log", "删除了%1个行首的空字符（NUL）").arg(book.strayNuls);
    return lines;
}

namespace {

// Columns of the grid; its rows are the format's (workbook::Workbook::maxRows).
constexpr int MaxColumns = workbook::GridColumns;
// The most cells one CellBlock call answers.
constexpr qint64 MaxBlockCells = qint64(1) << 20;

struct Member {
    QLatin1String name;
    int id;
};

// Looks a name up in a member table without allocating.
template <size_t N>
int findMember(const Member (&table)[N], QStringView name)
{
    for (const Member &m : table)
        if (name.size() == m.name.size() && name.compare(m.name, Qt::CaseInsensitive) == 0)
            return m.id;
    return -1;
}

template <size_t N>
QLatin1String memberName(const Member (&table)[N], int id)
{
    for (const Member &m : table)
        if (m.id == id)
            return m.name;
    return QLatin1String("?");
}

[[noreturn]] void fail(const QString &what, const QString &member)
{
    throw AppError(QCoreApplication::translate("log", "%1：%2").arg(what, member));
}

void requireArgs(Args args, int count, QLatin1String member)
{
    if (args.size() != count)
        fail(QCoreApplication::translate("log", "参数个数不对"), member);
}

void requireGet(Invoke kind, QLatin1String member)
{
    if (!automation::allowsGet(kind))
        fail(QCoreApplication::translate("log", "不能以这种方式调用"), member);
}

void requireMethod(Invoke kind, QLatin1String member)
{
    if (!automation::allowsMethod(kind))
        fail(QCoreApplication::translate("log", "不能以这种方式调用"), member);
}

struct AppState {
    WorkbookOpener opener;
    bool displayAlerts = true;
    bool quit = false;
    std::vector<std::shared_ptr<workbook::Workbook>> books;

    void checkRunning() const
    {
        if (quit)
            throw AppError(QCoreApplication::translate("log", "应用程序已退出"));
    }
    bool isOpen(const workbook::Workbook *book) const
    {
        for (const auto &b : books)
            if (b.get() == book)
                return true;
        return false;
    }
};

using State = std::shared_ptr<AppState>;

Variant cellValue(const workbook::Cell &cell)
{
    switch (cell.type) {
    case workbook::CellType::Empty:
        return Variant();
    case workbook::CellType::Number:
        return Variant::fromDouble(cell.number);
    case workbook::CellType::DateTime:
        // The serial goes on unchanged as the date value, as the spreadsheet's own
        // automation does (serials below 61 therefore show one day early).
        return Variant::fromDate(cell.number);
    case workbook::CellType::Text:
        return Variant::fromText(cell.text);
    case workbook::CellType::Boolean:
        return Variant::fromBool(cell.number != 0);
    case workbook::CellType::Error:
        return Variant::fromError(automation::sheetErrorCode(cell.errorCode));
    }
    return Variant();
}

// ---- cell

class CellObject : public automation::Object {
public:
    explicit CellObject(Variant value) : m_value(std::move(value)) {}
    void setValue(Variant value) { m_value = std::move(value); }

    int memberId(QStringView name) const override { return findMember(s_members, name); }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        const QLatin1String name = memberName(s_members, member);
        requireGet(kind, name);
        requireArgs(args, 0, name);
        return m_value;
    }

private:
    static constexpr Member s_members[] = {{QLatin1String("Value"), automation::DefaultMember}};
    Variant m_value; // the cell is read once, when the object is made
};

// ---- used range and its rows

class RowsObject : public automation::Object {
public:
    explicit RowsObject(int count) : m_count(count) {}
    int memberId(QStringView name) const override { return findMember(s_members, name); }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        const QLatin1String name = memberName(s_members, member);
        requireGet(kind, name);
        requireArgs(args, 0, name);
        return Variant::fromInt(m_count);
    }

private:
    static constexpr Member s_members[] = {{QLatin1String("Count"), 1}};
    int m_count;
};

class RangeObject : public automation::Object {
public:
    explicit RangeObject(int rowCount) : m_rowCount(rowCount) {}
    int memberId(QStringView name) const override { return findMember(s_members, name); }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        const QLatin1String name = memberName(s_members, member);
        requireGet(kind, name);
        requireArgs(args, 0, name);
        return Variant::fromObject(automation::makeObject<RowsObject>(m_rowCount));
    }

private:
    static constexpr Member s_members[] = {{QLatin1String("Rows"), 1}};
    int m_rowCount;
};

// ---- worksheet

class SheetObject : public automation::Object {
public:
    SheetObject(State state, std::shared_ptr<workbook::Workbook> book)
        : m_state(std::move(state)), m_book(std::move(book)) {}

    int memberId(QStringView name) const override
    {
        const int id = findMember(s_members, name);
        // Only a text read into columns has them to give.
        return id == TextColumns && !m_book->textColumns ? -1 : id;
    }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        m_state->checkRunning();
        if (member == TextColumns) {
            requireGet(kind, QLatin1String("TextColumns"));
            requireArgs(args, 0, QLatin1String("TextColumns"));
            if (!m_book->textColumns)
                fail(QCoreApplication::translate("log", "未知的成员"), QStringLiteral("TextColumns"));
            return Variant::fromObject(automation::makeObject<TextColumnsObject>(m_book));
        }
        // Asked for cells, a text read into columns puts them into its sheet first.
        if (m_book->textColumns) {
            textcolumns::fillSheet(*m_book->textColumns, m_book->firstSheet);
            m_book->textColumns.reset();
        }
        switch (member) {
        case UsedRange:
            requireGet(kind, QLatin1String("UsedRange"));
            requireArgs(args, 0, QLatin1String("UsedRange"));
            return Variant::fromObject(
                automation::makeObject<RangeObject>(m_book->firstSheet.usedRowCount()));
        case Cells: {
            requireGet(kind, QLatin1String("Cells"));
            requireArgs(args, 2, QLatin1String("Cells"));
            const qint32 row = automation::toInt32(args[0]);
            const qint32 column = automation::toInt32(args[1]);
            if (row < 1 || row > m_book->maxRows || column < 1 || column > MaxColumns)
                fail(QCoreApplication::translate("log", "下标越界"), QStringLiteral("Cells(%1, %2)").arg(row).arg(column));
            Variant value = cellValue(m_book->firstSheet.cell(row, column));
            // A read asks for millions of cells and drops each one before asking for the
            // next; a cell object nobody else holds any more is reused for the next cell.
            if (m_spare && m_spare->refCount() == 1) {
                m_spare->setValue(std::move(value));
            } else {
                m_spare = automation::makeObject<CellObject>(std::move(value));
            }
            return Variant::fromObject(m_spare);
        }
        case CellBlock:
            requireGet(kind, QLatin1String("CellBlock"));
            requireArgs(args, 4, QLatin1String("CellBlock"));
            return Variant::fromArray(cellBlock(automation::toInt32(args[0]), automation::toInt32(args[1]),
                                                automation::toInt32(args[2]), automation::toInt32(args[3])));
        }
        fail(QCoreApplication::translate("log", "未知的成员"), QString::number(member));
    }

private:
    // The values of `rows` x `columns` cells from (row, column), row after row: what as many
    // Cells calls would give. The block ends early at the grid's last row, where Cells
    // would fail, and leaves out the columns right of every cell of its rows, which are
    // all empty: a table of 8 columns read 32 wide does not make 24 empty values a row.
    std::shared_ptr<const automation::VariantArray> cellBlock(qint32 row, qint32 column, qint32 rows,
                                                              qint32 columns) const
    {
        if (row < 1 || row > m_book->maxRows || column < 1 || rows < 1 || columns < 1
            || qint64(column) + columns - 1 > MaxColumns || qint64(rows) * columns > MaxBlockCells)
            fail(QCoreApplication::translate("log", "下标越界"), QStringLiteral("CellBlock(%1, %2, %3, %4)")
                                                .arg(row).arg(column).arg(rows).arg(columns));
        auto block = std::make_shared<automation::VariantArray>();
        block->rows = int(std::min<qint64>(rows, qint64(m_book->maxRows) - row + 1));
        const workbook::Worksheet &sheet = m_book->firstSheet;
        int width = 0;
        for (int r = 0; r < block->rows; ++r)
            width = std::max(width, std::min(sheet.lastColumnOf(row + r) - column + 1, columns));
        block->columns = width;
        block->values.reserve(size_t(block->rows) * size_t(width));
        for (int r = 0; r < block->rows; ++r)
            for (int c = 0; c < width; ++c)
                block->values.push_back(cellValue(sheet.cell(row + r, column + c)));
        return block;
    }

private:
    enum { UsedRange = 1, Cells, CellBlock, TextColumns };
    automation::Ref<CellObject> m_spare;
    static constexpr Member s_members[] = {{QLatin1String("UsedRange"), UsedRange},
                                           {QLatin1String("Cells"), Cells},
                                           {QLatin1String("CellBlock"), CellBlock},
                                           {QLatin1String("TextColumns"), TextColumns}};
    State m_state;
    std::shared_ptr<workbook::Workbook> m_book;
};

// ---- workbook

class BookObject : public automation::Object {
public:
    BookObject(State state, std::shared_ptr<workbook::Workbook> book)
        : m_state(std::move(state)), m_book(std::move(book)) {}

    int memberId(QStringView name) const override { return findMember(s_members, name); }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        m_state->checkRunning();
        const QLatin1String name = memberName(s_members, member);
        switch (member) {
        case Worksheets: {
            requireGet(kind, name);
            requireArgs(args, 1, name);
            // Only the first worksheet is loaded; it is all the program reads.
            if (automation::toInt32(args[0]) != 1)
                fail(QCoreApplication::translate("log", "下标越界"), name);
            return Variant::fromObject(automation::makeObject<SheetObject>(m_state, m_book));
        }
        case Save:
            requireMethod(kind, name);
            requireArgs(args, 0, name);
            return Variant();
        case Saved:
            requireArgs(args, kind == Invoke::PropertyPut ? 1 : 0, name);
            if (kind == Invoke::PropertyPut)
                m_saved = automation::toInt32(args[0]) != 0;
            return kind == Invoke::PropertyPut ? Variant() : Variant::fromBool(m_saved);
        case ReadNotes: {
            requireGet(kind, name);
            requireArgs(args, 0, name);
            const QStringList lines = readerNotes(*m_book);
            auto column = std::make_shared<automation::VariantArray>();
            column->rows = int(lines.size());
            column->columns = 1;
            for (const QString &line : lines)
                column->values.push_back(Variant::fromText(line));
            return Variant::fromArray(std::move(column));
        }
        case TextTail: {
            // Where a text file ends and how it was read, for reading lines appended later.
            requireGet(kind, name);
            requireArgs(args, 0, name);
            const workbook::TextTail &tail = m_book->textTail;
            auto row = std::make_shared<automation::VariantArray>();
            row->rows = 1;
            const QStringList values = {
                QString::number(tail.known), QString(QLatin1Char(tail.separator)),
                QString::number(tail.decimalComma), QString::number(tail.completeBytes),
                QString::number(tail.partialLine), QString::number(tail.fileBytes),
                QString::number(tail.device), QString::number(tail.inode)};
            row->columns = int(values.size());
            for (const QString &value : values)
                row->values.push_back(Variant::fromText(value));
            return Variant::fromArray(std::move(row));
        }
        case Close: {
            requireMethod(kind, name);
            auto &books = m_state->books;
            for (auto it = books.begin(); it != books.end(); ++it) {
                if (it->get() == m_book.get()) {
                    books.erase(it);
                    return Variant();
                }
            }
            fail(QCoreApplication::translate("log", "工作簿已关闭"), name);
        }
        }
        fail(QCoreApplication::translate("log", "未知的成员"), name);
    }

private:
    enum { Worksheets = 1, Save, Saved, Close, ReadNotes, TextTail };
    static constexpr Member s_members[] = {{QLatin1String("Worksheets"), Worksheets},
                                           {QLatin1String("Save"), Save},
                                           {QLatin1String("Saved"), Saved},
                                           {QLatin1String("Close"), Close},
                                           {QLatin1String("ReadNotes"), ReadNotes},
                                           {QLatin1String("TextTail"), TextTail}};
    State m_state;
    std::shared_ptr<workbook::Workbook> m_book;
    bool m_saved = true; // nothing ever changes the workbook
};

ObjectRef bookAt(const State &state, const Variant &index, QLatin1String member)
{
    const qint32 i = automation::toInt32(index);
    if (i < 1 || size_t(i) > state->books.size())
        fail(QCoreApplication::translate("log", "下标越界"), QStringLiteral("%1(%2)").arg(member).arg(i));
    return automation::makeObject<BookObject>(state, state->books[size_t(i) - 1]);
}

// ---- workbooks collection

class BooksObject : public automation::Object {
public:
    explicit BooksObject(State state) : m_state(std::move(state)) {}

    int memberId(QStringView name) const override { return findMember(s_members, name); }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        m_state->checkRunning();
        const QLatin1String name = memberName(s_members, member);
        switch (member) {
        case Item:
            requireGet(kind, name);
            requireArgs(args, 1, name);
            return Variant::fromObject(bookAt(m_state, args[0], name));
        case Open: {
            requireMethod(kind, name);
            if (args.size() < 1)
                fail(QCoreApplication::translate("log", "参数个数不对"), name);
            const QString path = automation::toText(args[0]);
            std::unique_ptr<workbook::Workbook> book = m_state->opener(path);
            if (!book)
                throw AppError(QCoreApplication::translate("log", "无法打开工作簿 %1").arg(path));
            m_state->books.push_back(std::move(book));
            return Variant::fromObject(
                automation::makeObject<BookObject>(m_state, m_state->books.back()));
        }
        case Count:
            requireGet(kind, name);
            requireArgs(args, 0, name);
            return Variant::fromInt(qint32(m_state->books.size()));
        }
        fail(QCoreApplication::translate("log", "未知的成员"), name);
    }

private:
    enum { Item = automation::DefaultMember, Open = 1, Count };
    static constexpr Member s_members[] = {{QLatin1String("Item"), Item},
                                           {QLatin1String("Open"), Open},
                                           {QLatin1String("Count"), Count}};
    State m_state;
};

// ---- application

class AppObject : public automation::Object {
public:
    explicit AppObject(State state) : m_state(std::move(state)) {}

    int memberId(QStringView name) const override { return findMember(s_members, name); }
    Variant invoke(int member, Invoke kind, Args args) override
    {
        m_state->checkRunning();
        const QLatin1String name = memberName(s_members, member);
        switch (member) {
        case DisplayAlerts:
            requireArgs(args, kind == Invoke::PropertyPut ? 1 : 0, name);
            if (kind == Invoke::PropertyPut) {
                m_state->displayAlerts = automation::toInt32(args[0]) != 0;
                return Variant();
            }
            requireGet(kind, name);
            return Variant::fromBool(m_state->displayAlerts);
        case Workbooks:
            requireGet(kind, name);
            if (args.size() == 0)
                return Variant::fromObject(automation::makeObject<BooksObject>(m_state));
            requireArgs(args, 1, name);
            return Variant::fromObject(bookAt(m_state, args[0], name));
        case Quit:
            requireMethod(kind, name);
            requireArgs(args, 0, name);
            m_state->books.clear();
            m_state->quit = true;
            return Variant();
        }
        fail(QCoreApplication::translate("log", "未知的成员"), name);
    }

private:
    enum { DisplayAlerts = 1, Workbooks, Quit };
    static constexpr Member s_members[] = {{QLatin1String("DisplayAlerts"), DisplayAlerts},
                                           {QLatin1String("Workbooks"), Workbooks},
                                           {QLatin1String("Quit"), Quit}};
    State m_state;
};

}

TextColumnsObject::TextColumnsObject(std::shared_ptr<workbook::Workbook> book) : m_book(std::move(book)) {}

TextColumnsObject::~TextColumnsObject() = default;

textcolumns::Table *TextColumnsObject::table() const
{
    return m_book->textColumns.get();
}

int TextColumnsObject::memberId(QStringView) const
{
    return -1;
}

Variant TextColumnsObject::invoke(int member, Invoke, Args)
{
    fail(QCoreApplication::translate("log", "未知的成员"), QString::number(member));
}

ObjectRef createApplication(WorkbookOpener opener)
{
    auto state = std::make_shared<AppState>();
    state->opener = std::move(opener);
    return automation::makeObject<AppObject>(std::move(state));
}

void registerApplication(automation::Registry &registry, WorkbookOpener opener)
{
    registry.add(QStringLiteral("Excel.Application"),
                 [opener] { return createApplication(opener); });
}

}
