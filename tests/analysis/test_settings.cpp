#include "analysis/settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>

using namespace dialtally;

namespace {

// The store as a file written by hand, so that the test sees exactly the text on disk.
class StoreFile {
public:
    explicit StoreFile(const QByteArray& content = {})
    {
        QFile file(Path());
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }
    QString Path() const { return m_dir.filePath(QStringLiteral("Dtallyer.ini")); }
    QString Folder() const { return m_dir.path(); }
    // A folder in the place of the file: unreadable, also for root.
    bool MakeFolder() const
    {
        return QFile::remove(Path()) && QDir(Folder()).mkdir("Dtallyer.ini");
    }
    QByteArray Content() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Each key line, without the order that the file happens to keep.
    QSet<QByteArray> Lines() const
    {
        QSet<QByteArray> lines;
        for (const QByteArray& line : Content().split('\n'))
            if (!line.trimmed().isEmpty())
                lines.insert(line.trimmed());
        return lines;
    }

private:
    QTemporaryDir m_dir;
};

const QByteArray kAllOnes = "111111111111111111111111";

// The highest resident memory of this process so far, in KiB.
long PeakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void emptyStoreGivesDefaultsAndIsWrittenInFull();
    void storeOfThisVersionIsLeftUntouched();
    void storeOfAnotherVersionKeepsOnlyKnownKeys();
    void unreadableNumbersAndFlags_data();
    void unreadableNumbersAndFlags();
    void dayCodes_data();
    void dayCodes();
    void decimalCommaLocaleRoundTrip();
    void selectionRoundTrip();
    void damagedStoreIsNeitherTrustedNorWritten_data();
    void damagedStoreIsNeitherTrustedNorWritten();
    void commentsDoNotFailSaves();
    void userStoreOnFirstRun();
    void hugeUserStoreIsRefusedUnread();
};

void TestSettings::emptyStoreGivesDefaultsAndIsWrittenInFull()
{
    StoreFile file;
    {
        QSettings store(file.Path(), QSettings::IniFormat);
        const LoadedSettings loaded = LoadSettings(store, QLocale(QLocale::English));
        QCOMPARE(loaded.costs, CostSettings());
        QCOMPARE(loaded.vAditionalConnectSeconds, 0);
        QVERIFY(loaded.costs.bServRounding);
        QCOMPARE(loaded.costs.vCommRatesDay(23, 7), std::int16_t(1));
    }
    QSet<QByteArray> expected = {
        "[Costs]",          "sVersion=1.75",      "vAditionalConnectSeconds=0",
        "bCommCosts=False", "vCommConnect=0",     "vCommRateDelayMinutes=0",
        "vCommRate1=0",     "vCommRate2=0",       "vCommRate3=0",
        "bServCosts=False", "vServConnect=0",     "vServMinute=0",
        "vServFlatMonth=0", "bServRounding=True", "vServDataMb=0"};
    for (int d = 1; d <= 7; ++d)
        expected.insert("vCommRatesDay" + QByteArray::number(d) + '=' + kAllOnes);
    QCOMPARE(file.Lines(), expected);
}

void TestSettings::storeOfThisVersionIsLeftUntouched()
{
    const QByteArray content = "[Costs]\nsVersion=1.75\nbCommCosts=True\nvCommRate2=0.05\n"
                               "vCommRatesDay1=112233112233112233112233\nSomethingElse=1\n";
    StoreFile file(content);
    {
        QSettings store(file.Path(), QSettings::IniFormat);
        const LoadedSettings loaded = LoadSettings(store, QLocale(QLocale::English));
        QVERIFY(loaded.costs.bCommCosts);
        QCOMPARE(loaded.costs.vCommRate[1], 0.05);
        QCOMPARE(loaded.costs.vCommRatesDay(2, 1), std::int16_t(2));
        QCOMPARE(loaded.costs.vCommRatesDay(23, 1), std::int16_t(3));
    }
    QCOMPARE(file.Content(), content);
}

