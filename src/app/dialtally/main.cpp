#include "platform/places.h"
#include "platform/version.h"
#include "ui/frmmain.h"
#include "ui/programicon.h"
#include "ui/startup.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

const char kHelp[] =
    "Usage: dialtally [--program-dir DIR] [--windows-dir DIR] [--system 95|98|other]\n"
    "\n"
    "Dialtally keeps a permanent record of your PPP dial-up connections: their times, bytes,\n"
    "errors and costs.\n"
    "\n"
    "  --program-dir DIR   folder of the session log (default $DIALTALLY_PROGRAM_DIR, else\n"
    "                      $XDG_DATA_HOME/dialtally)\n"
    "  --windows-dir DIR   folder of the logger's data file (default $DIALTALLY_WINDOWS_DIR,\n"
    "                      else the program folder's \"windows\")\n"
    "  --system 95|98|other  the system whose adapter wrote the lines (default 98)\n"
    "  --version           the version, and exit\n"
    "  --help              this text, and exit\n";

} // namespace

int main(int argc, char* argv[])
{
    // Answered without a display.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(qPrintable(dialtally::VersionText("dialtally")), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtally"));
    QApplication::setApplicationVersion(QString::fromLatin1(dialtally::kProductVersion));
    // The desktop entry that starts the program, so that the desktop shows its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("dialtally"));
    QApplication::setWindowIcon(dialtally::ProgramIcon());

    QStringList args = QApplication::arguments();
    QString error;
    dialtally::Places places;
    if (!dialtally::ResolvePlaces(args, QProcessEnvironment::systemEnvironment(), places, &error)) {
        std::fprintf(stderr, "dialtally: %s\n", qPrintable(error));
        return 2;
    }

    // Cancelling the agreement of the first run ends the program here.
    const std::unique_ptr<dialtally::frmMain> window = dialtally::StartMainWindow(places);
    if (!window)
        return 0;
    window->show();
    return QApplication::exec();
}
