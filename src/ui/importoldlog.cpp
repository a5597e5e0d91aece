#include "ui/importoldlog.h"

#include "log/oldlogimport.h"
#include "ui/messagebox.h"

#include <QApplication>

namespace dialtally {
namespace {

const QString kQuestion =
    QStringLiteral("An old log which is incompatible with this version of Dialtally has been "
                   "found on your system.\r\n\r\nDo you want to convert the old log to the new "
                   "format?");
const QString kRemoveWarning =
    QStringLiteral("This action will remove the old log from your system without importing it.");
const QString kReadFailed =
    QStringLiteral("Error occured while reading old log!\r\nOld log not imported.");
const QString kAppendFailed =
    QStringLiteral("Error occured while appending imported log to new log!\r\nOld log not "
                   "imported.");
const QString kFailed =
    QStringLiteral("Error occured while importing old log!\r\nAction not completed successfully.");
const QString kImported = QStringLiteral("Old log imported successfully\r\n");

// The start-up shows the wait cursor; a question is answered with the usual pointer.
class PointerWhileAsking {
public:
    PointerWhileAsking() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~PointerWhileAsking() { QApplication::restoreOverrideCursor(); }
    PointerWhileAsking(const PointerWhileAsking&) = delete;
    PointerWhileAsking& operator=(const PointerWhileAsking&) = delete;
};

MessageBox::Answer Ask(QWidget* parent, const QString& text, bool yesNoCancel)
{
    PointerWhileAsking pointer;
    return yesNoCancel ? MessageBox::AskYesNoCancel(parent, text)
                       : MessageBox::Show(parent, text, MessageBox::Icon::Question);
}

void Warn(QWidget* parent, const QString& text)
{
    PointerWhileAsking pointer;
    MessageBox::Show(parent, text, MessageBox::Icon::Exclamation);
}

// Yes: converts, and tells how it went. False when the progress text must stay as it is.
bool Convert(QWidget* parent, const UpdateSettings& settings, ProgressBar& bar)
{
    const ImportReport report = ImportOldLogFile(settings, &bar);
    switch (report.outcome) {
    case ImportOutcome::Imported: {
        PointerWhileAsking pointer;
        MessageBox::Show(parent, kImported, MessageBox::Icon::Information);
        return true;
    }
    case ImportOutcome::NoOldLog:
        return true;
    case ImportOutcome::ReadFailed:
        Warn(parent, kReadFailed);
        return true;
    case ImportOutcome::AppendFailed:
        Warn(parent, kAppendFailed);
        return false;
    case ImportOutcome::Failed:
        Warn(parent, kFailed);
        return true;
    }
    return true;
}

} // namespace

void ImportOldLog(QWidget* parent, const Places& places, ProgressBar& bar)
{
    const UpdateSettings settings = UpdateSettingsFor(places);
    // An import cut short at the last start is settled before anything is asked.
    if (!FinishInterruptedImport(settings)) {
        Warn(parent, kFailed);
        return;
    }
    for (;;) {
        if (!OldLogExists(places.programDir))
            return;
        switch (Ask(parent, kQuestion, true)) {
        case MessageBox::Answer::Yes:
            if (Convert(parent, settings, bar))
                bar.SetText(QString());
            return;
        case MessageBox::Answer::No:
            // Cancel here asks the first question again.
            if (Ask(parent, kRemoveWarning, false) != MessageBox::Answer::Ok)
                continue;
            if (!DiscardOldLog(settings))
                Warn(parent, kFailed);
            bar.SetText(QString());
            return;
        default:
            // The question comes again at the next start.
            bar.SetText(QString());
            return;
        }
    }
}

} // namespace dialtally