void TestSettings::storeOfAnotherVersionKeepsOnlyKnownKeys()
{
    StoreFile file("[Costs]\nsVersion=1.5\nbCommCosts=True\nvCommRate1=0.25\nvOldKey=7\n"
                   "[Sel]\nfSelEnabled=True\n");
    {
        QSettings store(file.Path(), QSettings::IniFormat);
        const LoadedSettings loaded = LoadSettings(store, QLocale(QLocale::English));
        QVERIFY(loaded.costs.bCommCosts);
        QCOMPARE(loaded.costs.vCommRate[0], 0.25);
    }
    const QSet<QByteArray> lines = file.Lines();
    QVERIFY(lines.contains("sVersion=1.75"));
    QVERIFY(lines.contains("bCommCosts=True"));
    QVERIFY(lines.contains("vCommRate1=0.25"));
    QVERIFY(!file.Content().contains("vOldKey"));
    // The selection is not part of the version check.
    QVERIFY(lines.contains("fSelEnabled=True"));
}

void TestSettings::unreadableNumbersAndFlags_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("expected");

    // Lines written by hand: what another locale wrote, and text the program never writes.
    // clang-format off
    QTest::newRow("dot locale, dot")          << "en_US" << QByteArray("vCommConnect=0.25")         << "vCommConnect"  << 0.25;
    QTest::newRow("dot locale, comma")        << "en_US" << QByteArray("vCommConnect=0,25")         << "vCommConnect"  << 0.25;
    QTest::newRow("comma locale, dot")        << "de_DE" << QByteArray("vServMinute=0.0125")        << "vServMinute"   << 0.0125;
    QTest::newRow("comma locale, quoted")     << "de_DE" << QByteArray("vServMinute=\"0,0125\"")    << "vServMinute"   << 0.0125;
    QTest::newRow("both separators")          << "de_DE" << QByteArray("vServMinute=1.234,5")       << "vServMinute"   << 0.0;
    QTest::newRow("letters")                  << "en_US" << QByteArray("vServDataMb=abc")           << "vServDataMb"   << 0.0;
    QTest::newRow("not a number")             << "en_US" << QByteArray("vServDataMb=nan")           << "vServDataMb"   << 0.0;
    QTest::newRow("whole number")             << "en_US" << QByteArray("vCommRateDelayMinutes=12")  << "delay"         << 12.0;
    QTest::newRow("negative delay")           << "en_US" << QByteArray("vCommRateDelayMinutes=-5")  << "delay"         << 0.0;
    QTest::newRow("delay beyond 16 bits")     << "en_US" << QByteArray("vCommRateDelayMinutes=99999") << "delay"       << 0.0;
    QTest::newRow("fractional delay")         << "en_US" << QByteArray("vCommRateDelayMinutes=7.5") << "delay"         << 0.0;
    QTest::newRow("negative allowance")       << "en_US" << QByteArray("vAditionalConnectSeconds=-30") << "allowance"  << -30.0;
    QTest::newRow("flag in lower case")       << "en_US" << QByteArray("bCommCosts=true")           << "bCommCosts"    << 1.0;
    QTest::newRow("flag garbage keeps False") << "en_US" << QByteArray("bCommCosts=yes")            << "bCommCosts"    << 0.0;
    QTest::newRow("flag garbage keeps True")  << "en_US" << QByteArray("bServRounding=0")           << "bServRounding" << 1.0;
    // clang-format on
}

void TestSettings::unreadableNumbersAndFlags()
{
    QFETCH(QString, locale);
    QFETCH(QByteArray, line);
    QFETCH(QString, field);
    QFETCH(double, expected);
    StoreFile file("[Costs]\nsVersion=1.75\n" + line + '\n');
    QSettings store(file.Path(), QSettings::IniFormat);
    const LoadedSettings loaded = LoadSettings(store, QLocale(locale));
    const CostSettings& c = loaded.costs;
    const std::map<QString, double> fields = {
        {"vCommConnect", c.vCommConnect},
        {"vServMinute", c.vServMinute},
        {"vServDataMb", c.vServDataMb},
        {"delay", c.vCommRateDelayMinutes},
        {"allowance", loaded.vAditionalConnectSeconds},
        {"bCommCosts", c.bCommCosts ? 1.0 : 0.0},
        {"bServRounding", c.bServRounding ? 1.0 : 0.0},
    };
    QCOMPARE(fields.at(field), expected);
}

