#include "control/loggingplaces.h"

#include "platform/folders.h"
#include "platform/registry.h"

namespace dialtally {

LoggingPlaces LoggingPlacesFor(const Places& places)
{
    LoggingPlaces logging;
    logging.registryFile = SystemRegistryFile(places.windowsDir);
    logging.loggerProgram = ShippedFile(QStringLiteral("dtallywr"));
    // The logger started from here writes where this program reads; it learns the folder to
    // register in from the environment it inherits, as this program did.
    logging.loggerArguments = {QStringLiteral("--program-dir"), places.programDir,
                               QStringLiteral("--windows-dir"), places.windowsDir};
    logging.workingDir = places.programDir;
    logging.loggerRegistry = places.runtimeDir;
    return logging;
}

} // namespace dialtally
