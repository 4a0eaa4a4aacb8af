#include "import/excelapp.h"

#include "import/opennotes.h"
#include "workbook/open.h"

// Kept apart from the object model so that code using a different opener does not pull
// in the file readers.
namespace excelapp {

void registerApplication(automation::Registry &registry)
{
    registerApplication(registry, [](const QString &path) {
        opennotes::clear();
        std::unique_ptr<workbook::Workbook> book = workbook::openFile(path);
        opennotes::record(*book);
        return book;
    });
}

}
