#include "workbook/xls/xlsparser.h"
#include "workbook/xls/xlsreader.h"

#include "workbook/fileload.h"
#include "workbook/numformat.h"
#include "workbook/sheetchoice.h"
#include "workbook/xls/xlscontainer.h"
#include "workbook/xls/xlsrecords.h"
#include "workbook/xls/xlstext.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include <QCoreApplication>

#include <sys/mman.h>
#include <unistd.h>

// How damage is handled, the same way everywhere:
// - A file whose structure gives no worksheet to read (no BIFF stream, a stream that does
//   not start with BOF, a sheet position that leads nowhere) is refused as corrupt.
// - Inside the worksheet, a record too short for its fields or pointing at a string that
//   does not exist is skipped; a stream that ends in the middle of a record ends the sheet.
//   The cells read up to there are kept, like the rows a reader shows before a bad sector.
// - Counts and sizes in the file are never trusted for allocation: rows and columns past
//   the format's limits are ignored, and tables grow only with records actually present.


namespace xls::biff {

int BiffParser::readBofVersion(const Record &bof, std::uint16_t *type) const
{
    *type = bof.length >= 4 ? le16(bof.data + 2) : std::uint16_t(bofWorksheet);
    switch (bof.id) {
    case idBof2: return 2;
    case idBof3: return 3;
    case idBof4: return 4;
    default: break;
    }
    const std::uint16_t version = bof.length >= 2 ? le16(bof.data) : 0;
    if (version == 0x0600)
        return 8;
    if (version == 0x0500)
        return 5;
    return m_stream.fromWorkbookStream ? 8 : 5;
}

void BiffParser::run()
{
    Record bof;
    if (!m_cursor.next(&bof) || !isBofId(bof.id))
        throw Refused{Failure::Corrupt};
    std::uint16_t type = 0;
    m_biff = readBofVersion(bof, &type);
    m_book->biffVersion = m_biff;
    m_maxRow = m_biff == 8 ? 65536 : 16384;

    if (type == bofWorksheet) {
        // A single-sheet file (BIFF2-4, some BIFF5 writers): formats and cells in one stream.
        readSheet(true);
        return;
    }
    if (type != bofGlobals && type != bofWorkbook4)
        throw Refused{Failure::NoSheet}; // a chart or macro sheet file

    readGlobals();
    const std::size_t afterGlobals = m_cursor.position();
    // Worksheets(1) is the first worksheet in the sheet list; charts and macro sheets
    // before it do not count.
    std::size_t order = 0;
    const SheetEntry *chosen = nullptr;
    for (std::size_t i = 0; i < m_sheets.size() && !chosen; ++i) {
        if (m_sheets[i].type == 0) {
            chosen = &m_sheets[i];
            order = i;
        }
    }
    if (!m_sheets.empty() && !chosen)
        throw Refused{Failure::NoSheet};
    if (chosen) {
        m_book->sheetName = chosen->name;
        if (findSheetAt(chosen->position)) {
            const bool later = std::any_of(m_sheets.begin() + std::ptrdiff_t(order) + 1, m_sheets.end(),
                                           [](const SheetEntry &e) { return e.type == 0; });
            readSheet(false);
            if (later && !workbook::holdsChartTable(m_sheet))
                readLaterSheet(order);
            return;
        }
    }
    // Without a sheet list (BIFF4 workbooks), or with positions a writer got wrong: the
    // sheets follow the globals in list order.
    m_cursor.seek(afterGlobals);
    std::size_t index = 0;
    std::uint16_t sheetType = 0;
    while (nextSubstream(&sheetType)) {
        const bool wanted = chosen ? index == order : sheetType == bofWorksheet;
        if (wanted) {
            readSheet(false);
            return;
        }
        skipSubstream();
        ++index;
    }
    throw Refused{chosen ? Failure::Corrupt : Failure::NoSheet};
}

// The first worksheet holds no table a chart can use: the later one with the longest table
// is read in its place. One that cannot be read is passed; the first stays when none has one.
// Each later sheet reads the string table again from the stream: a copy kept aside in case
// the first sheet has no table would double the largest thing a workbook holds.
void BiffParser::readLaterSheet(std::size_t after)
{
    workbook::Worksheet first = std::move(m_sheet);
    workbook::Worksheet best;
    std::size_t bestIndex = 0;
    for (std::size_t i = after + 1; i < m_sheets.size(); ++i) {
        if (m_sheets[i].type != 0)
            continue;
        m_sheet = workbook::Worksheet();
        m_cellFirstRow = m_cellLastRow = m_dimFirstRow = m_dimLastRow = 0;
        m_pendingRow = m_pendingCol = 0;
        rereadSst();
        bool read = false;
        try {
            read = findSheetAt(m_sheets[i].position);
            if (read)
                readSheet(false);
        } catch (const Refused &) {
            read = false;
        }
        if (read && workbook::outranks(m_sheet, best.usedRowCount())) {
            best = std::move(m_sheet);
            bestIndex = i;
        }
    }
    if (bestIndex == 0) {
        m_sheet = std::move(first);
        return;
    }
    m_sheet = std::move(best);
    m_book->passedFirstSheet = true;
    m_book->firstSheetName = m_book->sheetName;
    m_book->sheetName = m_sheets[bestIndex].name;
}

bool BiffParser::findSheetAt(std::uint32_t position)
{
    if (position >= m_cursor.size())
        return false;
    m_cursor.seek(position);
    Record r;
    if (!m_cursor.next(&r) || !isBofId(r.id))
        return false;
    // The position must lead to a worksheet's BOF: an offset of 0 finds the globals' own,
    // and reading that as the sheet would show an empty table.
    const std::uint16_t type = r.length >= 4 ? le16(r.data + 2) : std::uint16_t(bofWorksheet);
    return type == bofWorksheet;
}

bool BiffParser::nextSubstream(std::uint16_t *type)
{
    Record r;
    while (m_cursor.next(&r)) {
        if (isBofId(r.id)) {
            *type = r.length >= 4 ? le16(r.data + 2) : std::uint16_t(bofWorksheet);
            return true;
        }
    }
    return false;
}

void BiffParser::skipSubstream()
{
    int depth = 0;
    Record r;
    while (m_cursor.next(&r)) {
        if (isBofId(r.id)) {
            ++depth;
        } else if (r.id == idEof) {
            if (depth == 0)
                return;
            --depth;
        }
    }
}

}

