#include "control/adapterregistry.h"
#include "control/logging.h"
#include "support/registryfile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

class TestAdapterRegistry : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString File() const { return m_dir.filePath(QStringLiteral("SYSTEM.REG")); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void findsTheDialUpAdapter_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("found"); // the index of the adapter's key, or empty
        const QByteArray card =
            NetClassKey("0000", "\"DriverDesc\"=\"NE2000 Compatible\"\r\n"
                                "\"DeviceVxDs\"=\"ne2000.sys\"\r\n\"Logging\"=\"0\"\r\n");
        const QByteArray noLogging = NetClassKey("0000", "\"DeviceVxDs\"=\"pppmac.vxd\"\r\n");
        const QByteArray driverNumber =
            NetClassKey("0000", "\"DeviceVxDs\"=dword:00000001\r\n\"Logging\"=\"1\"\r\n");
        const QByteArray otherCase = "[hkey_local_machine\\system\\currentcontrolset\\services\\"
                                     "class\\net\\0004]\r\n\"DEVICEVXDS\"=\"pppmac.vxd\"\r\n"
                                     "\"logging\"=\"0\"\r\n";
        // clang-format off
        QTest::newRow("the adapter at 0000")       << DialUpAdapter("0000", "\"0\"")            << "0000";
        QTest::newRow("behind a network card")     << card + DialUpAdapter("0001", "\"0\"")     << "0001";
        QTest::newRow("the first of two")          << DialUpAdapter("0003", "\"1\"") + DialUpAdapter("0002", "\"0\"") << "0002";
        QTest::newRow("0009 is searched")          << DialUpAdapter("0009", "\"0\"")            << "0009";
        QTest::newRow("0012 is not searched")      << DialUpAdapter("0012", "\"0\"")            << "";
        QTest::newRow("without a Logging value")   << noLogging                                  << "";
        QTest::newRow("Logging as a number")       << DialUpAdapter("0000", "dword:00000001")   << "0000";
        QTest::newRow("driver in capitals")        << QByteArray(DialUpAdapter("0000", "\"0\"")).replace("pppmac.vxd", "PPPMAC.VXD") << "";
        QTest::newRow("driver with another")       << QByteArray(DialUpAdapter("0000", "\"0\"")).replace("pppmac.vxd", "pppmac.vxd,vdhcp.386") << "";
        QTest::newRow("driver as a number")        << driverNumber                               << "";
        QTest::newRow("names in another case")     << otherCase                                  << "0004";
        // clang-format on
    }

    void findsTheDialUpAdapter()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, found);
        QVERIFY(WriteRegistryFile(File(), RegistryFileText(keys)));
        const QString expected = found.isEmpty()
                                     ? QString()
                                     : "System\\CurrentControlSet\\Services\\Class\\Net\\" + found;
        QCOMPARE(FindAdapterKey(File()), expected);
    }

    // Switching writes the string "1" or "0" over whatever the value was, and nothing else.
    void switchingWritesOnlyTheLoggingString_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("after");
        // clang-format off
        QTest::newRow("off to on")       << QByteArray("\"0\"")          << true  << QByteArray("\"1\"");
        QTest::newRow("on to off")       << QByteArray("\"1\"")          << false << QByteArray("\"0\"");
        QTest::newRow("number to on")    << QByteArray("dword:00000000") << true  << QByteArray("\"1\"");
        // clang-format on
    }

    void switchingWritesOnlyTheLoggingString()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, on);
        QFETCH(QByteArray, after);
        const QByteArray card = NetClassKey("0000", "\"Logging\"=\"0\"\r\n");
        QVERIFY(WriteRegistryFile(File(), RegistryFileText(card + DialUpAdapter("0001", before))));
        QVERIFY(SetAdapterLogging(File(), on));
        QCOMPARE(ReadRegistryFile(File()), RegistryFileText(card + DialUpAdapter("0001", after)));
    }

    // Without an adapter, or where its key cannot be opened with every right, nothing is found and
    // nothing is written.
    void adapterThatCannotBeReachedCountsAsMissing()
    {
        bool on = true;
        LoggingPlaces places;
        places.registryFile = File();
        places.loggerRegistry = m_dir.filePath(QStringLiteral("run"));
        QVERIFY(WriteRegistryFile(File(), "REGEDIT4\r\n"));
        QVERIFY(!GetLoggingState(places, on));
        QVERIFY(!SetAdapterLogging(File(), true));

        const QByteArray text = RegistryFileText(DialUpAdapter("0000", "\"1\""));
        QVERIFY(WriteRegistryFile(File(), text));
        QVERIFY(GetLoggingState(places, on));
        QVERIFY(!on); // "1", but no logger runs
        QVERIFY(QFile::setPermissions(File(), QFile::ReadOwner));
        QVERIFY(!GetLoggingState(places, on));
        QVERIFY(!SetAdapterLogging(File(), false));
        QVERIFY(QFile::setPermissions(File(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(ReadRegistryFile(File()), text);
    }

    void readsTheOptionAsANumber_data()
    {
        QTest::addColumn<QByteArray>("text"); // a string value, without its terminating zero
        QTest::addColumn<double>("number");
        // clang-format off
        QTest::newRow("1")           << QByteArray("1")   << 1.0;
        QTest::newRow("0")           << QByteArray("0")   << 0.0;
        QTest::newRow("leading 0")   << QByteArray("01")  << 1.0;
        QTest::newRow("blank first") << QByteArray(" 1")  << 1.0;
        QTest::newRow("decimal")     << QByteArray("1.0") << 1.0;
        QTest::newRow("text after")  << QByteArray("1x")  << 1.0;
        QTest::newRow("text first")  << QByteArray("x1")  << 0.0;
        QTest::newRow("11")          << QByteArray("11")  << 11.0;
        QTest::newRow("empty")       << QByteArray()      << 0.0;
        // clang-format on
    }

    void readsTheOptionAsANumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, number);
        QCOMPARE(RegValueNumber(RegValue(text + '\0')), number);
        QCOMPARE(RegValueNumber(RegValue(std::uint32_t{1})), 1.0);
    }

    void messagesOfAMissingAdapter()
    {
        QCOMPARE(MissingAdapterMessage(2), QString("Dial-Up Adapter Not Found on Your Computer!\r\n"
                                                   "Please, Check your Network Settings."));
        QCOMPARE(MissingAdapterMessage(1), MissingAdapterMessage(2));
        QCOMPARE(MissingAdapterMessage(0),
                 QString("This version of Dialtally does not support your Windows version!\r\n"
                         "Can't find Dial-Up adapter."));
    }
};

QTEST_GUILESS_MAIN(TestAdapterRegistry)
#include "test_adapterregistry.moc"
