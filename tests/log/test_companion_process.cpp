// The logger and the update as separate processes: a writer appends adapter lines, the logger
// follows them (killed and started again, in some rows), updates run again and again; afterwards
// every line must have arrived exactly once, in order. Also the logger's own behaviour as a
// process: one logger per data file, the unfinished line at a close, no busy waiting.

#include "generate/generator.h"
#include "log/handover.h"
#include "platform/processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace dialtally;

namespace {

const QString kWriterSwitch = QStringLiteral("--write-source");

GeneratorOptions Lines(std::int64_t sessions, OutputFormat format)
{
    GeneratorOptions options;
    options.sessions = sessions;
    options.months = 3;
    options.dialect = 2;
    options.language = AdapterLanguage::Finnish;
    options.seed = 7;
    options.format = format;
    return options;
}

QByteArray Generated(std::int64_t sessions, OutputFormat format)
{
    QByteArray bytes;
    GenerateLog(Lines(sessions, format), [&](std::string_view block) {
        bytes.append(block.data(), qsizetype(block.size()));
        return true;
    });
    return bytes;
}

// The soak script runs this test with many more sessions.
std::int64_t SessionCount()
{
    bool ok = false;
    const qint64 sessions = qEnvironmentVariableIntValue("DIALTALLY_SOAK_SESSIONS", &ok);
    return ok && sessions > 0 ? sessions : 12000;
}

// The writer process: appends the generated adapter log in small pieces, so that lines are cut
// between writes; as fast as it can, or with a pause after each piece.
int WriteSource(const QString& path, std::int64_t sessions, long pauseMicroseconds)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "ab");
    if (!file)
        return 1;
    std::setvbuf(file, nullptr, _IONBF, 0);
    const bool ok = GenerateLog(Lines(sessions, OutputFormat::Log), [&](std::string_view bytes) {
        constexpr std::size_t kPiece = 1000;
        for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
            const std::size_t size = std::min(kPiece, bytes.size() - at);
            if (std::fwrite(bytes.data() + at, 1, size, file) != size)
                return false;
            if (pauseMicroseconds > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(pauseMicroseconds));
        }
        return true;
    });
    return std::fclose(file) == 0 && ok ? 0 : 1;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Processor time (user and system) that a process has used so far, in seconds.
double ProcessorSeconds(qint64 pid)
{
    const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
    // The fields after the command name in parentheses; utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) /
           double(::sysconf(_SC_CLK_TCK));
}

// Folders of one run, and the logger and the update started in them.
class Run {
public:
    Run()
    {
        windowsDir = m_dir.filePath(QStringLiteral("windows"));
        programDir = m_dir.filePath(QStringLiteral("program"));
        source = m_dir.filePath(QStringLiteral("PPPLOG.TXT"));
        data = QDir(windowsDir).filePath(QStringLiteral("Dtally.dat"));
        qputenv("DIALTALLY_RUNTIME_DIR", QFile::encodeName(m_dir.filePath(QStringLiteral("run"))));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DIALTALLY_WINDOWS_DIR"), windowsDir);
        environment.insert(QStringLiteral("DIALTALLY_PROGRAM_DIR"), programDir);
        environment.insert(QStringLiteral("DIALTALLY_SYSTEM"), QStringLiteral("98"));
    }

    bool IsValid() const { return m_dir.isValid(); }

    void StartLogger(QProcess& logger, const QStringList& more = {}) const
    {
        logger.setProcessEnvironment(environment);
        logger.start(QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr"),
                     QStringList{QStringLiteral("--source"), source, QStringLiteral("--poll-ms"),
                                 QStringLiteral("20")} +
                         more);
    }

