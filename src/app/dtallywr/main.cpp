// dtallywr: the companion logger. It follows the dial-up adapter's diagnostic log and appends its
// lines to the data file that the log update consumes; or it takes pppd's connections from
// syslog, the journal or pppd's hooks and writes them as the adapter would have.

#include "app/dtallywr/pppdmodes.h"
#include "log/companion.h"
#include "log/loggersource.h"
#include "platform/autorun.h"
#include "platform/folders.h"
#include "platform/places.h"
#include "platform/processes.h"
#include "platform/version.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>

using namespace dialtally;

namespace {

volatile std::sig_atomic_t g_closeRequested = 0;
// How long a closing logger keeps trying to write what it has read; the logging control waits
// five seconds for a logger to go.
constexpr qint64 kCloseMilliseconds = 4000;

extern "C" void RequestClose(int)
{
    g_closeRequested = 1;
}

const char kHelp[] =
    "Usage: dtallywr [--program-dir DIR] [--windows-dir DIR] [--runtime-dir DIR]\n"
    "                [--source FILE] [--from-start] [--poll-ms N]\n"
    "                [--source-format adapter|pppd] [--language L]\n"
    "       dtallywr --source-format pppd --once FILE...\n"
    "       dtallywr --ppp-hook up|down\n"
    "       dtallywr /autorun on|off\n"
    "       dtallywr --version\n"
    "\n"
    "Follows the dial-up adapter's diagnostic log (default PPPLOG.TXT in the Windows folder)\n"
    "and appends every new line to Dtally.dat in the Windows folder, until it is closed\n"
    "(SIGTERM, or a close request from Dialtally); a line without its line end is written\n"
    "then too. It keeps its place in the log in Dtally.pos and goes on from there when it\n"
    "starts again; a log that was replaced or emptied meanwhile is read from its beginning.\n"
    "Only one logger runs for one Windows folder; a second one ends at once.\n"
    "\n"
    "With --source-format pppd it follows pppd's messages instead (a syslog file, pppd's own\n"
    "logfile, or standard input with --source -) and writes each finished connection as the\n"
    "adapter's lines of the --system dialect and --language, with the connection's times. The\n"
    "ledger Dtally.ppp keeps every connection delivered, so that none is written twice.\n"
    "Without options the source, its format and the language come from Dtallywr.ini in the\n"
    "Windows folder (dialtally-cli setup-pppd writes it).\n"
    "\n"
    "  --windows-dir DIR      where Dtally.dat goes (default $DIALTALLY_WINDOWS_DIR, else the\n"
    "                         program folder's \"windows\")\n"
    "  --runtime-dir DIR      where running loggers register (default $DIALTALLY_RUNTIME_DIR,\n"
    "                         else $XDG_RUNTIME_DIR/dialtally)\n"
    "  --source FILE          the log to follow; - is standard input\n"
    "  --source-format F      adapter: the adapter's log (default); pppd: pppd's messages\n"
    "  --language L           en, fi, nl, es or it: the adapter's language for pppd's\n"
    "                         connections (default en; Windows 98 only)\n"
    "  --once                 pppd only: read the sources (--source or the files named after\n"
    "                         the options; plain or gzip-compressed, in the order given, oldest\n"
    "                         first) to their end, write every finished connection and exit\n"
    "  --ppp-hook up|down     from pppd's ip-up.d and ip-down.d scripts: at down, write the\n"
    "                         connection that pppd's environment describes\n"
    "  --from-start           when no place is kept yet, read a log that already exists from\n"
    "                         its beginning, not its end (always so for pppd's messages)\n"
    "  --poll-ms N            how often to look for new lines (default 200)\n"
    "  /autorun on            start the logger at login (XDG autostart entry) and exit\n"
    "  /autorun off           remove that entry and exit\n";

void Problem(const QString& message)
{
    PrintProblem(message);
}

// Without SA_RESTART, so that a close request also ends a wait for input.
void InstallCloseHandlers()
{
    struct sigaction action = {};
    action.sa_handler = RequestClose;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void SleepMilliseconds(int milliseconds)
{
    timespec delay{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    // A signal ends the sleep early, which is what a close request wants.
    ::nanosleep(&delay, nullptr);
}

int SwitchAutorun(const QString& entryPath, const QString& state, const QStringList& followArgs)
{
    QString error;
    if (state == QLatin1String("on")) {
        const QString program = QDir(ExecutableFolder()).filePath(QStringLiteral("dtallywr"));
        if (!EnableAutorun(entryPath, program, followArgs, &error)) {
            Problem(error);
            return 1;
        }
        return 0;
    }
    if (state == QLatin1String("off")) {
        if (!DisableAutorun(entryPath, &error)) {
            Problem(error);
            return 1;
        }
        return 0;
    }
    Problem(QStringLiteral("/autorun takes on or off"));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString error;
    Places places;
    if (!ResolvePlaces(args, QProcessEnvironment::systemEnvironment(), places, &error)) {
        Problem(error);
        return 2;
    }

    QStringList sources;
    QString autorun;
    QString pppHook;
    std::optional<SourceFormat> format;
    std::optional<AdapterLanguage> language;
    bool fromStart = false;
    bool once = false;
    int pollMs = 200;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const bool hasNext = i + 1 < args.size();
        if (arg == QLatin1String("--help") || arg == QLatin1String("/?")) {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == QLatin1String("--version")) {
            std::fputs(qPrintable(VersionText("dtallywr")), stdout);
            return 0;
        } else if (arg.compare(QLatin1String("/autorun"), Qt::CaseInsensitive) == 0 && hasNext) {
            autorun = args.at(++i).toLower();
        } else if (arg == QLatin1String("--source") && hasNext) {
            sources << args.at(++i);
        } else if (arg == QLatin1String("--source-format") && hasNext) {
            format = ParseSourceFormat(args.at(++i));
            if (!format) {
                Problem(QStringLiteral("--source-format takes adapter or pppd"));
                return 2;
            }
        } else if (arg == QLatin1String("--language") && hasNext) {
            language = ParseAdapterLanguage(args.at(++i).toStdString());
            if (!language) {
                Problem(QStringLiteral("--language takes en, fi, nl, es or it"));
                return 2;
            }
        } else if (arg == QLatin1String("--once")) {
            once = true;
        } else if (arg == QLatin1String("--ppp-hook") && hasNext) {
            pppHook = args.at(++i);
        } else if (arg == QLatin1String("--from-start")) {
            fromStart = true;
        } else if (arg == QLatin1String("--poll-ms") && hasNext) {
            bool ok = false;
            pollMs = args.at(++i).toInt(&ok);
            if (!ok || pollMs < 1 || pollMs > 60000) {
                Problem(QStringLiteral("--poll-ms takes a number of milliseconds, 1 to 60000"));
                return 2;
            }
        } else if (!arg.startsWith(QLatin1Char('-'))) {
            // Files to read once may follow the options, as a shell pattern gives them.
            sources << arg;
        } else {
            Problem(QStringLiteral("unknown argument %1; try dtallywr --help").arg(arg));
            return 2;
        }
    }

    const QString& windowsDir = places.windowsDir;
    // What the command line leaves open comes from the logger's settings in the Windows folder.
    const std::optional<LoggerSource> settings = ReadLoggerSource(windowsDir, &error);
    if (!error.isEmpty())
        Problem(error);
    if (!format)
        format = settings ? settings->format : SourceFormat::Adapter;
    if (!language)
        language = settings ? settings->language : AdapterLanguage::English;
    if (sources.isEmpty() && settings && !settings->path.isEmpty())
        sources << settings->path;
    if (sources.isEmpty())
        sources << QDir(windowsDir).filePath(QStringLiteral("PPPLOG.TXT"));
    for (QString& source : sources) {
        if (source != QLatin1String("-"))
            source = QFileInfo(source).absoluteFilePath();
    }
    const bool pppd = *format == SourceFormat::Pppd;

    if (!autorun.isEmpty()) {
        // The entry names the folders, the source and its format as they are now, so that the
        // logger started at login writes where this one would.
        QStringList follow = {QStringLiteral("--windows-dir"), windowsDir,
                              QStringLiteral("--source"), sources.first()};
        if (pppd)
            follow << QStringLiteral("--source-format") << QStringLiteral("pppd")
                   << QStringLiteral("--language") << AdapterLanguageCode(*language);
        return SwitchAutorun(places.AutostartEntry(), autorun, follow);
    }
    if ((once || sources.contains(QStringLiteral("-"))) && !pppd) {
        Problem(QStringLiteral("--once and --source - need --source-format pppd"));
        return 2;
    }
    if (sources.size() > 1 && !once) {
        Problem(QStringLiteral("several sources need --once"));
        return 2;
    }
    AdapterWording wording;
    if ((pppd || !pppHook.isEmpty()) && !PppdWording(places, *language, wording))
        return 2;
    if (!pppHook.isEmpty())
        return RunPppHook(pppHook, QProcessEnvironment::systemEnvironment(), places, wording);
    if (once)
        return RunPppdOnce(sources, places, wording);
    const QString source = sources.first();

    if (!EnsureFolder(windowsDir, &error))
        Problem(error);
    const HandoverFiles files =
        HandoverFiles::InFolder(QFile::encodeName(windowsDir).toStdString());
    if (source == QLatin1String("-")) {
        InstallCloseHandlers();
        return FollowPppdStandardInput(places, wording, g_closeRequested);
    }
    // pppd's messages are read from the beginning: the ledger drops what was delivered before.
    CompanionLogger logger(
        QFile::encodeName(source).toStdString(), files, fromStart || pppd,
        [](const std::string& problem) { Problem(QString::fromLocal8Bit(problem.c_str())); },
        pppd ? MakePppdTranslator(wording) : nullptr);
    // Before anything else: a second logger for the same data file must leave every file alone.
    std::string refusal;
    if (!logger.Start(&refusal)) {
        Problem(QString::fromLocal8Bit(refusal.c_str()));
        return 1;
    }

    InstallCloseHandlers();

    LoggerRegistration registration;
    if (!registration.Register(places.runtimeDir, &error)) {
        Problem(error);
        return 1;
    }

    // While the data file cannot be written the logger waits longer and longer between tries
    // instead of spinning; the lines wait in memory and reading stops behind them.
    RetryPause retry{std::chrono::milliseconds(pollMs)};
    while (!g_closeRequested) {
        if (logger.Poll()) {
            retry.Reset();
            if (logger.CaughtUp())
                SleepMilliseconds(pollMs);
        } else {
            EnsureFolder(windowsDir);
            SleepMilliseconds(int(retry.Next().count()));
        }
    }
    // Everything read so far, the unfinished last line too, is written before the logger ends;
    // a data file that stays unwritable gets a few more tries.
    RetryPause closing{std::chrono::milliseconds(100)};
    QElapsedTimer timer;
    timer.start();
    while (!logger.Finish() && timer.elapsed() < kCloseMilliseconds) {
        // Not caught up: more to read at once. Otherwise a delivery failed.
        if (logger.HasPending() || logger.CaughtUp())
            SleepMilliseconds(int(closing.Next().count()));
    }
    if (logger.HasPending()) {
        Problem(QStringLiteral("lines could not be written to \"%1\"")
                    .arg(QFile::decodeName(files.data.c_str())));
        return 1;
    }
    return 0;
}
