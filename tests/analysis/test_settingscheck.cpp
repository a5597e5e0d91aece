#include "analysis/settingscheck.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace dialtally;

namespace {

// Every form that a hand-edited settings file may take: a byte-order mark, comments of both kinds
// (a ';' comment may hold quotes and backslashes), CR LF and lone CR line ends, blanks around the
// header, the key and the value, an inline ';' comment, quotes, escapes and a doubled '@'.
const QByteArray kHandWritten = "\xEF\xBB\xBF; comment \"\\\r\n# note = x\r\n  [Costs]  \r\n"
                                "\tvCommRate1 = 0,25 ; peak\r\nvCommRate2=\"a;b\"\r"
                                "vText=\"a \\\"b\\\" \\\\\", x\\ty\nvAt=@@x\n";

} // namespace

// Every bad line below is one that Qt's INI reader reads otherwise than written: it swallows the
// following lines, drops text, joins lines, puts keys in a section of its own or reads a typed
// value. The clean texts hold every form that a settings file may take.
class TestSettingsCheck : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void cleanTextReadsAsWritten();
    void wholeFile_data();
    void wholeFile();
    void unreadableFile();
};

void TestSettingsCheck::lines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line"); // 0: no bad line
    QTest::addColumn<QString>("reason");

    // clang-format off
    QTest::newRow("as the store writes it")        << QByteArray("[Costs]\nsVersion=1.75\nvServMinute=\"0,0125\"\nvSelStartDate=\"a \\\"b\\\" \\\\ \\x1b\\0\"\nvSelEndDate=@@x\nvSelEndDate=\n\n[Sel]\nfSelEnabled=True\n") << 0 << QString();
    QTest::newRow("hand-written forms")            << kHandWritten << 0 << QString();
    QTest::newRow("empty text")                    << QByteArray("") << 0 << QString();
    QTest::newRow("unclosed quote")                << QByteArray("[Costs]\nbCommCosts=\"True\nvCommRate1=0.1\n") << 2 << "unclosed quote";
    QTest::newRow("escaped quote leaves it open")  << QByteArray("[Costs]\na=\"x\\\"\nb=1\n") << 2 << "unclosed quote";
    QTest::newRow("quote in a # comment")          << QByteArray("[Costs]\n# it\"s mine\nb=1\n") << 2 << "unclosed quote";
    QTest::newRow("backslash joins the next line") << QByteArray("[Costs]\na=x\\\nb=1\n") << 2 << "backslash at the end of the line";
    QTest::newRow("backslash at the end")          << QByteArray("[Costs]\na=x\\") << 2 << "backslash at the end of the line";
    QTest::newRow("no closing bracket")            << QByteArray("[Costs]\na=1\n[garbage\nb=2\n") << 3 << "broken section header";
    QTest::newRow("bracket after a comment")       << QByteArray("[Co;sts]\n") << 1 << "broken section header";
    QTest::newRow("text after the header")         << QByteArray("[Costs] x\n") << 1 << "text after the section header";
    QTest::newRow("no equals sign")                << QByteArray("[Costs]\nbCommCosts True\n") << 2 << "not a key=value line";
    QTest::newRow("equals sign only in quotes")    << QByteArray("[Costs]\n\"a=b\"\n") << 2 << "not a key=value line";
    QTest::newRow("key without a name")            << QByteArray("[Costs]\n =x\n") << 2 << "key without a name";
    QTest::newRow("unknown escape")                << QByteArray("[Sel]\nvSelStartDate=1\\q2\n") << 2 << "unknown escape \"\\q\"";
    QTest::newRow("\\x without a hex digit")       << QByteArray("[Sel]\nvSelStartDate=\\xg\n") << 2 << "unknown escape \"\\x\"";
    QTest::newRow("typed value")                   << QByteArray("[Costs]\nvCommRate1=@ByteArray(1)\n") << 2 << "\"@\" at the start of a value";
    QTest::newRow("typed list element")            << QByteArray("[Costs]\nvCommRate1=1, \"@x\"\n") << 2 << "\"@\" at the start of a value";
    QTest::newRow("NUL byte")                      << QByteArray("[Costs]\na=1\0\n", 13) << 2 << "NUL byte";
    QTest::newRow("control character")             << QByteArray("[Costs]\na=\x1b[0m\n") << 2 << "control character 0x1B";
    QTest::newRow("Latin-1, even in a comment")    << QByteArray("[Sel]\n; f\xfcr\n") << 2 << "not UTF-8 text";
    QTest::newRow("binary garbage")                << QByteArray("[Costs]\nsVersion=1.75\n\x89PNG\x01\xff\xfe=\n") << 3 << "control character 0x01";
    QTest::newRow("lines end at CR LF and CR")     << QByteArray("a=1\r\nb=2\rc\n") << 3 << "not a key=value line";
    // clang-format on
}