    // A logger that has started and registered itself (after settling what an earlier one left).
    bool StartRegisteredLogger(QProcess& logger, const QStringList& more = {}) const
    {
        logger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        StartLogger(logger, more);
        if (!logger.waitForStarted())
            return false;
        QElapsedTimer timer;
        timer.start();
        while (!IsRegistered(logger.processId())) {
            if (timer.elapsed() > 5000 || logger.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(5);
        }
        return true;
    }

    static bool IsRegistered(qint64 pid)
    {
        for (const LoggerWindow& window : FindLoggerWindows()) {
            if (window.pid == pid)
                return true;
        }
        return false;
    }

    // Takes the data file over the way the update does: under the update lock, and under the data
    // lock for the rename and the settling of a batch that a killed logger left; the work file's
    // bytes go to consumed.
    bool HandOver(QByteArray& consumed) const
    {
        using namespace std::chrono_literals;
        const HandoverFiles files =
            HandoverFiles::InFolder(QFile::encodeName(windowsDir).toStdString());
        HandoverLock update;
        if (!update.Acquire(files.lock, HandoverLockKind::Update, 60s))
            return false;
        {
            HandoverLock data;
            if (!data.Acquire(files.lock, HandoverLockKind::Data, 60s))
                return false;
            if (::rename(files.data.c_str(), files.work.c_str()) != 0)
                return errno == ENOENT;
            if (!SettleUnconfirmedBatch(files))
                return false;
        }
        consumed += ReadFile(QFile::decodeName(files.work.c_str()));
        return ::unlink(files.work.c_str()) == 0;
    }

    // Waits a little for the logger to name a batch in its position file, so that a kill is
    // likely to cut that batch short.
    void WaitForBatchUnderWay() const
    {
        const QString position = QDir(windowsDir).filePath(QStringLiteral("Dtally.pos"));
        QElapsedTimer timer;
        timer.start();
        while (!ReadFile(position).contains("\nbatch ") && timer.elapsed() < 200) {
        }
    }

    bool Update() const
    {
        QProcess cli;
        cli.setProcessEnvironment(environment);
        cli.setProcessChannelMode(QProcess::ForwardedChannels);
        cli.start(QStringLiteral(DIALTALLY_BIN_DIR "/dialtally-cli"), {QStringLiteral("update")});
        return cli.waitForFinished(60000) && cli.exitStatus() == QProcess::NormalExit &&
               cli.exitCode() == 0;
    }

    QString windowsDir;
    QString programDir;
    QString source;
    QString data;
    QProcessEnvironment environment;

private:
    QTemporaryDir m_dir;
};

} // namespace

// Who takes the data file away while the logger writes: nobody, a hand-over under the locks in
// this test, or the update of dialtally-cli.
enum class Consumer { None, HandOver, Update };
Q_DECLARE_METATYPE(Consumer)

class TestCompanionProcess : public QObject {
    Q_OBJECT

private:
private slots:
    // Without the data lock the update can take the data file away in the middle of a batch, and
    // lines are lost; an update that takes it is run against the logger below.
    // Every line of the source arrives exactly once, in order, also when the logger is killed
    // now and then: in the session log after the updates, in what the hand-overs took, or, with
    // nobody taking the data file away, in the data file itself.
    void everyLineArrivesOnce_data()
    {
        QTest::addColumn<bool>("kill");
        QTest::addColumn<Consumer>("consumer");
        // clang-format off
        QTest::newRow("dialtally-cli update, logger runs throughout") << false << Consumer::Update;
        QTest::newRow("logger killed, nobody takes the data file")    << true  << Consumer::None;
        QTest::newRow("logger killed, hand-overs under the locks")    << true  << Consumer::HandOver;
        QTest::newRow("logger killed, dialtally-cli update")          << true  << Consumer::Update;
        // clang-format on
    }

