#include "control/help.h"
#include "platform/folders.h"

#include <QRegularExpression>
#include <QtTest>

using namespace dialtally;

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void splitsTheFileIntoTopics()
    {
        const QString text = "<html><head><style>h1 { color: navy; }</style></head><body>\n"
                             "<h1><a name=\"10\"></a>Dialtally</h1>\n<p>See <a href=\"#210\">"
                             "logging</a>.</p>\n<h2>Not a topic</h2><p>More.</p>\n"
                             "<H1 class=\"x\"><A NAME=\"210\"></A>Logging <i>On</i> &amp; Off</H1>"
                             "<p>Switch.</p>\n</body></html>\n";
        const HelpFile file = ParseHelpText(text);
        QCOMPARE(file.style, QString("h1 { color: navy; }"));
        QCOMPARE(file.topics.size(), std::size_t{2});
        QCOMPARE(file.topics[0].context, 10);
        QCOMPARE(file.topics[0].title, QString("Dialtally"));
        QVERIFY(file.topics[0].html.startsWith("<h1><a name=\"10\">"));
        QVERIFY(file.topics[0].html.endsWith("<p>More.</p>\n"));
        QCOMPARE(file.topics[1].title, QString("Logging On & Off"));
        QVERIFY(file.topics[1].html.endsWith("<p>Switch.</p>\n"));
        QCOMPARE(file.Find(210), &file.topics[1]);
        QCOMPARE(file.Find(220), nullptr);
    }

    // Every help context number of the windows has a topic of its own, and every link between
    // topics leads to one.
    void shippedFileHasATopicForEveryContext()
    {
        const QString path = ShippedFile(QStringLiteral("DTALLY.HLP"));
        QVERIFY(!path.isEmpty());
        QString error;
        const auto file = ReadHelpFile(path, &error);
        QVERIFY2(file, qPrintable(error));
        for (int context : {10, 210, 220, 230, 240, 250, 260, 280, 290, 300, 320}) {
            const HelpTopic* topic = file->Find(context);
            QVERIFY2(topic, qPrintable(QString::number(context)));
            QVERIFY(!topic->title.isEmpty());
            QVERIFY2(topic->html.count(QStringLiteral("<p")) >= 2,
                     qPrintable(QString::number(context)));
        }
        static const QRegularExpression link(QStringLiteral("href=\"#(\\d+)\""));
        for (const HelpTopic& topic : file->topics) {
            for (auto it = link.globalMatch(topic.html); it.hasNext();) {
                const int target = it.next().captured(1).toInt();
                QVERIFY2(
                    file->Find(target),
                    qPrintable(QStringLiteral("%1 links to %2").arg(topic.context).arg(target)));
            }
        }
    }

    void helpFileBesideTheFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        // clang-format off
        QTest::newRow("folder")                << "/opt/dialtally"  << "/opt/dialtally/DTALLY.HLP";
        QTest::newRow("folder with its slash") << "/opt/dialtally/" << "/opt/dialtally/DTALLY.HLP";
        QTest::newRow("the root")              << "/"               << "/DTALLY.HLP";
        // clang-format on
    }

    void helpFileBesideTheFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QCOMPARE(HelpFilePath(folder), file);
    }

    void missingFileIsReported()
    {
        QString error;
        QVERIFY(!ReadHelpFile(QStringLiteral("/nowhere/DTALLY.HLP"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHelp)
#include "test_help.moc"
