#include "app/dtallywr/pppdmodes.h"

#include "log/pppdrun.h"
#include "platform/folders.h"
#include "platform/processes.h"

#include <QFile>
#include <cstdio>
#include <unistd.h>

namespace dialtally {
namespace {

HandoverFiles FilesOf(const Places& places)
{
    EnsureFolder(places.windowsDir);
    return HandoverFiles::InFolder(QFile::encodeName(places.windowsDir).toStdString());
}

PppdRunOptions RunOptions(const AdapterWording& wording)
{
    PppdRunOptions options;
    options.wording = wording;
    options.report = [](const std::string& problem) {
        PrintProblem(QString::fromLocal8Bit(problem.c_str()));
    };
    return options;
}

// A whole number from pppd's environment; empty when it is not set or not a number.
std::optional<qint64> Number(const QProcessEnvironment& environment, const char* name)
{
    bool ok = false;
    const qint64 value = environment.value(QLatin1String(name)).trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

void PrintProblem(const QString& message)
{
    std::fprintf(stderr, "dtallywr: %s\n", message.toLocal8Bit().constData());
}

bool PppdWording(const Places& places, AdapterLanguage language, AdapterWording& wording)
{
    if (places.dialect == Dialect::Other) {
        PrintProblem(QStringLiteral("the update reads no adapter lines on this system (--system "
                                    "other); choose --system 95 or 98 for the pppd source"));
        return false;
    }
    if (places.dialect == Dialect::Windows95 && language != AdapterLanguage::English) {
        PrintProblem(QStringLiteral("the Windows 95 adapter writes English only"));
        return false;
    }
    wording = {places.dialect, language};
    return true;
}

std::unique_ptr<SourceTranslator> MakePppdTranslator(const AdapterWording& wording)
{
    return std::make_unique<PppdSourceTranslator>(wording, LocalNow, [](const std::string& text) {
        PrintProblem(QString::fromLocal8Bit(text.c_str()));
    });
}

int RunPppdOnce(const QStringList& sources, const Places& places, const AdapterWording& wording)
{
    std::vector<std::string> paths;
    for (const QString& source : sources)
        paths.push_back(QFile::encodeName(source).toStdString());
    PppdRunResult result;
    std::string problem;
    const bool ok =
        ReadPppdSourcesOnce(FilesOf(places), paths, RunOptions(wording), &result, &problem);
    if (!ok) {
        PrintProblem(QString::fromLocal8Bit(problem.c_str()));
        return 1;
    }
    std::printf("%lld lines read, %lld of them pppd's; %d connections delivered, %d delivered "
                "before",
                static_cast<long long>(result.lines), static_cast<long long>(result.pppdLines),
                result.delivered, result.already);
    if (result.dropped > 0)
        std::printf(", %d without a known start left out", result.dropped);
    std::printf("\n");
    return 0;
}

int FollowPppdStandardInput(const Places& places, const AdapterWording& wording,
                            const volatile std::sig_atomic_t& closeRequested)
{
    LoggerRegistration registration;
    QString error;
    PppdRunResult result;
    std::string problem;
    bool registered = false;
    const bool ok = FollowPppdStream(
        STDIN_FILENO, FilesOf(places), false,
        [&] {
            // Registered once the logger lock is held, so that the logging control sees it.
            if (!registered) {
                registered = true;
                if (!registration.Register(places.runtimeDir, &error))
                    PrintProblem(error);
            }
            return closeRequested != 0;
        },
        RunOptions(wording), &result, &problem);
    if (!ok) {
        PrintProblem(QString::fromLocal8Bit(problem.c_str()));
        return 1;
    }
    return 0;
}

int RunPppHook(const QString& phase, const QProcessEnvironment& environment, const Places& places,
               const AdapterWording& wording)
{
    // The connection is written whole when it ends; at up there is nothing to write yet.
    if (phase == QLatin1String("up"))
        return 0;
    if (phase != QLatin1String("down")) {
        PrintProblem(QStringLiteral("--ppp-hook takes up or down"));
        return 2;
    }
    const auto connectTime = Number(environment, "CONNECT_TIME");
    const auto sent = Number(environment, "BYTES_SENT");
    const auto received = Number(environment, "BYTES_RCVD");
    if (!connectTime || !sent || !received) {
        PrintProblem(QStringLiteral("CONNECT_TIME, BYTES_SENT and BYTES_RCVD are not set: run "
                                    "--ppp-hook down from pppd's ip-down script"));
        return 2;
    }
    PppHookValues values;
    values.pid =
        Number(environment, "PPPD_PID").value_or(AncestorProcessNamed(QStringLiteral("pppd")));
    values.connectSeconds = *connectTime;
    values.sent = static_cast<std::uint64_t>(*sent);
    values.received = static_cast<std::uint64_t>(*received);
    bool delivered = false;
    std::string problem;
    if (!DeliverPppHook(FilesOf(places), values, LocalNow(), RunOptions(wording), &delivered,
                        &problem)) {
        PrintProblem(QString::fromLocal8Bit(problem.c_str()));
        return 1;
    }
    return 0;
}

} // namespace dialtally
