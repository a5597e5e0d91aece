#include "app/cli/cliargs.h"

#include <cstdio>

namespace dialtally {

bool CommandArgs::Parse(const QStringList& args, std::initializer_list<OptionSpec> specs,
                        QString* error)
{
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            m_positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? arg : arg.left(equals);
        if (name == QLatin1String("--help")) {
            m_values[name] = QString();
            continue;
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& candidate : specs) {
            if (candidate.name == name)
                spec = &candidate;
        }
        if (!spec) {
            *error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        if (!spec->takesValue) {
            if (equals >= 0) {
                *error = QStringLiteral("option %1 takes no value").arg(name);
                return false;
            }
            m_values[name] = QString();
        } else if (equals >= 0) {
            m_values[name] = arg.mid(equals + 1);
        } else if (i + 1 < args.size()) {
            m_values[name] = args.at(++i);
        } else {
            *error = QStringLiteral("option %1 needs a value").arg(name);
            return false;
        }
    }
    return true;
}

QString CommandArgs::Value(const QString& name) const
{
    const auto it = m_values.find(name);
    return it == m_values.end() ? QString() : it->second;
}

void PrintOut(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintOut(const QString& text)
{
    PrintOut(std::string_view(text.toUtf8()));
}

void PrintError(const QString& message)
{
    const QByteArray line = QStringLiteral("dialtally-cli: %1\n").arg(message).toUtf8();
    std::fwrite(line.data(), 1, static_cast<std::size_t>(line.size()), stderr);
}

void PrintMessage(const QString& message)
{
    PrintError(QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

int UsageError(const QString& message)
{
    PrintError(message);
    return kExitUsage;
}

int FileFailure(const QString& message)
{
    PrintError(message);
    return kExitFailure;
}

} // namespace dialtally
