#include "ui/exportcommand.h"

#include "analysis/export.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include <QApplication>

namespace dialtally {

void WriteDataFile(frmMain& window)
{
    // Qt's filters match what their patterns say: "*" is every file, "*.*" only names with a dot.
    const QString path = MessageBox::CheckedSaveFileName(&window, QStringLiteral("Write Data File"),
                                                         QStringLiteral("Text (*.txt);;All (*)"));
    if (path.isEmpty())
        return;
    QApplication::processEvents();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar& bar = window.StatBar();
    bar.SetText(QStringLiteral("Writing log data to file.."));
    const SessionRange range = ShownRange(window.Sessions(), window.CurrentStatistics());
    QString error;
    const bool written = ExportText(path, window.Sessions(), range.from, range.to, &error);
    bar.SetText(QString());
    QApplication::restoreOverrideCursor();
    if (written)
        MessageBox::Show(&window, QStringLiteral("Log written successfully!"),
                         MessageBox::Icon::Information);
    else
        MessageBox::Show(&window, QStringLiteral("The data file was not written.\r\n") + error,
                         MessageBox::Icon::Exclamation);
}

} // namespace dialtally
