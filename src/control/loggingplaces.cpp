#include "control/loggingplaces.h"

#include "platform/folders.h"
#include "platform/registry.h"

namespace dialtally {

LoggingPlaces LoggingPlacesFor(const Places& places)
{
    LoggingPlaces logging;
    logging.registryFile = SystemRegistryFile(places.windowsDir);
    logging.loggerProgram = ShippedFile(QStringLiteral("dtallywr"));
    // The logger started from here writes where this program reads and registers where this
    // program looks for it, whatever its environment.
    logging.loggerArguments = {QStringLiteral("--program-dir"), places.programDir,
                               QStringLiteral("--windows-dir"), places.windowsDir,
                               QStringLiteral("--runtime-dir"), places.runtimeDir};
    logging.workingDir = places.programDir;
    logging.loggerRegistry = places.runtimeDir;
    return logging;
}

} // namespace dialtally
