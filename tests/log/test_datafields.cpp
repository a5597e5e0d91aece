#include "log/datafile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

using namespace dialtally;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString kTooLong = QStringLiteral("<too long>");

// Every field of the file up to its end, read in blocks of blockSize bytes; a passed-over field
// shows as "<too long>".
QStringList ReadFields(const QString& path, std::size_t blockSize, std::size_t maxField)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return {QStringLiteral("<cannot open>")};
    DataFieldReader reader(fd, blockSize, maxField);
    QStringList fields;
    std::string_view field;
    DataFieldReader::Result result;
    while ((result = reader.Next(field)) != DataFieldReader::Result::End) {
        if (result == DataFieldReader::Result::TooLong)
            fields << kTooLong;
        else if (result == DataFieldReader::Result::Field)
            fields << QString::fromLatin1(field.data(), qsizetype(field.size()));
        else
            fields << QStringLiteral("<stopped>");
    }
    ::close(fd);
    return fields;
}

const std::size_t kBlockSizes[] = {1, 2, 3, 7, 64, 4096};

} // namespace

// The reader must give the same fields however the bytes fall into blocks.
class TestDataFieldReader : public QObject {
    Q_OBJECT

private slots:
    void blockBoundaries()
    {
        const QByteArray data =
            "\"a,b\"\r\n  bare one ,\"q\"junk,x\r\r\n\"multi\r\nline\"\n,end\r\n"
            "\"" +
            QByteArray(100, 'L') + "\"\r\nlast\r\n";
        const QStringList expected = {"a,b",           "bare one", "q",   "x",      "",
                                      "multi\r\nline", "",         "end", kTooLong, "last"};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d"));
        QVERIFY(WriteFile(path, data));
        for (std::size_t block : kBlockSizes)
            QCOMPARE(ReadFields(path, block, 40), expected);
    }

    // Blanks after a bare field are not part of it, so they cannot make it too long, however
    // many there are and wherever a block ends among them; blanks inside a field do count.
    void lengthOfBareFields_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("expected");
        const QByteArray blanks(100, ' ');
        const QByteArray full(40, 'F');
        // clang-format off
        QTest::newRow("short field, many blanks") << "abc" + blanks + "\r\nnext\r\n"  << QStringList{"abc", "next"};
        QTest::newRow("full field, many blanks")  << full + blanks + ",next\r\n"      << QStringList{full, "next"};
        QTest::newRow("blanks and tabs")          << "abc" + blanks + "\t\t" + blanks + "\n" << QStringList{"abc"};
        QTest::newRow("one byte over")            << full + "F" + blanks + "\r\nnext\r\n" << QStringList{kTooLong, "next"};
        QTest::newRow("blanks inside the field")  << "ab" + blanks + "c\r\nnext\r\n"  << QStringList{kTooLong, "next"};
        // clang-format on
    }
    void lengthOfBareFields()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d"));
        QVERIFY(WriteFile(path, data));
        for (std::size_t block : kBlockSizes)
            QCOMPARE(ReadFields(path, block, 40), expected);
    }
};

QTEST_GUILESS_MAIN(TestDataFieldReader)
#include "test_datafields.moc"
