#include "import/excelapp.h"

#include "workbook/open.h"

// Kept apart from the object model so that code using a different opener does not pull
// in the file readers.
namespace excelapp {

void registerApplication(automation::Registry &registry)
{
    // Delimited text comes as typed columns, which the read takes into the store as they are.
    registerApplication(registry, [](const QString &path) {
        return workbook::openFile(path, {}, workbook::TextAs::Columns);
    });
}

}
