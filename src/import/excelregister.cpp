#include "import/excelapp.h"

#include "workbook/open.h"

// Kept apart from the object model so that code using a different opener does not pull
// in the file readers.
namespace excelapp {

void registerApplication(automation::Registry &registry)
{
    registerApplication(registry, [](const QString &path) { return workbook::openFile(path); });
}

}
