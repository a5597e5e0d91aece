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
    bool firstRun = false;
    {
        // Closed again before the main window opens the store for itself.
        const std::unique_ptr<QSettings> store = OpenSettingsStore(places.SettingsFile());
        firstRun = IsFirstRun(store.get());
        if (firstRun) {
            frmWelcome welcome(ShippedFile(QStringLiteral("license.txt")));
            if (welcome.exec() != QDialog::Accepted)
                return nullptr;
            // A store that cannot be written asks again at the next start.
            RecordAgreementAccepted(store.get());
        }
    }
    auto window = std::make_unique<frmMain>(places);
    window->SetFirstRun(firstRun);
    return window;
}

} // namespace dialtally
