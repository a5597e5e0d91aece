#include "generate/generator.h"
#include "generate/pppdsyslog.h"
#include "log/adapterline.h"
#include "log/pppd.h"
#include "log/sessionlog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace dialtally;

Q_DECLARE_METATYPE(dialtally::OutputFormat)
Q_DECLARE_METATYPE(dialtally::AdapterLanguage)

namespace {

QByteArray Generate(const GeneratorOptions& options)
{
    QByteArray bytes;
    GenerateLog(options, [&](std::string_view block) {
        bytes.append(block.data(), static_cast<qsizetype>(block.size()));
        return true;
    });
    return bytes;
}

EventList EventsOf(const QByteArray& seslog)
{
    EventList events;
    for (qsizetype at = 0; at + 14 <= seslog.size(); at += 14)
        events.push_back(DecodeRecord(reinterpret_cast<const unsigned char*>(seslog.data() + at)));
    return events;
}

QList<QByteArray> LinesOf(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestGenerator : public QObject {
    Q_OBJECT

private slots:
    void sameSeedSameBytes_data();
    void sameSeedSameBytes();
    void textFraming_data();
    void textFraming();
    void sessionLogBuildsSessions_data();
    void sessionLogBuildsSessions();
    void eventCountEndsTheLog();
    void linesAreRecognisedAsGenerated_data();
    void linesAreRecognisedAsGenerated();
    void badArguments_data();
    void badArguments();
    void commandLine();
    void pppdSyslogTellsItsConnections();
};

void TestGenerator::sameSeedSameBytes_data()
{
    QTest::addColumn<OutputFormat>("format");
    QTest::newRow("log") << OutputFormat::Log;
    QTest::newRow("dat") << OutputFormat::Dat;
    QTest::newRow("seslog") << OutputFormat::SesLog;
    QTest::newRow("pppd-syslog") << OutputFormat::PppdSyslog;
}

void TestGenerator::sameSeedSameBytes()
{
    QFETCH(OutputFormat, format);
    GeneratorOptions options;
    options.sessions = 40;
    options.months = 2;
    options.dialect = 2;
    options.language = AdapterLanguage::Dutch;
    options.format = format;
    options.seed = 77;
    const QByteArray first = Generate(options);
    QVERIFY(!first.isEmpty());
    QCOMPARE(Generate(options), first);
    options.seed = 78;
    QVERIFY(Generate(options) != first);
}

void TestGenerator::textFraming_data()
{
    QTest::addColumn<OutputFormat>("format");
    QTest::newRow("adapter log") << OutputFormat::Log;
    QTest::newRow("logger data file") << OutputFormat::Dat;
}

void TestGenerator::textFraming()
{
    QFETCH(OutputFormat, format);
    GeneratorOptions options;
    options.sessions = 30;
    options.dialect = 2;
    options.language = AdapterLanguage::Spanish;
    options.format = format;
    const QByteArray text = Generate(options);
    QVERIFY(text.endsWith("\r\n"));

    const bool quoted = format == OutputFormat::Dat;
    bool sawOemLetter = false;
    const QList<QByteArray> lines = LinesOf(text);
    QVERIFY(lines.size() > 30 * 40);
    for (QByteArray line : lines) {
        QVERIFY2(line.endsWith('\r') && line.count('\r') == 1, line.constData());
        line.chop(1);
        if (quoted) {
            // The logger's fields are quoted and a quote inside one would end it early.
            QVERIFY2(line.startsWith('"') && line.endsWith('"') && line.count('"') == 2,
                     line.constData());
            line = line.mid(1, line.size() - 2);
        }
        // "MM-DD-YYYY hh:mm:ss.cc - message", the stamp at fixed positions.
        QVERIFY2(line.size() > 25 && line[2] == '-' && line[5] == '-' && line[10] == ' ' &&
                     line[13] == ':' && line[16] == ':' && line[19] == '.' &&
                     line.mid(22, 3) == " - ",
                 line.constData());
        for (int at : {0, 1, 3, 4, 6, 7, 8, 9, 11, 12, 14, 15, 17, 18, 20, 21})
            QVERIFY2(line[at] >= '0' && line[at] <= '9', line.constData());
        sawOemLetter = sawOemLetter || line.contains("\xA2");
    }
    QVERIFY(sawOemLetter); // "telef\xA2nico" in code page 850, not UTF-8
}

void TestGenerator::sessionLogBuildsSessions_data()
{
    QTest::addColumn<int>("dialect");
    QTest::addColumn<AdapterLanguage>("language");
    QTest::addColumn<int>("sessions");
    QTest::addColumn<int>("months");
    // clang-format off
    QTest::newRow("Windows 95")                    << 1 << AdapterLanguage::English << 150  << 3;
    QTest::newRow("Windows 98 Italian")            << 2 << AdapterLanguage::Italian << 150  << 3;
    QTest::newRow("crowded: 60 sessions a day")    << 2 << AdapterLanguage::Finnish << 1800 << 1;
    // clang-format on
}

void TestGenerator::sessionLogBuildsSessions()
{
    QFETCH(int, dialect);
    QFETCH(AdapterLanguage, language);
    QFETCH(int, sessions);
    QFETCH(int, months);
    GeneratorOptions options;
    options.sessions = sessions;
    options.months = months;
    options.startYear = 1999;
    options.startMonth = 11;
    options.dialect = dialect;
    options.language = language;
    options.format = OutputFormat::SesLog;

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::FILE* file = std::fopen(QFile::encodeName(dir.filePath(kSessionLogName)), "wb");
    QVERIFY(file);
    QString error;
    QVERIFY2(GenerateLog(options, file, &error), qPrintable(error));
    QCOMPARE(std::fclose(file), 0);

    EventList events;
    QVERIFY2(ReadSessionLog(dir.path(), events, &error), qPrintable(error));
    for (std::size_t i = 1; i < events.size(); ++i)
        QVERIFY(events[i - 1].dtTime <= events[i].dtTime);

    const SessionList list = BuildSessions(events);
    QCOMPARE(list.size(), std::size_t(sessions));
    const DateTime first = *MakeDateTime(1999, 11, 1);
    const DateTime end = *MakeDateTime(1999, 11 + months, 1);
    std::optional<DateTime> previousDown;
    for (const SessionRecord& s : list) {
        QVERIFY(s.vUp && s.vDown);
        QVERIFY(*s.vUp < *s.vDown);
        QVERIFY(!previousDown || *previousDown < *s.vUp);
        QVERIFY(first <= *s.vUp && *s.vUp < end);
        QVERIFY(s.lRx > 0 && s.lTx > 0);
        previousDown = s.vDown;
    }
}

void TestGenerator::eventCountEndsTheLog()
{
    GeneratorOptions options;
    options.events = 5000;
    options.months = 2;
    options.format = OutputFormat::SesLog;
    const EventList events = EventsOf(Generate(options));
    // Generation ends with the session in which the count is reached.
    QVERIFY(events.size() >= 5000 && events.size() < 5030);
    QCOMPARE(events.back().iCode, 2);
}

void TestGenerator::linesAreRecognisedAsGenerated_data()
{
    QTest::addColumn<int>("dialect");
    QTest::addColumn<AdapterLanguage>("language");
    // clang-format off
    QTest::newRow("Windows 95")         << 1 << AdapterLanguage::English;
    QTest::newRow("Windows 98 English") << 2 << AdapterLanguage::English;
    QTest::newRow("Windows 98 Finnish") << 2 << AdapterLanguage::Finnish;
    QTest::newRow("Windows 98 Dutch")   << 2 << AdapterLanguage::Dutch;
    QTest::newRow("Windows 98 Spanish") << 2 << AdapterLanguage::Spanish;
    QTest::newRow("Windows 98 Italian") << 2 << AdapterLanguage::Italian;
    // clang-format on
}

void TestGenerator::linesAreRecognisedAsGenerated()
{
    QFETCH(int, dialect);
    QFETCH(AdapterLanguage, language);
    GeneratorOptions options;
    options.sessions = 25;
    options.dialect = dialect;
    options.language = language;
    options.format = OutputFormat::Log;

    // Every line goes through the recognition as the log update would take it.
    EventList parsed;
    QString mismatch;
    GenerateLines(options, [&](const GeneratedLine& line) {
        const std::string text = FormatLine(line);
        const std::optional<DateTime> time = LineTime(text);
        const std::int16_t code = ClassifyMessage(MessageText(text), Dialect(dialect));
        std::int32_t value = 0;
        if (ValueKind(code) == ValueKinds::DecimalCounter)
            value = DecimalValue(text);
        else if (ValueKind(code) == ValueKinds::HexAddress)
            value = HexValue(text);
        if (!time || *time != line.time || code != line.code ||
            (code != 0 && value != line.value)) {
            mismatch = QStringLiteral("%1: code %2, value %3; expected code %4, value %5")
                           .arg(QString::fromLatin1(text.data(), qsizetype(text.size())))
                           .arg(code)
                           .arg(value)
                           .arg(line.code)
                           .arg(line.value);
            return false;
        }
        if (code != 0)
            parsed.push_back(MakeEvent(*time, code, value));
        return true;
    });
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    // The log as text and as session log records tell the same story.
    options.format = OutputFormat::SesLog;
    const EventList direct = EventsOf(Generate(options));
    QCOMPARE(parsed.size(), direct.size());
    for (std::size_t i = 0; i < parsed.size(); ++i)
        QVERIFY(EncodeRecord(parsed[i]) == EncodeRecord(direct[i]));
    QCOMPARE(BuildSessions(parsed).size(), std::size_t(25));
}

void TestGenerator::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    // clang-format off
    QTest::newRow("unknown option")          << QStringList{"--colour", "red"};
    QTest::newRow("bare word")               << QStringList{"sessions"};
    QTest::newRow("missing value")           << QStringList{"--sessions"};
    QTest::newRow("zero sessions")           << QStringList{"--sessions", "0"};
    QTest::newRow("sessions not a number")   << QStringList{"--sessions", "12x"};
    QTest::newRow("month 13")                << QStringList{"--start", "2024-13"};
    QTest::newRow("start without dash")      << QStringList{"--start", "202401"};
    QTest::newRow("dialect 3")               << QStringList{"--dialect", "3"};
    QTest::newRow("Finnish Windows 95")      << QStringList{"--language", "fi"};
    QTest::newRow("unknown language")        << QStringList{"--dialect", "2", "--language", "de"};
    QTest::newRow("unknown format")          << QStringList{"--format", "csv"};
    QTest::newRow("session log to terminal") << QStringList{"--format", "seslog"};
    QTest::newRow("pppd syslog of 13 months") << QStringList{"--format", "pppd-syslog", "--months", "13"};
    // clang-format on
}

void TestGenerator::badArguments()
{
    QFETCH(QStringList, args);
    QString error;
    QVERIFY(!ParseGeneratorArgs(args, &error));
    QVERIFY(!error.isEmpty() && !error.contains(u'\n'));
}

void TestGenerator::commandLine()
{
    const QString tool = QDir(QStringLiteral(DIALTALLY_BIN_DIR)).filePath("dialtally-gen");
    QProcess process;
    process.start(tool, {"--sessions", "3", "--dialect", "2", "--language=it", "--format", "dat",
                         "--start", "1998-12", "--seed", "5"});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY(out.startsWith("\"12-"));
    QCOMPARE(out.count("Chiusura del dispositivo di Accesso remoto.\"\r\n"), 3);

    process.start(tool, {"--months", "0"});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 2);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QCOMPARE(process.readAllStandardError().count('\n'), 1);
}

