#include "log/datafields.h"

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
        const QStringList expected = {"a,b",           "bare one", "q",   "x",          "",
                                      "multi\r\nline", "",         "end", "<too long>", "last"};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d"));
        QVERIFY(WriteFile(path, data));
        for (std::size_t block : {1, 2, 3, 7, 64, 4096}) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            QVERIFY(fd >= 0);
            DataFieldReader reader(fd, block, 40);
            QStringList fields;
            std::string_view field;
            DataFieldReader::Result result;
            while ((result = reader.Next(field)) != DataFieldReader::Result::End) {
                QVERIFY(result == DataFieldReader::Result::Field ||
                        result == DataFieldReader::Result::TooLong);
                fields << (result == DataFieldReader::Result::TooLong
                               ? QStringLiteral("<too long>")
                               : QString::fromLatin1(field.data(), qsizetype(field.size())));
            }
            ::close(fd);
            QCOMPARE(fields, expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestDataFieldReader)
#include "test_datafields.moc"
