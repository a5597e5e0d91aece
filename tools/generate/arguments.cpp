#include "generate/generator.h"

#include <limits>

namespace dialtally {
namespace {

std::nullopt_t Fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

std::optional<std::int64_t> PositiveNumber(const QString& text, std::int64_t max)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 1 || value > max)
        return std::nullopt;
    return value;
}

} // namespace

QString GeneratorHelp()
{
    return QStringLiteral(
        "Usage: dialtally-gen [options]\n"
        "\n"
        "Writes a made-up dial-up adapter log of the Windows 95 or Windows 98 adapter.\n"
        "\n"
        "  --sessions N      number of connections (default 100)\n"
        "  --months M        months they are spread over (default 1)\n"
        "  --start YYYY-MM   first month (default 2024-01)\n"
        "  --dialect 1|2     1 Windows 95, 2 Windows 98 (default 1)\n"
        "  --language L      en, fi, nl, es or it; other than en only with dialect 2\n"
        "  --seed S          the same seed gives the same output (default 1)\n"
        "  --format F        log: adapter lines; dat: the logger's data file;\n"
        "                    seslog: session log records; pppd-syslog: a Linux syslog\n"
        "                    with pppd's messages, up to 12 months, the file's time set to\n"
        "                    its last line (default log)\n"
        "  --out FILE        where to write (default standard output; required for seslog)\n"
        "  --events N        stop after about N recognised lines instead of N sessions\n"
        "  --help            this text\n");
}

std::optional<GeneratorCommand> ParseGeneratorArgs(const QStringList& args, QString* error)
{
    GeneratorCommand command;
    GeneratorOptions& o = command.options;
    std::optional<QString> language;
    constexpr std::int64_t kMaxCount = std::numeric_limits<std::int64_t>::max() / 4;

    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> value;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); name.startsWith(u"--") && eq > 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        }
        if (name == u"--help") {
            command.help = true;
            continue;
        }
        if (!name.startsWith(u"--"))
            return Fail(error, QStringLiteral("unexpected argument \"%1\"").arg(name));
        if (!value) {
            if (i + 1 >= args.size())
                return Fail(error, QStringLiteral("%1 needs a value").arg(name));
            value = args[++i];
        }
        const QString& v = *value;
        const auto bad = [&](const char* expected) {
            return Fail(
                error,
                QStringLiteral("%1: \"%2\" is not %3").arg(name, v, QLatin1String(expected)));
        };

        if (name == u"--sessions") {
            const auto n = PositiveNumber(v, kMaxCount);
            if (!n)
                return bad("a positive number");
            o.sessions = *n;
        } else if (name == u"--months") {
            const auto n = PositiveNumber(v, 1200);
            if (!n)
                return bad("a number of months from 1 to 1200");
            o.months = static_cast<int>(*n);
        } else if (name == u"--start") {
            bool yearOk = false, monthOk = false;
            const int year = v.left(4).toInt(&yearOk);
            const int month = v.mid(5).toInt(&monthOk);
            if (v.size() != 7 || v[4] != u'-' || !yearOk || !monthOk || year < 1900 ||
                year > 9000 || month < 1 || month > 12)
                return bad("a month YYYY-MM from 1900-01");
            o.startYear = year;
            o.startMonth = month;
        } else if (name == u"--dialect") {
            if (v != u"1" && v != u"2")
                return bad("1 or 2");
            o.dialect = v.toInt();
        } else if (name == u"--language") {
            const auto parsed = ParseAdapterLanguage(v.toStdString());
            if (!parsed)
                return bad("one of en, fi, nl, es, it");
            o.language = *parsed;
            language = v;
        } else if (name == u"--seed") {
            bool ok = false;
            o.seed = v.toULongLong(&ok);
            if (!ok)
                return bad("a number");
        } else if (name == u"--format") {
            if (v == u"log")
                o.format = OutputFormat::Log;
            else if (v == u"dat")
                o.format = OutputFormat::Dat;
            else if (v == u"seslog")
                o.format = OutputFormat::SesLog;
            else if (v == u"pppd-syslog")
                o.format = OutputFormat::PppdSyslog;
            else
                return bad("log, dat, seslog or pppd-syslog");
        } else if (name == u"--out") {
            if (v.isEmpty())
                return bad("a file name");
            command.outPath = v;
        } else if (name == u"--events") {
            const auto n = PositiveNumber(v, kMaxCount);
            if (!n)
                return bad("a positive number");
            o.events = *n;
        } else {
            return Fail(error, QStringLiteral("unknown option %1").arg(name));
        }
    }
    if (command.help)
        return command;
    if (language && o.dialect == 1 && o.language != AdapterLanguage::English)
        return Fail(error, QStringLiteral("--language %1 needs --dialect 2: the Windows 95 "
                                          "adapter writes English only")
                               .arg(*language));
    if (o.format == OutputFormat::PppdSyslog && o.months > 12)
        return Fail(error, QStringLiteral("--format pppd-syslog covers at most 12 months: its time "
                                          "stamps carry no year"));
    if (o.format == OutputFormat::SesLog && command.outPath.isEmpty())
        return Fail(error, QStringLiteral("--format seslog needs --out FILE"));
    return command;
}

} // namespace dialtally
