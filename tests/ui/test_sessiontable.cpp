#include "analysis/formatting.h"
#include "ui/sessiontablemodel.h"
#include "ui/tabstrip.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace dialtally;

namespace {

SessionRecord Session(int day, std::int32_t tx, std::optional<double> commCost = std::nullopt)
{
    SessionRecord s;
    s.vUp = MakeDateTime(2024, 4, day, 9, 30, 0);
    s.vDown = MakeDateTime(2024, 4, day, 10, 0, 0);
    s.vDurText = "0:30:00";
    s.lDur = 1800;
    s.lTx = tx;
    s.lRx = 2 * tx;
    s.vCommCost = commCost;
    return s;
}

} // namespace

class TestSessionTable : public QObject {
    Q_OBJECT
private slots:
    void rowsMapToSessionsOfTheRange_data();
    void rowsMapToSessionsOfTheRange();
    void cellTexts();
    void millionSessionsShowAtOnce();
    void tabPageAt_data();
    void tabPageAt();
    void tabStripRaisesSelectedTab();
};

void TestSessionTable::rowsMapToSessionsOfTheRange_data()
{
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("last");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("row");
    QTest::addColumn<qint64>("session"); // -1: the row shows no session
    // clang-format off
    QTest::newRow("whole list, first row")  << qint64(0)  << qint64(4)  << 5 << 0 << qint64(0);
    QTest::newRow("whole list, last row")   << qint64(0)  << qint64(4)  << 5 << 4 << qint64(4);
    QTest::newRow("period, first row")      << qint64(2)  << qint64(3)  << 2 << 0 << qint64(2);
    QTest::newRow("period, past its end")   << qint64(2)  << qint64(3)  << 2 << 2 << qint64(-1);
    QTest::newRow("period without session") << qint64(3)  << qint64(2)  << 0 << 0 << qint64(-1);
    QTest::newRow("range beyond the list")  << qint64(3)  << qint64(99) << 2 << 1 << qint64(4);
    // clang-format on
}

void TestSessionTable::rowsMapToSessionsOfTheRange()
{
    QFETCH(qint64, first);
    QFETCH(qint64, last);
    QFETCH(int, rows);
    QFETCH(int, row);
    QFETCH(qint64, session);
    const SessionList sessions = {Session(1, 10), Session(2, 20), Session(3, 30), Session(4, 40),
                                  Session(5, 50)};
    SessionTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    model.Show(sessions, first, last);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserts.count(), 0);
    QCOMPARE(model.rowCount(), rows);
    const auto index = model.SessionIndexOfRow(row);
    QCOMPARE(index ? qint64(*index) : qint64(-1), session);
    if (index) {
        QCOMPARE(model.index(row, int(SessionTableModel::Column::Transmitted)).data().toString(),
                 QString::number(sessions[*index].lTx));
    }

    // An empty log: a block of empty rows under the headers, none mapped to a session.
    model.ShowEmpty();
    QCOMPARE(model.rowCount(), SessionTableModel::kEmptyRowCount);
    QVERIFY(!model.SessionIndexOfRow(0));
}

void TestSessionTable::cellTexts()
{
    SessionRecord noCosts = Session(7, 1234);
    SessionRecord priced = Session(8, 99, 1.5);
    priced.vServCost = 0.0;
    SessionRecord noTimes;
    const SessionList sessions = {noCosts, priced, noTimes};
    SessionTableModel model;
    model.Show(sessions, 0, 2);
    auto text = [&](int row, SessionTableModel::Column column) {
        return model.index(row, static_cast<int>(column)).data().toString();
    };
    using C = SessionTableModel::Column;
    QCOMPARE(text(0, C::StartingTime), FormatDateTime(*MakeDateTime(2024, 4, 7, 9, 30)));
    QCOMPARE(text(0, C::SessionLength), QString("0:30:00"));
    QCOMPARE(text(0, C::Received), QString("2468"));
    // Empty costs are empty cells, not zero amounts; a zero cost is an amount.
    QCOMPARE(text(0, C::CommCosts), QString());
    QCOMPARE(text(0, C::ServCosts), QString());
    QCOMPARE(text(1, C::CommCosts), FormatCurrency(1.5));
    QCOMPARE(text(1, C::ServCosts), FormatCurrency(0.0));
    QCOMPARE(text(2, C::StartingTime), QString());
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString("Transmitted [bytes]"));
    QCOMPARE(model.index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
}

void TestSessionTable::millionSessionsShowAtOnce()
{
    SessionList sessions(1000000, Session(9, 5));
    sessions.back().lTx = 777;
    SessionTableModel model;
    QTableView view;
    view.setModel(&model);
    view.resize(500, 300);
    view.show();
    QElapsedTimer timer;
    timer.start();
    model.Show(sessions, 0, static_cast<std::int64_t>(sessions.size()) - 1);
    view.scrollToBottom();
    QCoreApplication::processEvents();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(model.rowCount(), 1000000);
    QCOMPARE(model.index(999999, 2).data().toString(), QString("777"));
    QVERIFY(view.rowAt(view.viewport()->height() - 2) > 999000);
}

void TestSessionTable::tabPageAt_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("page"); // -1: no page
    // clang-format off
    QTest::newRow("above the strip")   << 100 << 0   << -1;
    QTest::newRow("below the strip")   << 100 << 29  << -1;
    QTest::newRow("negative x")        << -5  << 10  << -1;
    QTest::newRow("left margin")       << 1   << 10  << -1;
    QTest::newRow("first third")       << 2   << 10  << 0;
    QTest::newRow("first/second edge") << 149 << 10  << 1;
    QTest::newRow("second/third edge") << 296 << 10  << 2;
    QTest::newRow("last pixel of tabs")<< 442 << 10  << 2;
    QTest::newRow("right margin")      << 443 << 10  << -1;
    QTest::newRow("design size only")  << 500 << 10  << -1;
    // clang-format on
}

void TestSessionTable::tabPageAt()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, page);
    QCOMPARE(TabPageAt(x, y).value_or(-1), page);
}

void TestSessionTable::tabStripRaisesSelectedTab()
{
    for (int selected = 0; selected < kTabCount; ++selected) {
        const QImage strip = DrawTabStrip(selected, QFont());
        QCOMPARE(strip.size(), QSize(kTabStripWidth, kTabStripHeight));
        for (int tab = 0; tab < kTabCount; ++tab) {
            // The tab in front reaches the top row; the tabs behind start lower.
            const int middle = kTabLeft + tab * kTabWidth + kTabWidth / 2;
            const bool raised = strip.pixelColor(middle, 0) == QColor(Qt::white);
            QCOMPARE(raised, tab == selected);
            // The tab in front breaks the page outline's top edge under it.
            const bool outlineUnder =
                strip.pixelColor(middle, kTabStripHeight - 3) == QColor(Qt::white);
            QCOMPARE(outlineUnder, tab != selected);
        }
    }
}

QTEST_MAIN(TestSessionTable)
#include "test_sessiontable.moc"
