// The Settings menu of the main window: the three settings dialogs, each modal, and what the
// window does once one of them saved new values.

#include "ui/frmccosts.h"
#include "ui/frmmain.h"
#include "ui/frmoptions.h"
#include "ui/frmscosts.h"

#include <QSettings>

namespace dialtally {

void frmMain::ServiceCosts()
{
    frmSCosts dialog({m_settings, m_store.get(), gfUpdateUI}, this);
    dialog.exec();
    ApplySettingsChange();
}

void frmMain::CommunicationCosts()
{
    frmCCosts dialog({m_settings, m_store.get(), gfUpdateUI}, this);
    dialog.exec();
    ApplySettingsChange();
}

// The allowance moves every up time, so the log is read and analysed anew, not only priced.
void frmMain::Options()
{
    frmOptions dialog({m_settings, m_store.get(), gfUpdateUI}, this);
    dialog.exec();
    if (gfUpdateUI) {
        repaint();
        Update();
    }
    gfUpdateUI = false;
}

} // namespace dialtally
