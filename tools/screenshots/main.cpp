// Renders each page of the main window and each settings dialog on the data of the given folders
// to PNG files, on the offscreen platform, for the README and for looking at the layout without a
// desktop.
//
//   dialtally-screenshots OUTDIR [--program-dir DIR] [--windows-dir DIR] [--system 95|98|other]

#include "analysis/firstrun.h"
#include "platform/folders.h"
#include "platform/places.h"
#include "ui/frmabout.h"
#include "ui/frmccosts.h"
#include "ui/frmmain.h"
#include "ui/frmoptions.h"
#include "ui/frmscosts.h"
#include "ui/frmwelcome.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QPixmap>
#include <QSettings>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    // The pictures are the same with or without a desktop.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtally"));

    QStringList args = QApplication::arguments();
    QString error;
    dialtally::Places places;
    if (!dialtally::ResolvePlaces(args, QProcessEnvironment::systemEnvironment(), places, &error)) {
        std::fprintf(stderr, "dialtally-screenshots: %s\n", qPrintable(error));
        return 2;
    }
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: dialtally-screenshots OUTDIR [--program-dir DIR] "
                             "[--windows-dir DIR] [--system 95|98|other]\n");
        return 2;
    }
    const QDir outDir(args[1]);
    if (!dialtally::EnsureFolder(outDir.absolutePath(), &error)) {
        std::fprintf(stderr, "dialtally-screenshots: %s\n", qPrintable(error));
        return 1;
    }

    // The pictures show a program that has run before: no agreement, no first switch of logging,
    // and no message box waiting for an answer that nobody gives.
    if (const std::unique_ptr<QSettings> store =
            dialtally::OpenSettingsStore(places.SettingsFile()))
        dialtally::MarkFirstRunDone(*store);
    dialtally::MessageBox::SetAutoAnswer(dialtally::MessageBox::Answer::Ok);
    dialtally::frmMain window(places);
    window.show();
    window.FirstActivation();
    const char* const names[] = {"connection-log.png", "statistics.png", "monthly-summary.png"};
    for (int page = 0; page < 3; ++page) {
        window.ShowPage(page);
        QApplication::processEvents();
        const QString path = outDir.absoluteFilePath(QString::fromLatin1(names[page]));
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "dialtally-screenshots: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }

    // The settings dialogs as they open on the same settings; nothing is saved.
    std::unique_ptr<QSettings> store;
    dialtally::LoadedSettings settings = dialtally::LoadUserSettings(places.SettingsFile(), store);
    bool updateFlag = false;
    const dialtally::SettingsEdit edit{settings, store.get(), updateFlag};
    dialtally::frmCCosts communication(edit, &window);
    dialtally::frmSCosts service(edit, &window);
    dialtally::frmOptions options(edit, &window);
    dialtally::frmWelcome welcome(dialtally::ShippedFile(QStringLiteral("license.txt")), &window);
    dialtally::frmAbout about(window.findChild<QAction*>(QStringLiteral("mnuEditLog")), &window);
    const std::pair<QWidget*, const char*> dialogs[] = {{&communication, "communication-costs.png"},
                                                        {&service, "service-costs.png"},
                                                        {&options, "options.png"},
                                                        {&welcome, "welcome.png"},
                                                        {&about, "about.png"}};
    for (const auto& [dialog, name] : dialogs) {
        dialog->show();
        QApplication::processEvents();
        const QString path = outDir.absoluteFilePath(QString::fromLatin1(name));
        if (!dialog->grab().save(path)) {
            std::fprintf(stderr, "dialtally-screenshots: cannot write %s\n", qPrintable(path));
            return 1;
        }
        dialog->hide();
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
