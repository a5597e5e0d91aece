#include "generate/generator.h"
#include "generate/pppdsyslog.h"

#include <QDateTime>
#include <QFile>
#include <cstdio>

using namespace dialtally;

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QString error;
    const std::optional<GeneratorCommand> command = ParseGeneratorArgs(args, &error);
    if (!command) {
        std::fprintf(stderr, "dialtally-gen: %s\n", qPrintable(error));
        return 2;
    }
    if (command->help) {
        std::fputs(qPrintable(GeneratorHelp()), stdout);
        return 0;
    }

    std::FILE* out = stdout;
    if (!command->outPath.isEmpty()) {
        out = std::fopen(QFile::encodeName(command->outPath).constData(), "wb");
        if (!out) {
            std::fprintf(stderr, "dialtally-gen: cannot create \"%s\"\n",
                         qPrintable(command->outPath));
            return 1;
        }
    }
    const bool ok = GenerateLog(command->options, out, &error);
    const bool closed = out == stdout || std::fclose(out) == 0;
    // A year-less syslog is dated by its file: the last line's time.
    if (ok && closed && !command->outPath.isEmpty() &&
        command->options.format == OutputFormat::PppdSyslog) {
        const DateTime last =
            GeneratePppdSyslog(command->options, [](std::string_view, DateTime, bool) {
                return true;
            }).lastLine;
        const CivilTime c = ToCivil(last);
        QFile file(command->outPath);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(
                QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second)),
                QFileDevice::FileModificationTime);
    }
    if (!ok || !closed) {
        std::fprintf(stderr, "dialtally-gen: %s\n",
                     qPrintable(ok ? QStringLiteral("cannot write the output") : error));
        return 1;
    }
    return 0;
}
