#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace dialtally;

Q_DECLARE_METATYPE(RegistryValue)
Q_DECLARE_METATYPE(RegistryStatus)

namespace dialtally {

char* toString(const RegistryValue& value)
{
    return QTest::toString(QByteArray::number(static_cast<std::uint32_t>(value.type)) + ':' +
                           value.data.toHex(' '));
}

} // namespace dialtally

namespace {

const char kNet0[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net\\0000";

// A registry as the system's registry editor exports it: CR LF, a blank line between sections.
const QByteArray kExport =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net]\r\n"
    "@=\"Network adapters\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net\\"
    "0000]\r\n"
    "\"DriverDesc\"=\"Dial-Up Adapter\"\r\n"
    "\"DeviceVxDs\"=\"pppmac.vxd\"\r\n"
    "\"Logging\"=\"0\"\r\n"
    "\"Flags\"=dword:0000000a\r\n"
    "\"Bindings\"=hex:01,02,\\\r\n"
    "  03,ff\r\n"
    "\"Path\"=\"C:\\\\WINDOWS\\\\SYSTEM\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\r\n"
    "; a comment the editor keeps\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Dialtally]\r\n"
    "\"Version\"=\"1.75\"\r\n";

RegistryValue Bytes(RegistryType type, const QByteArray& data)
{
    return {type, data};
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString File() const { return m_dir.filePath(QStringLiteral("SYSTEM.REG")); }

    void Write(const QByteArray& text)
    {
        QFile file(File());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(text), text.size());
    }
    QByteArray Read() const
    {
        QFile file(File());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    RegistryStatus Set(const QString& key, const QString& name, const RegistryValue& value)
    {
        RegistryKey open;
        const RegistryStatus status =
            OpenRegistryKey(File(), key, kKeyQueryValue | kKeySetValue, open);
        if (status != RegistryStatus::Success)
            return status;
        return SetRegistryValue(open, name, value);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readsValuesWithTheirTypes_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<RegistryValue>("value");
        const QString net0 = QString::fromLatin1(kNet0);
        const QString lowerCase = net0.toLower();
        // clang-format off
        QTest::newRow("string with its zero")  << net0 << "DeviceVxDs" << RegistryValue::String("pppmac.vxd");
        QTest::newRow("names without case")    << lowerCase << "LOGGING" << RegistryValue::String("0");
        QTest::newRow("number")                << net0 << "Flags"    << RegistryValue::Number(10);
        QTest::newRow("bytes over two lines")  << net0 << "Bindings" << Bytes(RegistryType::Binary, "\x01\x02\x03\xff");
        QTest::newRow("backslashes")           << net0 << "Path"     << RegistryValue::String("C:\\WINDOWS\\SYSTEM");
        QTest::newRow("quotes")                << net0 << "Quoted"   << RegistryValue::String("say \"hi\"");
        QTest::newRow("default value")         << "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net" << "" << RegistryValue::String("Network adapters");
        // clang-format on
    }

    void readsValuesWithTheirTypes()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(RegistryValue, value);
        Write(kExport);
        RegistryKey open;
        QCOMPARE(OpenRegistryKey(File(), key, kKeyQueryValue, open), RegistryStatus::Success);
        RegistryValue read;
        QCOMPARE(QueryRegistryValue(open, name, read), RegistryStatus::Success);
        QCOMPARE(read, value);
        QCOMPARE(CloseRegistryKey(open), RegistryStatus::Success);
        QCOMPARE(QueryRegistryValue(open, name, read), RegistryStatus::InvalidHandle);
    }

