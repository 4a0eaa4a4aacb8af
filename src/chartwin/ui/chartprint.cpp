#include "chartwin/ui/chartprint.h"

#include "chartwin/chartpage.h"
#include "report/reportprinter.h"

int printReport(const ChartPage &page, QString *printer)
{
    return printReport(page.report(), printer);
}
