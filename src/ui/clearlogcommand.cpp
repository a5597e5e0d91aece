#include "ui/clearlogcommand.h"

#include "log/maintenance.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

namespace dialtally {

void ClearLog(frmMain& window)
{
    if (MessageBox::Confirm(&window, kClearLogQuestion) != MessageBox::Answer::Ok)
        return;
    QString error;
    if (!ClearSessionLog(UpdateSettingsFor(window.WindowPlaces()), &error)) {
        window.SetStatus(error);
        return;
    }
    MessageBox::Show(&window, kLogClearedText, MessageBox::Icon::Information);
    window.Update();
    window.ShowSumOfSelection();
}

} // namespace dialtally
