#include "log/sessionlog.h"
#include "support/runcli.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

const QColor kCyan(0, 255, 255), kRed(255, 0, 0);

int CountColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

} // namespace

// dialtally-cli graph: the monthly usage graph of the whole log as a PNG, drawn without a display.
class TestCliGraph : public QObject {
    Q_OBJECT
private slots:
    void init();
    void graphOfTwoMonths();
    void sizeFromOptions();
    void badArguments_data();
    void badArguments();
    void unwritableFileFails();

private:
    CliResult Run(const QStringList& args);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliGraph::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

CliResult TestCliGraph::Run(const QStringList& args)
{
    // No display and no platform given: the command must find its own way to draw.
    QProcessEnvironment env = TestEnvironment(QDir(m_dir->path()));
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    return RunCli(QStringList{"graph"} + args, env);
}

void TestCliGraph::graphOfTwoMonths()
{
    // 30 minutes in March, 60 minutes and 2,000,000 bytes received in April: scales of 70 minutes
    // and 2.1 Mb, three slots of 2129 twips (the last one empty, for May).
    const DateTime march = *MakeDateTime(2024, 3, 4, 10);
    const DateTime april = *MakeDateTime(2024, 4, 2, 20);
    auto at = [](DateTime t, int minutes) { return DateTime{t.seconds + minutes * 60}; };
    const EventList events = {MakeEvent(march, 13),
                              MakeEvent(at(march, 30), 12),
                              MakeEvent(at(march, 31), 101, 5000),
                              MakeEvent(at(march, 31), 102, 700),
                              MakeEvent(april, 13),
                              MakeEvent(at(april, 60), 12),
                              MakeEvent(at(april, 61), 101, 2000000),
                              MakeEvent(at(april, 61), 102, 30000)};
    QVERIFY(WriteSessionLog(m_dir->path(), events));

    const QString png = m_dir->filePath("graph.png");
    const CliResult r = Run({png});
    QCOMPARE(r.exitCode, 0);
    const QImage image(png);
    QCOMPARE(image.size(), QSize(501, 169)); // the monthly page's picture at 96 dpi

    // March's usage bar (990 .. 1558 twips across, 815 high) reaches 10 pixels above the middle
    // of the plot area but not the height of April's (1630 high); April's received bar stands
    // almost to the top.
    QVERIFY(image.pixelColor(85, 120) == kCyan);
    QVERIFY(image.pixelColor(85, 60) != kCyan);
    QVERIFY(image.pixelColor(225, 60) == kCyan);
    QVERIFY(CountColour(image, QRect(QPoint(287, 40), QPoint(319, 148)), kRed) > 100);
    // Nothing in May's slot.
    const QRect may(QPoint(4830 / 15 + 2, 30), QPoint(455, 148));
    QCOMPARE(CountColour(image, may, kCyan) + CountColour(image, may, kRed), 0);
}

void TestCliGraph::sizeFromOptions()
{
    const QString png = m_dir->filePath("empty.png");
    QCOMPARE(Run({"--width", "800", "--height=300", png}).exitCode, 0);
    QCOMPARE(QImage(png).size(), QSize(800, 300));
}

void TestCliGraph::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no file") << QStringList{};
    QTest::newRow("two files") << QStringList{"a.png", "b.png"};
    QTest::newRow("width zero") << QStringList{"--width", "0", "a.png"};
    QTest::newRow("height not a number") << QStringList{"--height", "tall", "a.png"};
    QTest::newRow("unknown option") << QStringList{"--depth", "3", "a.png"};
}

void TestCliGraph::badArguments()
{
    QFETCH(QStringList, args);
    const CliResult r = Run(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains("dialtally-cli: "));
}

void TestCliGraph::unwritableFileFails()
{
    const QString png = m_dir->filePath("missing/folder/graph.png");
    const CliResult r = Run({png});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains("graph.png"));
}

QTEST_MAIN(TestCliGraph)
#include "test_cli_graph.moc"
