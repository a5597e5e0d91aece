#include "control/logger.h"

#include "platform/processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <set>

namespace dialtally {
namespace {

constexpr int kAutorunMs = 10000;
constexpr int kPollMs = 20;
// Loggers that keep appearing while others close cannot hold the close for ever.
constexpr int kCloseRounds = 16;

// A working folder that does not exist yet would stop the start.
QString WorkingDir(const LoggingPlaces& places)
{
    return QDir(places.workingDir).exists() ? places.workingDir : QString();
}

bool SwitchAutorun(const LoggingPlaces& places, const QString& state)
{
    // Waited for, so that a quick off and on cannot end in the wrong order.
    const std::optional<int> status =
        RunProcess(places.loggerProgram,
                   places.loggerArguments + QStringList{QStringLiteral("/autorun"), state},
                   WorkingDir(places), kAutorunMs);
    return status == 0;
}

} // namespace

bool StartLoggerAutorunOn(const LoggingPlaces& places)
{
    return SwitchAutorun(places, QStringLiteral("on"));
}

bool StartLoggerAutorunOff(const LoggingPlaces& places)
{
    return SwitchAutorun(places, QStringLiteral("off"));
}

bool StartLogger(const LoggingPlaces& places)
{
    if (!StartProcess(places.loggerProgram, places.loggerArguments, WorkingDir(places)))
        return false;
    // The logger registers a moment after it starts; until then a search would miss it and a
    // second switch-on would start another.
    QElapsedTimer waited;
    waited.start();
    while (!IsLoggerRunning(places)) {
        if (waited.elapsed() > kLoggerRegistrationMs)
            return false;
        QThread::msleep(kPollMs);
    }
    return true;
}

bool IsLoggerRunning(const LoggingPlaces& places)
{
    return FindLoggerWindow(places.loggerRegistry).has_value();
}

bool CloseLogger(const LoggingPlaces& places)
{
    std::set<qint64> asked;
    bool closed = false;
    for (int round = 0; round < kCloseRounds; ++round) {
        bool askedOne = false;
        for (const LoggerWindow& window : FindLoggerWindows(places.loggerRegistry)) {
            if (!asked.insert(window.pid).second)
                continue;
            askedOne = true;
            closed = CloseLoggerWindow(window, kLoggerCloseMs) || closed;
        }
        if (!askedOne)
            break;
    }
    return closed;
}

} // namespace dialtally