    void everyLineArrivesOnce()
    {
        QFETCH(bool, kill);
        QFETCH(Consumer, consumer);
        Run run;
        QVERIFY(run.IsValid());
        // Killed loggers need a writer that runs for a few seconds.
        const std::int64_t sessions =
            kill ? std::max<std::int64_t>(SessionCount() / 4, 1) : SessionCount();
        const long pause = kill ? 200 : 0;

        QProcess logger;
        QVERIFY(run.StartRegisteredLogger(logger));
        QProcess writer;
        writer.start(
            QCoreApplication::applicationFilePath(),
            {kWriterSwitch, run.source, QString::number(sessions), QString::number(pause)});
        QVERIFY(writer.waitForStarted());

        QByteArray handedOver;
        int updates = 0;
        const auto consume = [&] {
            ++updates;
            if (consumer == Consumer::Update)
                return run.Update();
            return consumer == Consumer::None || run.HandOver(handedOver);
        };
        int kills = 0;
        QElapsedTimer sinceKill;
        sinceKill.start();
        // At least a few updates, also on a machine where the writer is done in a moment.
        while (writer.state() != QProcess::NotRunning || updates < 5) {
            QVERIFY(consume());
            if (kill && writer.state() != QProcess::NotRunning && sinceKill.elapsed() > 300) {
                run.WaitForBatchUnderWay();
                QCOMPARE(::kill(pid_t(logger.processId()), SIGKILL), 0);
                QVERIFY(logger.waitForFinished(5000));
                QVERIFY(run.StartRegisteredLogger(logger));
                ++kills;
                sinceKill.restart();
            }
            writer.waitForFinished(consumer == Consumer::None ? 50 : 10);
        }
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.exitCode(), 0);
        if (kill)
            QVERIFY2(kills >= 3, qPrintable(QString::number(kills)));

        // Closing the logger makes it write everything it has read; the writer is done, so that
        // is the whole source.
        QVERIFY(CloseLoggerWindow(*FindLoggerWindow(), 20000));
        QVERIFY(logger.waitForFinished(20000));
        QCOMPARE(logger.exitCode(), 0);
        QVERIFY(!FindLoggerWindow().has_value());
        QVERIFY(consume());

