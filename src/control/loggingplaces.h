#pragma once

#include "platform/places.h"

#include <QString>
#include <QStringList>

namespace dialtally {

// What the logging control switches and where it finds it: the emulated system's registry, the
// companion logger's program and the folder in which running loggers register.
struct LoggingPlaces {
    QString registryFile;        // "SYSTEM.REG" in the Windows folder
    QString loggerProgram;       // "dtallywr" beside the executables; empty when it is missing
    QStringList loggerArguments; // the folders the started logger is to write to
    QString workingDir;          // the program folder
    QString loggerRegistry;      // Places::runtimeDir
};

LoggingPlaces LoggingPlacesFor(const Places& places);

} // namespace dialtally
