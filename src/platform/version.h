#pragma once

#include <QString>

namespace dialtally {

// The product's name, version and revision: the About dialog and every program's --version show
// them, and the package takes its version from here.
inline constexpr char kProductName[] = "Dialtally";
inline constexpr char kProductVersion[] = "1.75";
inline constexpr char kProductRevision[] = "b";

// "dialtally-cli (Dialtally) 1.75, revision b" for --version, with a line end.
inline QString VersionText(const char* program)
{
    return QStringLiteral("%1 (%2) %3, revision %4\n")
        .arg(QLatin1String(program), QLatin1String(kProductName), QLatin1String(kProductVersion),
             QLatin1String(kProductRevision));
}

} // namespace dialtally