        if (consumer != Consumer::Update) {
            const QByteArray expected = Generated(sessions, OutputFormat::Dat);
            const QByteArray data = consumer == Consumer::None ? ReadFile(run.data) : handedOver;
            QCOMPARE(data.size(), expected.size());
            QVERIFY(data == expected);
            qInfo("%d kills, %d rounds, %lld lines", kills, updates,
                  static_cast<long long>(data.count('\n')));
            return;
        }
        const QByteArray expected = Generated(sessions, OutputFormat::SesLog);
        const QByteArray log =
            ReadFile(QDir(run.programDir).filePath(QStringLiteral("SesLog.log")));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(log.size(), expected.size());
        QVERIFY(log == expected);
        QVERIFY(!QFile::exists(run.data));
        QVERIFY(!QFile::exists(QDir(run.windowsDir).filePath(QStringLiteral("Dtally.wrk"))));
        qInfo("%d kills, %d updates, %lld records", kills, updates,
              static_cast<long long>(log.size() / 14));
    }

    // A second logger for the same data file ends at once, says why, and touches nothing.
    void secondLoggerRefusesToStart()
    {
        Run run;
        QVERIFY(run.IsValid());
        QFile source(run.source);
        QVERIFY(source.open(QIODevice::WriteOnly));
        QVERIFY(source.write("a\r\n") == 3);
        source.close();
        QProcess first;
        QVERIFY(run.StartRegisteredLogger(first, {QStringLiteral("--from-start")}));
        QTRY_COMPARE_WITH_TIMEOUT(ReadFile(run.data), QByteArray("\"a\"\r\n"), 5000);
        // Then the first logger confirms its place, and has nothing more to do.
        const std::string position =
            QFile::encodeName(QDir(run.windowsDir).filePath(QStringLiteral("Dtally.pos")))
                .toStdString();
        const auto settled = [&] {
            const auto kept = ReadLoggerPosition(position);
            return kept && !kept->batch && kept->source.offset == 3 &&
                   !QFile::exists(QString::fromStdString(position + ".new"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
        const QFileInfoList before =
            QDir(run.windowsDir).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);

        QProcess second;
        run.StartLogger(second);
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 1);
        const QString said = QString::fromLocal8Bit(second.readAllStandardError());
        QVERIFY2(said.contains(run.data), qPrintable(said));
        const std::vector<LoggerWindow> windows = FindLoggerWindows();
        QCOMPARE(windows.size(), std::size_t{1});
        QCOMPARE(windows.front().pid, first.processId());

        const QFileInfoList after =
            QDir(run.windowsDir).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < after.size(); ++i) {
            QCOMPARE(after[i].fileName(), before[i].fileName());
            QCOMPARE(after[i].lastModified(), before[i].lastModified());
        }
        QVERIFY(CloseLoggerWindow(windows.front()));
        QVERIFY(first.waitForFinished(5000));
    }

    // A close request makes the logger write the line that has no line end yet.
    void closeWritesTheUnfinishedLine()
    {
        Run run;
        QVERIFY(run.IsValid());
        QFile source(run.source);
        QVERIFY(source.open(QIODevice::WriteOnly));
        QVERIFY(source.write("a\r\npart") == 7);
        source.close();
        QProcess logger;
        QVERIFY(run.StartRegisteredLogger(logger, {QStringLiteral("--from-start")}));
        QTRY_COMPARE_WITH_TIMEOUT(ReadFile(run.data), QByteArray("\"a\"\r\n"), 5000);
        QVERIFY(CloseLoggerWindow(*FindLoggerWindow()));
        QVERIFY(logger.waitForFinished(5000));
        QCOMPARE(logger.exitCode(), 0);
        QCOMPARE(ReadFile(run.data), QByteArray("\"a\"\r\n\"part\"\r\n"));
    }

    // While the data file cannot be written (a folder stands in its place) the logger waits
    // between its tries instead of spinning, keeps the lines, and delivers them once it can.
    void unwritableDataFileDoesNotSpin()
    {
        Run run;
        QVERIFY(run.IsValid());
        QVERIFY(QDir().mkpath(run.data));
        // More than one batch of lines, so that the logger has a full batch waiting.
        QByteArray lines;
        QByteArray expected;
        for (int i = 0; i < 80000; ++i) {
            const QByteArray line =
                "12-16-1998 10:15:02.10 - line " + QByteArray::number(i) + " of a long adapter log";
            lines += line + "\r\n";
            expected += '"' + line + "\"\r\n";
        }
        QFile source(run.source);
        QVERIFY(source.open(QIODevice::WriteOnly));
        QVERIFY(source.write(lines) == lines.size());
        source.close();

        QProcess logger;
        QVERIFY(run.StartRegisteredLogger(logger, {QStringLiteral("--from-start")}));
        QThread::msleep(500);
        const double before = ProcessorSeconds(logger.processId());
        QThread::msleep(1500);
        const double used = ProcessorSeconds(logger.processId()) - before;
        QVERIFY(before >= 0);
        QVERIFY2(used < 0.2,
                 qPrintable(QStringLiteral("%1 s of processor time in 1.5 s").arg(used)));

        QVERIFY(QDir(run.data).removeRecursively());
        QElapsedTimer delivery;
        delivery.start();
        QTRY_COMPARE_WITH_TIMEOUT(ReadFile(run.data).size(), expected.size(), 15000);
        QVERIFY(ReadFile(run.data) == expected);
        qInfo("%.2f s of processor time in 1.5 s of waiting; lines there %lld ms after the fix",
              used, static_cast<long long>(delivery.elapsed()));
        QVERIFY(CloseLoggerWindow(*FindLoggerWindow()));
        QVERIFY(logger.waitForFinished(5000));
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && QString::fromLocal8Bit(argv[1]) == kWriterSwitch)
        return WriteSource(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]),
                           std::atol(argv[4]));
    QCoreApplication app(argc, argv);
    TestCompanionProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_companion_process.moc"
