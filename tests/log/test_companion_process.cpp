// The logger and the update as separate processes: a writer appends adapter lines at full speed,
// the logger follows them, updates run again and again; afterwards the session log must hold
// exactly one record per recognised line, in order.

#include "generate/generator.h"
#include "platform/processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

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

// The soak script runs this test with many more sessions.
std::int64_t SessionCount()
{
    bool ok = false;
    const qint64 sessions = qEnvironmentVariableIntValue("DIALTALLY_SOAK_SESSIONS", &ok);
    return ok && sessions > 0 ? sessions : 12000;
}

// The writer process: appends the generated adapter log in small pieces, as fast as it can, so
// that lines are cut between writes.
int WriteSource(const QString& path, std::int64_t sessions)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "ab");
    if (!file)
        return 1;
    std::setvbuf(file, nullptr, _IONBF, 0);
    const bool ok = GenerateLog(Lines(sessions, OutputFormat::Log), [file](std::string_view bytes) {
        constexpr std::size_t kPiece = 1000;
        for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
            const std::size_t size = std::min(kPiece, bytes.size() - at);
            if (std::fwrite(bytes.data() + at, 1, size, file) != size)
                return false;
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

} // namespace

class TestCompanionProcess : public QObject {
    Q_OBJECT

private slots:
    void everyRecognisedLineReachesTheLogOnce()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString windowsDir = dir.filePath(QStringLiteral("windows"));
        const QString programDir = dir.filePath(QStringLiteral("program"));
        const QString runtimeDir = dir.filePath(QStringLiteral("run"));
        const QString source = dir.filePath(QStringLiteral("PPPLOG.TXT"));
        qputenv("DIALTALLY_RUNTIME_DIR", QFile::encodeName(runtimeDir));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DIALTALLY_WINDOWS_DIR"), windowsDir);
        environment.insert(QStringLiteral("DIALTALLY_PROGRAM_DIR"), programDir);
        environment.insert(QStringLiteral("DIALTALLY_SYSTEM"), QStringLiteral("98"));
        const QString bin = QStringLiteral(DIALTALLY_BIN_DIR);

        QProcess logger;
        logger.setProcessEnvironment(environment);
        logger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        logger.start(bin + QStringLiteral("/dtallywr"),
                     {QStringLiteral("--source"), source, QStringLiteral("--poll-ms"),
                      QStringLiteral("20")});
        QVERIFY(logger.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(FindLoggerWindow().has_value(), 5000);

        const std::int64_t sessions = SessionCount();
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {kWriterSwitch, source, QString::number(sessions)});
        QVERIFY(writer.waitForStarted());

        // Updates from another process, again and again while the writer runs.
        int updates = 0;
        auto update = [&] {
            QProcess cli;
            cli.setProcessEnvironment(environment);
            cli.start(bin + QStringLiteral("/dialtally-cli"), {QStringLiteral("update")});
            QVERIFY(cli.waitForFinished(60000));
            QCOMPARE(cli.exitCode(), 0);
            ++updates;
        };
        // At least a few, also on a machine where the writer is done in a moment.
        while (writer.state() != QProcess::NotRunning || updates < 5) {
            update();
            writer.waitForFinished(10);
        }
        QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(writer.exitCode(), 0);

        // Closing the logger makes it write everything it has read; the writer is done, so that
        // is the whole source.
        const auto window = FindLoggerWindow();
        QVERIFY(window.has_value());
        QVERIFY(CloseLoggerWindow(*window, 20000));
        QVERIFY(logger.waitForFinished(20000));
        QCOMPARE(logger.exitCode(), 0);
        QVERIFY(!FindLoggerWindow().has_value());
        update();
        QVERIFY(updates > 5);

        QByteArray expected;
        QVERIFY(GenerateLog(Lines(sessions, OutputFormat::SesLog), [&](std::string_view bytes) {
            expected.append(bytes.data(), qsizetype(bytes.size()));
            return true;
        }));
        const QByteArray log = ReadFile(QDir(programDir).filePath(QStringLiteral("SesLog.log")));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(log.size(), expected.size());
        QVERIFY(log == expected);
        QVERIFY(!QFile::exists(QDir(windowsDir).filePath(QStringLiteral("Dtally.dat"))));
        QVERIFY(!QFile::exists(QDir(windowsDir).filePath(QStringLiteral("Dtally.wrk"))));
        qInfo("%d updates, %lld records", updates, static_cast<long long>(log.size() / 14));
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == kWriterSwitch)
        return WriteSource(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]));
    QCoreApplication app(argc, argv);
    TestCompanionProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_companion_process.moc"