void TestSettingsCheck::lines()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const auto bad = FindBadSettingsLine(text);
    QCOMPARE(bad ? bad->line : 0, line);
    QCOMPARE(bad ? bad->reason : QString(), reason);
}

// The checker's promise, held against Qt's own reader: a clean text reads as written.
void TestSettingsCheck::cleanTextReadsAsWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Dtallyer.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kHandWritten);
    file.close();
    QSettings store(path, QSettings::IniFormat);
    QCOMPARE(store.value("Costs/vCommRate1").toStringList(), QStringList({"0", "25"}));
    QCOMPARE(store.value("Costs/vCommRate2").toString(), QString("a;b"));
    QCOMPARE(store.value("Costs/vText").toStringList(), QStringList({"a \"b\" \\", "x\ty"}));
    QCOMPARE(store.value("Costs/vAt").toString(), QString("@x"));
}

void TestSettingsCheck::wholeFile_data()
{
    QTest::addColumn<QByteArray>("content"); // written to the file unless "missing" or "folder"
    QTest::addColumn<int>("line");           // -1: no problem
    QTest::addColumn<QString>("text");       // the problem's text after "<file>: "

    // clang-format off
    QTest::newRow("missing: first run") << QByteArray("missing")                    << -1 << QString();
    QTest::newRow("empty")              << QByteArray("")                           << -1 << QString();
    QTest::newRow("clean")              << QByteArray("[Costs]\nsVersion=1.75\n")   << -1 << QString();
    QTest::newRow("bad line")           << QByteArray("[Costs]\nsVersion=\"1.75\n") << 2  << "line 2: unclosed quote";
    QTest::newRow("folder in its place") << QByteArray("folder")                    << 0  << "cannot be read: Is a directory";
    QTest::newRow("just too large")     << QByteArray(kLargestSettingsFile + 1, ';') << 0 << "too large for a settings file (1048577 bytes, at most 1048576)";
    // clang-format on
}

void TestSettingsCheck::wholeFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("Dtallyer.ini");
    if (content == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("Dtallyer.ini"));
    } else if (content != "missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    SettingsProblem problem;
    QCOMPARE(CheckSettingsFile(path, &problem), line < 0);
    if (line >= 0) {
        QCOMPARE(problem.line, line);
        QCOMPARE(problem.Text(), path + ": " + text);
    }
}

void TestSettingsCheck::unreadableFile()
{
    if (geteuid() == 0)
        QSKIP("root reads every file");
    QTemporaryDir dir;
    const QString path = dir.filePath("Dtallyer.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    SettingsProblem problem;
    QVERIFY(!CheckSettingsFile(path, &problem));
    QCOMPARE(problem.Text(), path + ": cannot be read: Permission denied");

    // A folder on the way that cannot be searched hides the file: that is not a first run.
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::WriteOwner));
    QVERIFY(!CheckSettingsFile(path, &problem));
    QCOMPARE(problem.Text(), path + ": cannot be read: Permission denied");
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_GUILESS_MAIN(TestSettingsCheck)
#include "test_settingscheck.moc"
