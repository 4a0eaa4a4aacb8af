#pragma once

#include "base/apperror.h"
#include "base/numtext.h"
#include "import/automation.h"
#include "import/excelapp.h"
#include "workbook/xls/xlsreader.h"

#include <QStringList>
#include <QVector>

#include <algorithm>

// Serves "Excel.Application" with our own spreadsheet application over a sheet the test
// writes down as rows of texts ("" is an empty cell, numeric text a number, "#ERR" an error
// cell). `failOpen` makes opening fail as a damaged file does. Restores the real
// application when it goes.
struct SheetServer {
    QVector<QStringList> rows;
    int firstRow = 1;
    bool failOpen = false;
    int opened = 0;

    SheetServer()
    {
        auto &registry = automation::Registry::global();
        registry.remove(QStringLiteral("Excel.Application"));
        excelapp::registerApplication(registry, [this](const QString &path) { return open(path); });
    }

    ~SheetServer()
    {
        auto &registry = automation::Registry::global();
        registry.remove(QStringLiteral("Excel.Application"));
        excelapp::registerApplication(registry);
    }

    std::unique_ptr<workbook::Workbook> open(const QString &path)
    {
        ++opened;
        if (failOpen)
            throw AppError(QStringLiteral("无法打开工作簿 %1：文件已损坏").arg(path));
        auto book = std::make_unique<workbook::Workbook>();
        book->biffVersion = 8;
        for (int r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].size(); ++c) {
                const QString &t = rows[r][c];
                if (t.isEmpty())
                    continue;
                // As the readers do: cells right of the grid are told, not kept.
                if (c + 1 > workbook::GridColumns) {
                    book->cutWidth = std::max(book->cutWidth, c + 1);
                    continue;
                }
                workbook::Cell cell;
                double v = 0;
                if (t == QLatin1String("#ERR")) {
                    cell.type = workbook::CellType::Error;
                    cell.errorCode = 0x07;
                } else if (numtext::toDouble(t, &v)) {
                    cell.type = workbook::CellType::Number;
                    cell.number = v;
                } else {
                    cell.type = workbook::CellType::Text;
                    cell.text = t;
                }
                book->firstSheet.setCell(firstRow + r, c + 1, cell);
            }
        }
        book->firstSheet.setUsedRows(firstRow, firstRow + rows.size() - 1);
        return book;
    }
};

// A table with a name row, a unit row and `dataRows` numeric rows in `columns` columns.
inline QVector<QStringList> measuredTable(int columns, int dataRows)
{
    QVector<QStringList> rows;
    QStringList names, units;
    for (int c = 1; c <= columns; ++c) {
        names << QStringLiteral("量%1").arg(c);
        units << QStringLiteral("u%1").arg(c);
    }
    rows << names << units;
    for (int r = 1; r <= dataRows; ++r) {
        QStringList row;
        for (int c = 1; c <= columns; ++c)
            row << QString::number(r * c);
        rows << row;
    }
    return rows;
}
