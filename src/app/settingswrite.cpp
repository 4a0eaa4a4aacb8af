#include "app/settingswrite.h"

#include "app/appstate.h"
#include "app/mainunit.h"
#include "base/apperror.h"
#include "widgets/errorguard.h"
#include "widgets/services.h"

void writeSettings(QWidget *parent, RefusalShown shown, const std::function<void()> &write)
{
    try {
        write();
    } catch (const AppError &refusal) {
        if (app().mainform)
            app().mainform->appendLog(refusal.message());
        if (shown == RefusalShown::InLogAndBox)
            services().showError(parent, withFullStop(refusal.message()));
    }
}
