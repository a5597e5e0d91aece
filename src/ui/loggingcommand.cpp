#include "ui/loggingcommand.h"

#include "control/logging.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"
#include "ui/picturebox.h"
#include "ui/twips.h"

#include <QApplication>

namespace dialtally {
namespace {

void SayAdapterMissing(frmMain& window, const Places& places)
{
    MessageBox::Show(&window, MissingAdapterMessage(WindowsFamily(places)),
                     MessageBox::Icon::Information);
}

// Starting or closing the logger takes a moment.
bool SwitchLogging(const LoggingPlaces& logging, bool on)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool switched = SetLogging(logging, on);
    QApplication::restoreOverrideCursor();
    return switched;
}

} // namespace

void RunLoggingCommand(frmMain& window, const Places& places)
{
    const LoggingPlaces logging = LoggingPlacesFor(places);
    bool on = false;
    if (!GetLoggingState(logging, on)) {
        SayAdapterMissing(window, places);
        return;
    }
    if (!SwitchLogging(logging, !on))
        return;
    window.SetLoggingDisplay(!on);
    MessageBox::Show(&window, LoggingSwitchedMessage(!on), MessageBox::Icon::Information);
}

void CheckLoggingAtStartUp(frmMain& window, const Places& places, bool firstRun)
{
    const LoggingPlaces logging = LoggingPlacesFor(places);
    bool on = false;
    if (!GetLoggingState(logging, on)) {
        SayAdapterMissing(window, places);
        window.SetLoggingDisplay(false);
    } else if (on) {
        window.SetLoggingDisplay(true);
    } else if (firstRun) {
        const bool switched = SwitchLogging(logging, true);
        window.SetLoggingDisplay(switched);
        if (switched)
            MessageBox::Show(&window, FirstRunLoggingMessage(), MessageBox::Icon::Information);
    } else {
        window.SetLoggingDisplay(false);
    }
}

void DrawLoggingIndicator(PictureBox& indicator, const TwipsScale& scale, bool on)
{
    const QString text = on ? QStringLiteral("Logging On") : QStringLiteral("Logging Off");
    indicator.CreatePicture(on ? QColor(0, 255, 0) : QColor(255, 0, 0), scale.TwipsPerPixelX(),
                            scale.TwipsPerPixelY());
    PictureSurface& surface = *indicator.Surface();
    const QFont font = indicator.font();
    surface.SetFont(font);
    if (font.pointSizeF() > 0)
        surface.SetFontSize(font.pointSizeF());
    surface.SetForeColor(Qt::black);
    surface.SetCurrentX(surface.Width() / 2 - surface.TextWidth(text) / 1.8);
    surface.SetCurrentY(surface.Height() / 2 - surface.TextHeight(text) / 1.6);
    surface.Print(text);
    surface.Refresh();
    indicator.setAccessibleName(text);
}

} // namespace dialtally
