#include "platform/autorun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace dialtally {
namespace {

bool SetError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString QuoteArgument(const QString& argument)
{
    QString escaped = argument;
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = escaped.isEmpty();
    for (QChar c : escaped) {
        if (kReserved.contains(c))
            needsQuotes = true;
    }
    if (!needsQuotes)
        return escaped;
    QString quoted;
    for (QChar c : escaped) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Inside a desktop entry's string value a backslash is itself escaped once more.
QString EscapeValue(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return escaped;
}

} // namespace

QString DesktopExecLine(const QString& program, const QStringList& arguments)
{
    QStringList parts{QuoteArgument(program)};
    for (const QString& argument : arguments)
        parts << QuoteArgument(argument);
    return parts.join(QLatin1Char(' '));
}

bool EnableAutorun(const QString& path, const QString& program, const QStringList& arguments,
                   QString* error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return SetError(error, QStringLiteral("Cannot create the folder of \"%1\".").arg(path));
    const QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Dialtally logger\n"
                       "Comment=Collects the dial-up adapter's log for Dialtally\n"
                       "Exec=%1\n"
                       "Terminal=false\n"
                       "NoDisplay=true\n"
                       "X-GNOME-Autostart-enabled=true\n")
            .arg(EscapeValue(DesktopExecLine(program, arguments)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit())
        return SetError(error,
                        QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
    return true;
}

bool DisableAutorun(const QString& path, QString* error)
{
    if (!QFile::exists(path))
        return true;
    QFile file(path);
    if (!file.remove())
        return SetError(error,
                        QStringLiteral("Cannot remove \"%1\": %2").arg(path, file.errorString()));
    return true;
}

bool IsAutorunEnabled(const QString& path)
{
    return QFile::exists(path);
}

} // namespace dialtally