void TestSettings::dayCodes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected"); // the Tuesday as the store would write it

    // clang-format off
    QTest::newRow("saved grid")    << QByteArray("111111112222222222111111") << QByteArray("111111112222222222111111");
    QTest::newRow("empty text")    << QByteArray("")                         << kAllOnes;
    QTest::newRow("too short")     << QByteArray("3322")                     << QByteArray("332211111111111111111111");
    QTest::newRow("other codes")   << QByteArray("0412x3111111111111111113") << QByteArray("111213111111111111111113");
    QTest::newRow("too long")      << QByteArray("2222222222222222222222223") << QByteArray("222222222222222222222222");
    // clang-format on
}

void TestSettings::dayCodes()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    StoreFile file("[Costs]\nsVersion=1.75\nvCommRatesDay3=" + text + '\n');
    CostSettings loaded;
    {
        QSettings store(file.Path(), QSettings::IniFormat);
        loaded = LoadSettings(store, QLocale(QLocale::English)).costs;
        QCOMPARE(loaded.vCommRatesDay(0, 2), std::int16_t(1)); // Monday is missing: code 1
        SaveCommunicationSettings(store, loaded, QLocale(QLocale::English));
    }
    QVERIFY2(file.Lines().contains("vCommRatesDay3=" + expected), file.Content().constData());
}

void TestSettings::decimalCommaLocaleRoundTrip()
{
    CostSettings costs;
    costs.bServCosts = true;
    costs.vServMinute = 0.0125;
    costs.vServFlatMonth = 1234.5;
    costs.vCommRate = {0.25, 0.1, 1.0 / 60.0};
    costs.vCommRatesDay(8, 1) = 2;
    costs.vCommRatesDay(23, 7) = 3;
    StoreFile file;
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    {
        QSettings store(file.Path(), QSettings::IniFormat);
        store.setValue("Costs/sVersion", kSettingsVersion);
        QVERIFY(SaveCommunicationSettings(store, costs, finnish));
        QVERIFY(SaveServiceSettings(store, costs, finnish));
        QVERIFY(SaveConnectSeconds(store, -15));
    }
    const QSet<QByteArray> lines = file.Lines();
    QVERIFY2(lines.contains("vServMinute=\"0,0125\""), file.Content().constData());
    QVERIFY(lines.contains("vServFlatMonth=\"1234,5\""));
    QVERIFY(lines.contains("vCommRate3=\"0,016666666666666666\""));
    QVERIFY(lines.contains("vAditionalConnectSeconds=-15"));

    for (const QLocale& reader : {finnish, QLocale(QLocale::English)}) {
        QSettings store(file.Path(), QSettings::IniFormat);
        const LoadedSettings loaded = LoadSettings(store, reader);
        QCOMPARE(loaded.costs, costs);
        QCOMPARE(loaded.vAditionalConnectSeconds, -15);
    }
}

void TestSettings::selectionRoundTrip()
{
    StoreFile file;
    QSettings store(file.Path(), QSettings::IniFormat);
    QCOMPARE(LoadSelection(store), Selection());

    const Selection selection{true, QStringLiteral("1.3.1998"), QString(), true};
    QVERIFY(SaveSelection(store, selection));
    QCOMPARE(LoadSelection(store), selection);
    const QSet<QByteArray> lines = file.Lines();
    QVERIFY(lines.contains("[Sel]"));
    QVERIFY(lines.contains("fSelEnabled=True"));
    QVERIFY(lines.contains("vSelStartDate=1.3.1998"));
    QVERIFY(lines.contains("vSelEndDate="));
    QVERIFY(lines.contains("fSelToEnd=True"));
}

void TestSettings::damagedStoreIsNeitherTrustedNorWritten_data()
{
    QTest::addColumn<QByteArray>("content"); // "folder": a folder in the place of the file
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    // A tariff, then the damage. The reader would lose "sVersion" to the unclosed quote, and the
    // version check would then have replaced the tariff with the defaults.
    const QByteArray tariff = "[Costs]\nvCommRate1=0.1\nvAditionalConnectSeconds=30\n";
    // clang-format off
    QTest::newRow("unclosed quote")        << tariff + "bCommCosts=\"True\nsVersion=1.75\n[Sel]\nfSelEnabled=True\n" << 4 << "unclosed quote";
    QTest::newRow("broken section header") << tariff + "sVersion=1.75\n[garbage\nbServCosts=True\n"           << 5 << "broken section header";
    QTest::newRow("binary garbage")        << tariff + "sVersion=1.75\n" + QByteArray("\x7f" "ELF\x02\x01\x00\x00=\xff\n", 11) << 5 << "control character 0x02";
    QTest::newRow("folder in its place")   << QByteArray("folder") << 0 << "cannot be read: Is a directory";
    // clang-format on
}

