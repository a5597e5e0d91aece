#include "ui/startup.h"

#include "analysis/firstrun.h"
#include "analysis/settings.h"
#include "platform/folders.h"
#include "ui/frmmain.h"
#include "ui/frmwelcome.h"

#include <QSettings>

namespace dialtally {

std::unique_ptr<frmMain> StartMainWindow(const Places& places)
{
    {
        // Closed again before the main window opens the store for itself. A damaged store is of
        // an earlier run.
        const std::unique_ptr<QSettings> store = OpenSettingsStore(places.SettingsFile());
        if (store && IsFirstRun(*store)) {
            frmWelcome welcome(ShippedFile(QStringLiteral("license.txt")));
            if (welcome.exec() != QDialog::Accepted)
                return nullptr;
        }
    }
    return std::make_unique<frmMain>(places);
}

} // namespace dialtally
