#include "control/logging.h"

#include "control/adapterregistry.h"
#include "control/logger.h"

namespace dialtally {

bool GetLoggingState(const LoggingPlaces& places, bool& on)
{
    const QString key = FindAdapterKey(places.registryFile);
    if (key.isEmpty())
        return false;
    RegValue value;
    if (RegReadValue(places.registryFile, key, QStringLiteral("Logging"), value) != 0)
        return false;
    on = RegValueNumber(value) == 1 && IsLoggerRunning(places);
    return true;
}

bool SetLogging(const LoggingPlaces& places, bool on)
{
    if (!SetAdapterLogging(places.registryFile, on))
        return false;
    if (on) {
        if (!StartLoggerAutorunOn(places))
            return false;
        if (!IsLoggerRunning(places))
            return StartLogger(places);
        return true;
    }
    const bool autorunOff = StartLoggerAutorunOff(places);
    CloseLogger(places);
    return autorunOff;
}

QString MissingAdapterMessage(std::int16_t windowsFamily)
{
    if (windowsFamily == 0)
        return QStringLiteral("This version of ") + QStringLiteral("Dialtally") +
               QStringLiteral(" does not support your Windows version!") + QStringLiteral("\r\n") +
               QStringLiteral("Can't find Dial-Up adapter.");
    return QStringLiteral("Dial-Up Adapter Not Found on Your Computer!") + QStringLiteral("\r\n") +
           QStringLiteral("Please, Check your Network Settings.");
}

QString LoggingSwitchedMessage(bool on)
{
    if (on)
        return QStringLiteral("Logging turned On") + QChar(13) +
               QStringLiteral("You must restart your computer before changes take affekt!");
    return QStringLiteral("Logging turned Off") + QChar(13) +
           QStringLiteral("You must restart computer before changes take affekt!");
}

QString FirstRunLoggingMessage()
{
    return QStringLiteral("Logging turned On!");
}

} // namespace dialtally