namespace xls {

using biff::BiffParser;
using biff::Failure;
using biff::Refused;

namespace {

QString failureText(Failure failure)
{
    switch (failure) {
    case Failure::NotWorkbook: return QCoreApplication::translate("workbook", "不是Excel工作簿");
    case Failure::Encrypted: return QCoreApplication::translate("workbook", "工作簿已加密");
    case Failure::NoSheet: return QCoreApplication::translate("workbook", "没有工作表");
    case Failure::Corrupt: break;
    }
    return QCoreApplication::translate("workbook", "文件已损坏");
}

// Drops the whole pages of a file mapping from memory; they stay the file's.
void releaseFilePages(const QByteArray &mapping)
{
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t first = (uintptr_t(mapping.constData()) + page - 1) & ~(page - 1);
    const uintptr_t last = (uintptr_t(mapping.constData()) + uintptr_t(mapping.size())) & ~(page - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED);
}

std::unique_ptr<workbook::Workbook> parse(QByteArray &file, const QString &name, bool releaseMappedPages)
{
    BiffStream stream;
    switch (extractBiffStream(file, &stream)) {
    case ContainerResult::Ok: break;
    case ContainerResult::NotWorkbook: workbook::refuse(name, failureText(Failure::NotWorkbook));
    case ContainerResult::Corrupt: workbook::refuse(name, failureText(Failure::Corrupt));
    }
    // A stream copied out of a compound file no longer needs the file: a mapped one gives
    // its pages back, or a 200 MB workbook would be held twice while its cells are built.
    if (releaseMappedPages && stream.bytes.constData() != file.constData())
        releaseFilePages(file);
    // The stream is a copy (or shares the bytes of a file without container): let the file's
    // bytes go before the cells are built, which halves the peak for large workbooks.
    file = QByteArray();
    auto book = std::make_unique<workbook::Workbook>();
    try {
        BiffParser parser(stream, book.get());
        parser.run();
    } catch (const Refused &refused) {
        workbook::refuse(name, failureText(refused.failure));
    }
    return book;
}

std::unique_ptr<workbook::Workbook> readBytes(QByteArray &file, const QString &name,
                                             bool releaseMappedPages = false)
{
    if (file.size() > workbook::MaxFileBytes)
        workbook::refuse(name, workbook::tooLargeReason());
    try {
        return parse(file, name, releaseMappedPages);
    } catch (const std::bad_alloc &) {
        // Whatever was built is gone by now; the user learns why, not that the file is bad.
        workbook::refuse(name, workbook::outOfMemoryReason());
    }
}

}

std::unique_ptr<workbook::Workbook> readWorkbookBytes(const QByteArray &bytes, const QString &name,
                                                      bool releaseMappedPages)
{
    QByteArray shared = bytes;
    return readBytes(shared, name, releaseMappedPages);
}

std::unique_ptr<workbook::Workbook> readWorkbookFile(const QString &path)
{
    QByteArray bytes = workbook::loadFile(path);
    return readBytes(bytes, path);
}

}