    void keysAndValuesThatAreNotThere_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<RegistryStatus>("open");
        QTest::addColumn<RegistryStatus>("query");
        const QString net0 = QString::fromLatin1(kNet0);
        // clang-format off
        QTest::newRow("no such key")       << net0 + "1"      << "Logging" << RegistryStatus::NotFound << RegistryStatus::NotFound;
        QTest::newRow("no such value")     << net0            << "Loggin"  << RegistryStatus::Success  << RegistryStatus::NotFound;
        QTest::newRow("key above a section") << "HKEY_LOCAL_MACHINE\\Software" << "Version" << RegistryStatus::Success << RegistryStatus::NotFound;
        QTest::newRow("another root")      << "HKEY_CURRENT_USER\\Software\\Dialtally" << "Version" << RegistryStatus::NotFound << RegistryStatus::NotFound;
        // clang-format on
    }

    void keysAndValuesThatAreNotThere()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(RegistryStatus, open);
        QFETCH(RegistryStatus, query);
        Write(kExport);
        RegistryKey opened;
        QCOMPARE(OpenRegistryKey(File(), key, kKeyQueryValue, opened), open);
        RegistryValue value;
        if (open == RegistryStatus::Success)
            QCOMPARE(QueryRegistryValue(opened, name, value), query);
    }

    // A damaged file holds no key, and a write never replaces it.
    void damagedFileHoldsNoKey_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray section = "[HKEY_LOCAL_MACHINE\\Software\\Dialtally]\r\n";
        // clang-format off
        QTest::newRow("no header")             << QByteArray(section + "\"Version\"=\"1\"\r\n");
        QTest::newRow("header of another tool") << QByteArray("Windows Registry Editor Version 5.00\r\n" + section);
        QTest::newRow("value before a key")    << QByteArray("REGEDIT4\r\n\"Version\"=\"1\"\r\n" + section);
        QTest::newRow("unclosed quote")        << QByteArray("REGEDIT4\r\n" + section + "\"Version\"=\"1\r\n");
        QTest::newRow("unknown escape")        << QByteArray("REGEDIT4\r\n" + section + "\"Path\"=\"C:\\WINDOWS\"\r\n");
        QTest::newRow("text after the value")  << QByteArray("REGEDIT4\r\n" + section + "\"Version\"=\"1\" x\r\n");
        QTest::newRow("nine digits")           << QByteArray("REGEDIT4\r\n" + section + "\"Flags\"=dword:00000000a\r\n");
        QTest::newRow("odd hex byte")          << QByteArray("REGEDIT4\r\n" + section + "\"Data\"=hex:1,02\r\n");
        QTest::newRow("continuation at end")   << QByteArray("REGEDIT4\r\n" + section + "\"Data\"=hex:01,\\\r\n");
        QTest::newRow("unknown root")          << QByteArray("REGEDIT4\r\n[HKEY_NOWHERE\\Software\\Dialtally]\r\n");
        QTest::newRow("deleted key")           << QByteArray("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\Software\\Dialtally]\r\n");
        QTest::newRow("empty key name")        << QByteArray("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\\\Dialtally]\r\n");
        QTest::newRow("unclosed bracket")      << QByteArray("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Dialtally\r\n");
        QTest::newRow("stray line")            << QByteArray("REGEDIT4\r\n" + section + "Version=1\r\n");
        QTest::newRow("zero byte")             << QByteArray("REGEDIT4\r\n" + section + "\"Version\"=\"1" + QByteArray(1, '\0') + "\"\r\n");
        QTest::newRow("empty file")            << QByteArray();
        // clang-format on
    }

    void damagedFileHoldsNoKey()
    {
        QFETCH(QByteArray, text);
        Write(text);
        QVERIFY(!ParseRegistryText(text));
        RegistryKey key;
        QCOMPARE(OpenRegistryKey(File(), "HKEY_LOCAL_MACHINE\\Software\\Dialtally",
                                 kKeyQueryValue | kKeySetValue, key),
                 RegistryStatus::NotFound);
        QVERIFY(!key.IsOpen());

        // The key was opened while the file was whole; a write after the damage refuses.
        Write(kExport);
        QCOMPARE(OpenRegistryKey(File(), "HKEY_LOCAL_MACHINE\\Software\\Dialtally",
                                 kKeyQueryValue | kKeySetValue, key),
                 RegistryStatus::Success);
        Write(text);
        QCOMPARE(SetRegistryValue(key, "Version", RegistryValue::String("2")),
                 RegistryStatus::NotFound);
        QCOMPARE(Read(), text);
    }

    // A write changes the data of one value and keeps every other byte of the file.
    void writeChangesOnlyTheValue_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<RegistryValue>("value");
        QTest::addColumn<QByteArray>("after");
        const QString net0 = QString::fromLatin1(kNet0);
        const QString dialtally = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Dialtally");
        QByteArray logging1 = kExport;
        logging1.replace("\"Logging\"=\"0\"", "\"Logging\"=\"1\"");
        QByteArray flagsText = kExport;
        flagsText.replace("\"Flags\"=dword:0000000a", "\"Flags\"=\"C:\\\\a \\\"b\\\"\"");
        QByteArray bindings = kExport;
        bindings.replace("\"Bindings\"=hex:01,02,\\\r\n  03,ff", "\"Bindings\"=dword:00010203");
        QByteArray added = kExport;
        added.replace("\"Quoted\"=\"say \\\"hi\\\"\"\r\n",
                      "\"Quoted\"=\"say \\\"hi\\\"\"\r\n\"New\"=\"x\"\r\n");
        QByteArray defaultValue = kExport;
        defaultValue.replace("\"Version\"=\"1.75\"\r\n", "\"Version\"=\"1.75\"\r\n@=\"d\"\r\n");
        const QByteArray open = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Dialtally]\n"
                                "\"Version\"=\"1.75\"";
        const QByteArray halfEnded = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Dialtally]\r\n"
                                     "\"Version\"=\"1.75\"\r";
        const QByteArray twice = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Dialtally]\n"
                                 "\"Version\"=\"1\"\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dialtally]\n"
                                 "\"Other\"=\"1\"\n\"version\"=\"2\"\n";
        QByteArray twiceAfter = twice;
        twiceAfter.replace("\"version\"=\"2\"", "\"version\"=\"3\"");
        // clang-format off
        QTest::newRow("string over string") << kExport << net0.toUpper() << "logging" << RegistryValue::String("1") << logging1;
        QTest::newRow("escaped string over number") << kExport << net0 << "Flags" << RegistryValue::String("C:\\a \"b\"") << flagsText;
        QTest::newRow("number over two lines of bytes") << kExport << net0 << "Bindings" << RegistryValue::Number(0x10203) << bindings;
        QTest::newRow("new value after the last one") << kExport << net0 << "New" << RegistryValue::String("x") << added;
        QTest::newRow("new default value at the end") << kExport << dialtally << "" << RegistryValue::String("d") << defaultValue;
        QTest::newRow("new value, last line open") << open << dialtally << "Other" << RegistryValue::String("2") << QByteArray(open + "\n\"Other\"=\"2\"");
        QTest::newRow("new value, last line half ended") << halfEnded << dialtally << "Other" << RegistryValue::String("2") << QByteArray(halfEnded + "\n\"Other\"=\"2\"");
        QTest::newRow("the later of two counts") << twice << dialtally << "VERSION" << RegistryValue::String("3") << twiceAfter;
        QTest::newRow("key without a section") << open << "HKEY_LOCAL_MACHINE\\Software" << "A" << RegistryValue::Number(1) << QByteArray(open + "\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=dword:00000001\n");
        QTest::newRow("same value, same file") << kExport << net0 << "Flags" << RegistryValue::Number(10) << kExport;
        // clang-format on
    }

    void writeChangesOnlyTheValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(RegistryValue, value);
        QFETCH(QByteArray, after);
        Write(before);
        QCOMPARE(Set(key, name, value), RegistryStatus::Success);
        QCOMPARE(Read(), after);
        // What was written reads back.
        RegistryKey open;
        QCOMPARE(OpenRegistryKey(File(), key, kKeyQueryValue, open), RegistryStatus::Success);
        RegistryValue read;
        QCOMPARE(QueryRegistryValue(open, name, read), RegistryStatus::Success);
        QCOMPARE(read, value);
    }

    void valuesTheFileCannotHold_data()
    {
        QTest::addColumn<RegistryValue>("value");
        // clang-format off
        QTest::newRow("line break")      << RegistryValue::String("a\r\nb");
        QTest::newRow("zero inside")     << RegistryValue::String(QByteArray("a\0b", 3));
        QTest::newRow("short number")    << Bytes(RegistryType::Number, "\x01\x02");
        QTest::newRow("bytes")           << Bytes(RegistryType::Binary, "\x01");
        // clang-format on
    }

    void valuesTheFileCannotHold()
    {
        QFETCH(RegistryValue, value);
        Write(kExport);
        QCOMPARE(Set(QString::fromLatin1(kNet0), "Logging", value),
                 RegistryStatus::InvalidParameter);
        QCOMPARE(Read(), kExport);
    }

    // A file marked read-only refuses a key opened to write, as the system does; it still reads.
    void readOnlyFileRefusesWriteAccess()
    {
        Write(kExport);
        QVERIFY(QFile::setPermissions(File(), QFile::ReadOwner | QFile::ReadGroup));
        RegistryKey key;
        QCOMPARE(OpenRegistryKey(File(), QString::fromLatin1(kNet0), 0x3F, key),
                 RegistryStatus::AccessDenied);
        QCOMPARE(OpenRegistryKey(File(), QString::fromLatin1(kNet0), kKeyQueryValue, key),
                 RegistryStatus::Success);
        RegistryValue value;
        QCOMPARE(QueryRegistryValue(key, "Logging", value), RegistryStatus::Success);
        QCOMPARE(SetRegistryValue(key, "Logging", RegistryValue::String("1")),
                 RegistryStatus::AccessDenied);
        QVERIFY(QFile::setPermissions(File(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(Read(), kExport);
    }

    void missingFileHoldsNoKey()
    {
        RegistryKey key;
        QCOMPARE(OpenRegistryKey(m_dir.filePath("nowhere/SYSTEM.REG"), QString::fromLatin1(kNet0),
                                 kKeyQueryValue, key),
                 RegistryStatus::NotFound);
        QCOMPARE(SystemRegistryFile("/w"), QString("/w/SYSTEM.REG"));
    }

    // The new file takes the old one's permissions, and nothing is left beside it.
    void writeKeepsPermissionsAndLeavesNoTemporaryFile()
    {
        Write(kExport);
        QVERIFY(::chmod(QFile::encodeName(File()).constData(), 0640) == 0);
        QCOMPARE(Set(QString::fromLatin1(kNet0), "Logging", RegistryValue::String("1")),
                 RegistryStatus::Success);
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(File()).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 07777, 0640u);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"SYSTEM.REG"});
    }

    // A writer killed at any moment leaves the old file or the new one, never a torn one.
    void killedWriterLeavesOldOrNewFile()
    {
        Write(kExport);
        QByteArray on = kExport;
        on.replace("\"Logging\"=\"0\"", "\"Logging\"=\"10\"");
        const QString key = QString::fromLatin1(kNet0);
        int torn = 0;
        for (int round = 0; round < 100; ++round) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int i = 0;; ++i)
                    Set(key, "Logging", RegistryValue::String(i % 2 ? "10" : "0"));
            }
            ::usleep(static_cast<useconds_t>(200 + (round * 137) % 3000));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            const QByteArray text = Read();
            torn += text != kExport && text != on;
        }
        QCOMPARE(torn, 0);
        // The next write clears away what the killed writers left.
        QCOMPARE(Set(key, "Logging", RegistryValue::String("1")), RegistryStatus::Success);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"SYSTEM.REG"});
    }

    // Writers take turns: no write is lost to another that read the file before it was replaced.
    void concurrentWritersLoseNothing()
    {
        Write(kExport);
        const QString key = QString::fromLatin1(kNet0);
        constexpr int kRounds = 200;
        auto writer = [&](const QString& name) {
            for (std::uint32_t i = 1; i <= kRounds; ++i)
                Set(key, name, RegistryValue::Number(i));
        };
        std::thread a(writer, QStringLiteral("A"));
        std::thread b(writer, QStringLiteral("B"));
        a.join();
        b.join();
        const auto parsed = ParseRegistryText(Read());
        QVERIFY(parsed);
        const QByteArray path = key.toLatin1();
        QCOMPARE(FindRegistryValue(*parsed, path, "A"), RegistryValue::Number(kRounds));
        QCOMPARE(FindRegistryValue(*parsed, path, "B"), RegistryValue::Number(kRounds));
        QCOMPARE(FindRegistryValue(*parsed, path, "Logging"), RegistryValue::String("0"));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"
