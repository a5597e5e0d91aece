#pragma once

#include "log/adapterphrases.h"

#include <QString>
#include <optional>

namespace dialtally {

// What the companion logger follows when its command line does not say: the file "Dtallywr.ini"
// in the Windows folder, which dialtally-cli setup-pppd writes. So a logger that the program
// starts (the Logging command, the first run, the login) follows pppd's log on a machine that
// was set up for it, and the adapter's "PPPLOG.TXT" anywhere else.
enum class SourceFormat { Adapter, Pppd };

// "adapter" or "pppd"; empty for anything else.
std::optional<SourceFormat> ParseSourceFormat(const QString& name);
QString SourceFormatName(SourceFormat format);
QString AdapterLanguageCode(AdapterLanguage language);

struct LoggerSource {
    SourceFormat format = SourceFormat::Adapter;
    QString path; // empty: "PPPLOG.TXT" in the Windows folder
    // The wording of the adapter lines that a pppd connection becomes (Windows 98 only).
    AdapterLanguage language = AdapterLanguage::English;
};

QString LoggerSourceFile(const QString& windowsDir);
// Empty when there is no such file; a file that cannot be read or holds unknown values gives
// none too, with *error saying why.
std::optional<LoggerSource> ReadLoggerSource(const QString& windowsDir, QString* error = nullptr);
bool WriteLoggerSource(const QString& windowsDir, const LoggerSource& source,
                       QString* error = nullptr);

} // namespace dialtally