// The connections that the generator says its syslog holds are those that pppd's reader finds,
// and the syslog holds every case a reader must get right.
void TestGenerator::pppdSyslogTellsItsConnections()
{
    GeneratorOptions options;
    options.sessions = 300;
    options.months = 6;
    options.startYear = 2025;
    options.startMonth = 10;
    options.seed = 3;
    PppdTranslator translator;
    std::int64_t lines = 0;
    const GeneratedPppdSyslog syslog =
        GeneratePppdSyslog(options, [&](std::string_view line, DateTime, bool) {
            translator.Take(line, lines++, {DateTime{}, *MakeDateTime(2026, 4, 1)});
            return true;
        });
    translator.EndOfSource();
    std::vector<PppdConnection> found = translator.TakeComplete();
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.up < b.up; });
    QCOMPARE(found.size(), syslog.connections.size());
    QCOMPARE(static_cast<std::int64_t>(found.size()), options.sessions);

    bool acrossMidnight = false, acrossNewYear = false, overlapping = false, without = false,
         huge = false;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const GeneratedConnection& expected = syslog.connections[i];
        const PppdConnection& c = found[i];
        QCOMPARE(c.pid, expected.pid);
        QCOMPARE(c.up, expected.up);
        QCOMPARE(c.down, expected.down);
        const auto clamp = [](const std::optional<std::uint64_t>& n) {
            return static_cast<std::int32_t>(std::min<std::uint64_t>(n.value_or(0), 2147483647));
        };
        QCOMPARE(clamp(c.sent), expected.transmitted);
        QCOMPARE(clamp(c.received), expected.received);
        const CivilTime up = ToCivil(c.up), down = ToCivil(c.down);
        acrossMidnight = acrossMidnight || up.day != down.day;
        acrossNewYear = acrossNewYear || up.year != down.year;
        overlapping = overlapping || (i > 0 && c.up < found[i - 1].down);
        without = without || !c.sent;
        huge = huge || c.received > 5000000000ull;
    }
    QVERIFY(acrossMidnight && acrossNewYear && overlapping && without && huge);
}

QTEST_GUILESS_MAIN(TestGenerator)
#include "test_generator.moc"