void TestSettings::damagedStoreIsNeitherTrustedNorWritten()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, reason);
    StoreFile file(content);
    if (content == "folder")
        QVERIFY(file.MakeFolder());
    const SettingsProblem expected{file.Path(), line, reason};
    {
        QSettings store(file.Path(), QSettings::IniFormat);
        const LoadedSettings loaded = LoadSettings(store, QLocale(QLocale::English));
        QCOMPARE(loaded.problem, expected);
        QCOMPARE(loaded.costs, CostSettings());
        QCOMPARE(loaded.vAditionalConnectSeconds, 0);

        // Every save refuses with the same problem.
        SettingsProblem problem;
        QVERIFY(!SaveCommunicationSettings(store, loaded.costs, QLocale(), &problem));
        QCOMPARE(problem, expected);
        problem = {};
        QVERIFY(!SaveServiceSettings(store, loaded.costs, QLocale(), &problem));
        QCOMPARE(problem, expected);
        problem = {};
        QVERIFY(!SaveConnectSeconds(store, 0, &problem));
        QCOMPARE(problem, expected);
        problem = {};
        QVERIFY(!SaveSelection(store, Selection(), &problem));
        QCOMPARE(problem, expected);
    }
    if (content == "folder")
        QVERIFY(QFileInfo(file.Path()).isDir());
    else
        QCOMPARE(file.Content(), content);
}

// The store knows no "#" comments: it skips such a line, and only a failed write fails a save.
void TestSettings::commentsDoNotFailSaves()
{
    StoreFile file("# the period of the table\n[Sel]\nfSelEnabled=True\n");
    QSettings store(file.Path(), QSettings::IniFormat);
    QVERIFY(LoadSelection(store).fSelEnabled);
    QVERIFY(SaveSelection(store, Selection{false, QStringLiteral("1.3.1998"), {}, true}));
    QVERIFY(file.Lines().contains("vSelStartDate=1.3.1998"));
}

void TestSettings::userStoreOnFirstRun()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString path = config.filePath("Dtallyer.ini");
    QCOMPARE(SettingsFilePath(), path);
    const LoadedSettings loaded = LoadUserSettings(QLocale(QLocale::English));
    QVERIFY(!loaded.problem);
    QCOMPARE(loaded.costs, CostSettings());
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains("sVersion=1.75"));
}

// A 50 MB value: the store would take 150 MB and a third of a second to read it, and the version
// check would write it back. It is refused by its size, unread.
void TestSettings::hugeUserStoreIsRefusedUnread()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString path = config.filePath("Dtallyer.ini");
    constexpr qint64 kSize = 50LL * 1024 * 1024 + 21;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Costs]\nvCommConnect=");
        const QByteArray chunk(1024 * 1024, '7');
        for (int i = 0; i < 50; ++i)
            QCOMPARE(file.write(chunk), chunk.size());
        QVERIFY(file.size() == kSize);
    }
    const long memoryBefore = PeakMemoryKiB();
    QElapsedTimer timer;
    timer.start();
    const LoadedSettings loaded = LoadUserSettings();
    const qint64 elapsed = timer.elapsed();
    QVERIFY(loaded.problem);
    QCOMPARE(loaded.problem->Text(),
             path + ": too large for a settings file (52428821 bytes, at most 1048576)");
    QVERIFY2(PeakMemoryKiB() - memoryBefore < 16 * 1024,
             qPrintable(QString::number(PeakMemoryKiB() - memoryBefore) + " KiB more"));
    QVERIFY2(elapsed < 100, qPrintable(QString::number(elapsed) + " ms"));
    QCOMPARE(QFileInfo(path).size(), kSize);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
