#include "platform/system.h"

namespace dialtally {

std::optional<Dialect> ParseSystemName(const QString& name)
{
    if (name == QLatin1String("95"))
        return Dialect::Windows95;
    if (name == QLatin1String("98"))
        return Dialect::Windows98;
    if (name == QLatin1String("other"))
        return Dialect::Other;
    return std::nullopt;
}

} // namespace dialtally
