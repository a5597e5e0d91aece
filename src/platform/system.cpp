#include "platform/system.h"

namespace dialtally {
namespace {

constexpr std::int16_t kDefaultFamily = 2;

std::optional<std::int16_t>& Override()
{
    static std::optional<std::int16_t> family;
    return family;
}

} // namespace

std::optional<std::int16_t> ParseSystemName(const QString& name)
{
    if (name == QLatin1String("95"))
        return 1;
    if (name == QLatin1String("98"))
        return 2;
    if (name == QLatin1String("other"))
        return 0;
    return std::nullopt;
}

std::int16_t WindowsFamily()
{
    if (Override())
        return *Override();
    if (const auto family = ParseSystemName(qEnvironmentVariable("DIALTALLY_SYSTEM")))
        return *family;
    return kDefaultFamily;
}

bool TakeSystemOption(QStringList& args, QString* error)
{
    const QString name = QStringLiteral("--system");
    for (int i = 0; i < args.size();) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--"))
            break;
        QString value;
        if (arg == name) {
            if (i + 1 >= args.size()) {
                if (error)
                    *error = QStringLiteral("option --system needs 95, 98 or other");
                return false;
            }
            value = args.at(i + 1);
            args.remove(i, 2);
        } else if (arg.startsWith(name + QLatin1Char('='))) {
            value = arg.mid(name.size() + 1);
            args.removeAt(i);
        } else {
            ++i;
            continue;
        }
        const auto family = ParseSystemName(value);
        if (!family) {
            if (error)
                *error = QStringLiteral("unknown system \"%1\"; use 95, 98 or other").arg(value);
            return false;
        }
        Override() = family;
    }
    return true;
}

void SetSystemOverride(std::optional<std::int16_t> family)
{
    Override() = family;
}

} // namespace dialtally
