#include "log/oldlog.h"
#include "log/sessionlog.h"
#include "support/memoryprogressbar.h"
#include "ui/frmmain.h"
#include "ui/importoldlog.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

namespace {

using Answer = MessageBox::Answer;

const QByteArray kOldLog = "#1998-12-16 10:14:40#,\"Remote access driver log opened.\"\r\n"
                           "#1998-12-16 10:45:00#,\"Bytes Received 123456\"\r\n";
const QByteArray kConverted = QByteArray::fromHex("fe36c5a82da6e140010000000000"
                                                  "555555552ea6e140650040e20100");
const QByteArray kCurrent = QByteArray::fromHex("0000000000d0e240650007000000");

const QString kQuestion =
    QStringLiteral("An old log which is incompatible with this version of Dialtally has been "
                   "found on your system.\r\n\r\nDo you want to convert the old log to the new "
                   "format?");
const QString kRemoveWarning =
    QStringLiteral("This action will remove the old log from your system without importing it.");

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Remembers every text it was given.
class TextRecordingBar : public MemoryProgressBar {
public:
    void SetText(const QString& text) override { texts << text; }
    QStringList texts;
};

} // namespace

class TestImportOldLog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;

    QString InProgram(const char* name) const
    {
        return QDir(m_places.programDir).filePath(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QDir dir(m_dir->path());
        m_places.programDir = dir.filePath(QStringLiteral("program"));
        m_places.windowsDir = dir.filePath(QStringLiteral("windows"));
        m_places.configDir = dir.filePath(QStringLiteral("config"));
        m_places.runtimeDir = dir.filePath(QStringLiteral("run"));
        m_places.dialect = Dialect::Windows95;
        QVERIFY(QDir().mkpath(m_places.programDir));
        MessageBox::SetAutoAnswer(std::nullopt);
        MessageBox::ResetRecord();
    }

    // Each row answers the boxes in turn and states what they said and what the files hold.
    void dialogue_data()
    {
        QTest::addColumn<QString>("oldLog");    // "text", "none" or "folder" (cannot be read)
        QTest::addColumn<bool>("sesLogFolder"); // the current log cannot be read
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("boxes"); // the texts shown, in order
        QTest::addColumn<QByteArray>("sesLog");
        QTest::addColumn<bool>("oldLogLeft");
        QTest::addColumn<QString>("lastBarText");

        const QString readFailed =
            QStringLiteral("Error occured while reading old log!\r\nOld log not imported.");
        const QString appendFailed = QStringLiteral(
            "Error occured while appending imported log to new log!\r\nOld log not imported.");
        const QString imported = QStringLiteral("Old log imported successfully\r\n");
        const QString appending = QStringLiteral("Appending imported log to existing new log..");
        // clang-format off
        QTest::newRow("no old log, no question")
            << "none" << false << QList<Answer>{} << QStringList{} << kCurrent << false << "";
        QTest::newRow("yes converts")
            << "text" << false << QList<Answer>{Answer::Yes, Answer::Ok}
            << QStringList{kQuestion, imported} << kConverted + kCurrent << false << "";
        QTest::newRow("no then cancel asks again")
            << "text" << false << QList<Answer>{Answer::No, Answer::Cancel, Answer::Cancel}
            << QStringList{kQuestion, kRemoveWarning, kQuestion} << kCurrent << true << "";
        QTest::newRow("no then OK retires it")
            << "text" << false << QList<Answer>{Answer::No, Answer::Ok}
            << QStringList{kQuestion, kRemoveWarning} << kCurrent << false << "";
        QTest::newRow("cancel waits for the next start")
            << "text" << false << QList<Answer>{Answer::Cancel}
            << QStringList{kQuestion} << kCurrent << true << "";
        QTest::newRow("conversion failure")
            << "folder" << false << QList<Answer>{Answer::Yes, Answer::Ok}
            << QStringList{kQuestion, readFailed} << kCurrent << true << "";
        QTest::newRow("append failure keeps the text")
            << "text" << true << QList<Answer>{Answer::Yes, Answer::Ok}
            << QStringList{kQuestion, appendFailed} << QByteArray("<missing>") << true << appending;
        // clang-format on
    }

    void dialogue()
    {
        QFETCH(QString, oldLog);
        QFETCH(bool, sesLogFolder);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, boxes);
        QFETCH(QByteArray, sesLog);
        QFETCH(bool, oldLogLeft);
        QFETCH(QString, lastBarText);
        if (oldLog == QLatin1String("text"))
            QVERIFY(WriteFile(InProgram("Dtally.log"), kOldLog));
        if (oldLog == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(InProgram("Dtally.log")));
        if (sesLogFolder)
            QVERIFY(QDir().mkpath(InProgram("SesLog.log")));
        else
            QVERIFY(WriteFile(InProgram("SesLog.log"), kCurrent));
        for (const Answer answer : answers)
            MessageBox::SetNextAnswer(answer);

        TextRecordingBar bar;
        ImportOldLog(nullptr, m_places, bar);
        // The record keeps the number of boxes and the last text.
        QCOMPARE(MessageBox::ShownCount(), boxes.size());
        if (!boxes.isEmpty())
            QCOMPARE(MessageBox::LastText(), boxes.last());
        QCOMPARE(ReadFile(InProgram("SesLog.log")), sesLog);
        QCOMPARE(QFileInfo::exists(InProgram("Dtally.log")), oldLogLeft);
        if (oldLog == QLatin1String("text") && !oldLogLeft)
            QCOMPARE(ReadFile(InProgram("OldLog.log")), kOldLog);
        QCOMPARE(bar.texts.isEmpty() ? QString() : bar.texts.last(), lastBarText);
        QVERIFY(!QFile::exists(InProgram("TempLog.log")));
    }

    void progressTextsOfAConversion()
    {
        QVERIFY(WriteFile(InProgram("Dtally.log"), kOldLog));
        QVERIFY(WriteFile(InProgram("SesLog.log"), kCurrent));
        MessageBox::SetNextAnswer(Answer::Yes);
        MessageBox::SetNextAnswer(Answer::Ok);
        TextRecordingBar bar;
        ImportOldLog(nullptr, m_places, bar);
        QCOMPARE(bar.texts,
                 (QStringList{"Importing log...", "Reading old log..", "Reading old log..",
                              "Analyzing and writing imported log..",
                              "Appending imported log to existing new log..",
                              "Log imported successfully..", ""}));
    }

    // The window converts before its first load, so the first load shows the old sessions.
    void windowImportsBeforeItsFirstLoad()
    {
        QVERIFY(WriteFile(InProgram("Dtally.log"), kOldLog));
        MessageBox::SetNextAnswer(Answer::Yes);
        MessageBox::SetAutoAnswer(Answer::Ok);
        frmMain window(m_places, nullptr, [] { return *MakeDateTime(2024, 5, 20); });
        window.show();
        window.FirstActivation();
        QCOMPARE(ReadFile(InProgram("SesLog.log")), kConverted);
        QCOMPARE(window.Sessions().front().lRx, 123456);
        MessageBox::SetAutoAnswer(std::nullopt);
    }
};

QTEST_MAIN(TestImportOldLog)
#include "test_importoldlog.moc"
