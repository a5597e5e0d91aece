#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <map>
#include <string_view>

namespace dialtally {

// Exit statuses of the command-line program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // a file could not be read or written
inline constexpr int kExitUsage = 2;   // unknown command or option, bad argument

struct OptionSpec {
    QString name; // "--json"
    bool takesValue = false;
};

// The options of one command: "--name", "--name VALUE" and "--name=VALUE"; "--help" is always
// known. Anything else that starts with "-" is an error, other words are positional.
class CommandArgs {
public:
    bool Parse(const QStringList& args, std::initializer_list<OptionSpec> specs, QString* error);

    bool Has(const QString& name) const { return m_values.count(name) != 0; }
    QString Value(const QString& name) const;
    const QStringList& Positional() const { return m_positional; }

private:
    std::map<QString, QString> m_values;
    QStringList m_positional;
};

// Output of the program, written as UTF-8.
void PrintOut(std::string_view text);
void PrintOut(const QString& text);
// "dialtally-cli: message" on stderr.
void PrintError(const QString& message);
// A message of the program's own ("Log Cleared.") on stderr, its "\r\n" line breaks as "\n".
void PrintMessage(const QString& message);

int UsageError(const QString& message);
int FileFailure(const QString& message);

} // namespace dialtally
