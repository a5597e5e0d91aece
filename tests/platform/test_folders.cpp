#include "platform/folders.h"
#include "platform/places.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace dialtally;

namespace {

// An environment of the given variables alone: the test does not depend on the caller's shell.
QProcessEnvironment Environment(const QStringList& assignments)
{
    QProcessEnvironment environment;
    for (const QString& assignment : assignments)
        environment.insert(assignment.section(QLatin1Char('='), 0, 0),
                           assignment.section(QLatin1Char('='), 1));
    return environment;
}

} // namespace

class TestFolders : public QObject {
    Q_OBJECT
private slots:
    void resolutionOrder_data();
    void resolutionOrder();
    void takesTheOptions();
    void systemFamily_data();
    void systemFamily();
    void badOptionsAreErrors_data();
    void badOptionsAreErrors();
    void findsShippedFileBesideExecutable();
};

void TestFolders::resolutionOrder_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("windows");
    QTest::addColumn<int>("dialect");
    const QStringList home = {"HOME=/home/u"};
    const QString cwd = QDir::current().absolutePath();
    // clang-format off
    QTest::newRow("defaults")          << QStringList{} << home
                                       << "/home/u/.local/share/dialtally" << "/home/u/.local/share/dialtally/windows" << 2;
    QTest::newRow("XDG_DATA_HOME")     << QStringList{} << QStringList{"HOME=/home/u", "XDG_DATA_HOME=/xdg"}
                                       << "/xdg/dialtally" << "/xdg/dialtally/windows" << 2;
    QTest::newRow("environment")       << QStringList{} << QStringList{"DIALTALLY_PROGRAM_DIR=/env", "DIALTALLY_WINDOWS_DIR=/win", "DIALTALLY_SYSTEM=95"}
                                       << "/env" << "/win" << 1;
    QTest::newRow("options over env")  << QStringList{"--program-dir", "/opt", "--system=other"} << QStringList{"DIALTALLY_PROGRAM_DIR=/env", "DIALTALLY_SYSTEM=95"}
                                       << "/opt" << "/opt/windows" << 0;
    QTest::newRow("windows option")    << QStringList{"--windows-dir", "/w"} << QStringList{"DIALTALLY_WINDOWS_DIR=/win", "XDG_DATA_HOME=/xdg"}
                                       << "/xdg/dialtally" << "/w" << 2;
    QTest::newRow("relative, cleaned") << QStringList{"--program-dir", "a/../b"} << home
                                       << cwd + "/b" << cwd + "/b/windows" << 2;
    // clang-format on
}

void TestFolders::resolutionOrder()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, environment);
    QFETCH(QString, program);
    QFETCH(QString, windows);
    QFETCH(int, dialect);
    Places places;
    QVERIFY(ResolvePlaces(args, Environment(environment), places));
    QCOMPARE(places.programDir, program);
    QCOMPARE(places.windowsDir, windows);
    QCOMPARE(int(places.dialect), dialect);
}

void TestFolders::takesTheOptions()
{
    QStringList args = {"--program-dir", "/p", "sessions", "--windows-dir=/w", "--json",
                        "--system",      "95", "--",       "--program-dir",    "/late"};
    Places places;
    QVERIFY(ResolvePlaces(
        args, Environment({"XDG_CONFIG_HOME=/cfg", "XDG_RUNTIME_DIR=/run/user/7"}), places));
    QCOMPARE(args, (QStringList{"sessions", "--json", "--", "--program-dir", "/late"}));
    QCOMPARE(places.programDir, QString("/p"));
    QCOMPARE(places.windowsDir, QString("/w"));
    QCOMPARE(places.dialect, Dialect::Windows95);
    QCOMPARE(places.SettingsFile(), QString("/cfg/Dtallyer.ini"));
    QCOMPARE(places.AutostartEntry(), QString("/cfg/autostart/dtallywr.desktop"));
    QCOMPARE(places.runtimeDir, QString("/run/user/7/dialtally"));

    QVERIFY(ResolvePlaces(args, Environment({"HOME=/h", "DIALTALLY_RUNTIME_DIR=/own"}), places));
    QCOMPARE(places.SettingsFile(), QString("/h/.config/Dtallyer.ini"));
    QCOMPARE(places.runtimeDir, QString("/own"));
    QStringList runtimeOption = {"--runtime-dir", "/opt-run"};
    QVERIFY(ResolvePlaces(runtimeOption, Environment({"DIALTALLY_RUNTIME_DIR=/own"}), places));
    QCOMPARE(places.runtimeDir, QString("/opt-run"));
    QVERIFY(ResolvePlaces(args, Environment({"HOME=/h"}), places));
    QCOMPARE(places.runtimeDir, QStringLiteral("/tmp/dialtally-%1").arg(::geteuid()));
}

void TestFolders::systemFamily_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("family");
    // clang-format off
    QTest::newRow("default")            << QStringList{}                       << QString()     << true  << 2;
    QTest::newRow("environment 95")     << QStringList{}                       << QString("95") << true  << 1;
    QTest::newRow("bad environment")    << QStringList{}                       << QString("me") << true  << 2;
    QTest::newRow("option beats env")   << QStringList{"--system", "other"}    << QString("95") << true  << 0;
    QTest::newRow("option with =")      << QStringList{"--system=95"}          << QString()     << true  << 1;
    QTest::newRow("unknown system")     << QStringList{"--system", "2000"}     << QString()     << false << 2;
    QTest::newRow("missing value")      << QStringList{"--system"}             << QString()     << false << 2;
    QTest::newRow("after -- not taken") << QStringList{"--", "--system", "95"} << QString()     << true  << 2;
    // clang-format on
}

void TestFolders::systemFamily()
{
    QFETCH(QStringList, args);
    QFETCH(QString, environment);
    QFETCH(bool, ok);
    QFETCH(int, family);
    Places places;
    QString error;
    QCOMPARE(ResolvePlaces(args, Environment({"DIALTALLY_SYSTEM=" + environment}), places, &error),
             ok);
    QCOMPARE(error.isEmpty(), ok);
    QCOMPARE(int(WindowsFamily(places)), family);
}

void TestFolders::badOptionsAreErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("named");
    QTest::newRow("missing folder") << QStringList{"events", "--windows-dir"} << "--windows-dir";
    QTest::newRow("unknown system") << QStringList{"--system", "2000"} << "2000";
}

void TestFolders::badOptionsAreErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, named);
    Places places;
    QString error;
    QVERIFY(!ResolvePlaces(args, QProcessEnvironment(), places, &error));
    QVERIFY2(error.contains(named), qPrintable(error));
}

void TestFolders::findsShippedFileBesideExecutable()
{
    QCOMPARE(ShippedFile("license.txt"), QDir(ExecutableFolder()).filePath("license.txt"));
    QVERIFY(ShippedFile("no-such-file.txt").isEmpty());
    QTemporaryDir dir;
    const QString nested = dir.filePath("a/b");
    QVERIFY(EnsureFolder(nested));
    QVERIFY(QDir(nested).exists());
}

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
