#include "analysis/formatting.h"
#include "log/sessionlog.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"
#include "ui/printcommand.h"
#include "ui/sessiontablemodel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace dialtally;

namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return *MakeDateTime(y, mo, d, h, mi, s);
}

// Four sessions of the Windows 98 dialect, 10:00:00 to 10:30:02 on 4, 5, 6 and 7 March 2024,
// each with a record at 09:59:40 (which only a deletion that forgets the allowance of 30 s
// reaches) and a counter 5 s after its end (beyond the margin of 4 s). Seven records a day.
EventList FourSessions()
{
    EventList events;
    for (int day = 4; day <= 7; ++day) {
        events.push_back(MakeEvent(At(2024, 3, day, 9, 59, 40), 261));
        events.push_back(MakeEvent(At(2024, 3, day, 10, 0, 0), 257));
        events.push_back(MakeEvent(At(2024, 3, day, 10, 0, 5), 267));
        events.push_back(MakeEvent(At(2024, 3, day, 10, 30, 2), 258));
        events.push_back(MakeEvent(At(2024, 3, day, 10, 30, 2), 357, 5000 * day));
        events.push_back(MakeEvent(At(2024, 3, day, 10, 30, 2), 358, 700 * day));
        events.push_back(MakeEvent(At(2024, 3, day, 10, 30, 7), 379, 1));
    }
    return events;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray Bytes(const EventList& events)
{
    QByteArray bytes;
    for (const LogEvent& event : events) {
        const LogRecordBytes record = EncodeRecord(event);
        bytes.append(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
    }
    return bytes;
}

} // namespace

class TestLogCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void deleteSelectedSessions_data();
    void deleteSelectedSessions();
    void cancelLeavesEveryFile_data();
    void cancelLeavesEveryFile();
    void clearLogThenUpdate();
    void writeDataFileOfThePeriodShown();
    void writeDataFileReportsFailure();
    void printsToPdf();

private:
    std::unique_ptr<frmMain> StartWindow();
    void SelectRows(frmMain& window, int first, int last);
    QString ProgramFile(const char* name) const { return QDir(m_places.programDir).filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;
    QByteArray m_original;
};

void TestLogCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QDir dir(m_dir->path());
    for (const char* folder : {"program", "windows", "config"})
        QVERIFY(dir.mkpath(folder));
    m_places.programDir = dir.filePath("program");
    m_places.windowsDir = dir.filePath("windows");
    m_places.configDir = dir.filePath("config");
    m_places.runtimeDir = dir.filePath("run");
    QVERIFY(
        WriteAll(m_places.SettingsFile(), "[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\n"));
    QVERIFY(WriteSessionLog(m_places.programDir, FourSessions()));
    m_original = ReadAll(ProgramFile("SesLog.log"));
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    MessageBox::ResetRecord();
}

void TestLogCommands::cleanup()
{
    QLocale::setDefault(QLocale::system());
    SetPrinterChooser({});
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    m_dir.reset();
}

std::unique_ptr<frmMain> TestLogCommands::StartWindow()
{
    auto window =
        std::make_unique<frmMain>(m_places, nullptr, [] { return *MakeDateTime(2024, 5, 20); });
    window->show();
    window->FirstActivation();
    return window;
}

void TestLogCommands::SelectRows(frmMain& window, int first, int last)
{
    auto* grid = window.findChild<QTableView*>("grdTime");
    const QAbstractItemModel* model = grid->model();
    grid->setCurrentIndex(model->index(first, 0));
    grid->selectionModel()->select(
        QItemSelection(model->index(first, 0), model->index(last, model->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
}

void TestLogCommands::deleteSelectedSessions_data()
{
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<bool>("olderBackup");
    QTest::addColumn<QList<int>>("keptDays");
    QTest::addColumn<QString>("question");
    // clang-format off
    QTest::newRow("one session")         << 1 << 1 << false << QList<int>{4, 6, 7}
        << "This action will delete log from 05/03/2024 09:59:30 to 05/03/2024 10:30:02.\r\n\r\n"
           "Are you sure you want to continue?";
    QTest::newRow("several, in between") << 0 << 2 << true  << QList<int>{7}
        << "This action will delete log from 04/03/2024 09:59:30 to 06/03/2024 10:30:02.\r\n\r\n"
           "Are you sure you want to continue?";
    // clang-format on
}

// The span is the selected sessions' logged times with the margins, the allowance of 30 s that
// the table shows undone: each day's record at 09:59:40 and the counter at 10:30:07 stay unless
// they lie between the selected sessions.
void TestLogCommands::deleteSelectedSessions()
{
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QFETCH(bool, olderBackup);
    QFETCH(QList<int>, keptDays);
    QFETCH(QString, question);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    if (olderBackup)
        QVERIFY(WriteAll(ProgramFile("SesLog.bak"), "an older backup"));
    auto window = StartWindow();
    QCOMPARE(window->SessionTable().rowCount(), 4);
    SelectRows(*window, firstRow, lastRow);
    MessageBox::SetAutoAnswer(MessageBox::Answer::Cancel);
    window->findChild<QAction*>("mnuDelete")->trigger();
    QCOMPARE(MessageBox::LastText(), question);
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    window->findChild<QAction*>("mnuDelete")->trigger();
    QCOMPARE(MessageBox::LastText(), QString("Part of log successfully deleted."));

    EventList kept;
    const EventList all = FourSessions();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const int day = 4 + static_cast<int>(i) / 7;
        const bool edgeOfSelection =
            (day == 4 + firstRow && i % 7 == 0) || (day == 4 + lastRow && i % 7 == 6);
        if (keptDays.contains(day) || edgeOfSelection)
            kept.push_back(all[i]);
    }
    QCOMPARE(ReadAll(ProgramFile("SesLog.log")).toHex(), Bytes(kept).toHex());
    QCOMPARE(ReadAll(ProgramFile("SesLog.bak")), m_original);
    QCOMPARE(window->SessionTable().rowCount(), keptDays.size());
    // The sum line no longer shows the deleted sessions: it sums the first row shown now.
    const SessionRecord& first = window->Sessions().front();
    QCOMPARE(window->findChild<QLabel*>("lblSumRec")->text(), FormatBytes(first.lRx));
}

void TestLogCommands::cancelLeavesEveryFile_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("delete") << "mnuDelete";
    QTest::newRow("clear log") << "mnuClearLog";
}

void TestLogCommands::cancelLeavesEveryFile()
{
    QFETCH(QString, command);
    QVERIFY(WriteAll(ProgramFile("SesLog.bak"), "an older backup"));
    auto window = StartWindow();
    SelectRows(*window, 1, 2);
    MessageBox::SetAutoAnswer(MessageBox::Answer::Cancel);
    MessageBox::ResetRecord();
    window->findChild<QAction*>(command)->trigger();
    QCOMPARE(MessageBox::ShownCount(), 1); // the question alone
    QCOMPARE(ReadAll(ProgramFile("SesLog.log")), m_original);
    QCOMPARE(ReadAll(ProgramFile("SesLog.bak")), QByteArray("an older backup"));
    QCOMPARE(QDir(m_places.programDir).entryList(QDir::Files).size(), 2);
    QCOMPARE(window->SessionTable().rowCount(), 4);
}

void TestLogCommands::clearLogThenUpdate()
{
    QVERIFY(WriteAll(ProgramFile("SesLog.bak"), "an older backup"));
    auto window = StartWindow();
    MessageBox::ResetRecord();
    QTest::mouseClick(window->findChild<QPushButton*>("cmdClear"), Qt::LeftButton);
    QCOMPARE(MessageBox::LastText(), QString("Log Cleared."));
    QVERIFY(!QFile::exists(ProgramFile("SesLog.log")));
    QCOMPARE(ReadAll(ProgramFile("SesLog.bak")), QByteArray("an older backup"));
    // The update found nothing new: the table shows the empty log, and nothing is summed.
    QVERIFY(!window->SessionTable().SessionIndexOfRow(0));
    QCOMPARE(window->Sessions().size(), 1u);
    QCOMPARE(window->findChild<QLabel*>("lblSumRec")->text(), QString());

    // Nothing left to clear: no message box after the question, the reason in the status line.
    MessageBox::ResetRecord();
    window->findChild<QAction*>("mnuClearLog")->trigger();
    QCOMPARE(MessageBox::ShownCount(), 1);
}

void TestLogCommands::writeDataFileOfThePeriodShown()
{
    auto window = StartWindow();
    window->findChild<QLineEdit*>("txtFrom")->setText("2024-03-05");
    window->findChild<QLineEdit*>("txtTo")->setText("2024-03-06");
    QTest::mouseClick(window->findChild<QRadioButton*>("optPartial"), Qt::LeftButton);
    const QString path = m_dir->filePath("sessions.txt");
    MessageBox::SetNextFileName(path);
    window->findChild<QAction*>("mnuWriteLog")->trigger();
    QCOMPARE(MessageBox::LastText(), QString("Log written successfully!"));
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    QCOMPARE(lines.size(), 4); // header, two sessions, nothing after the last line end
    QVERIFY(lines[0].startsWith("Up date\tUp time\t"));
    QVERIFY(lines[1].contains("\t1832\t3500\t25000\t\t\r"));
    QVERIFY(lines[2].contains("\t1832\t4200\t30000\t\t\r"));
}

void TestLogCommands::writeDataFileReportsFailure()
{
    QVERIFY(QFile::remove(ProgramFile("SesLog.log")));
    auto window = StartWindow();
    const QString path = m_dir->filePath("empty.txt");
    MessageBox::SetNextFileName(path);
    window->findChild<QAction*>("mnuWriteLog")->trigger();
    QVERIFY2(MessageBox::LastText().contains(QDir::toNativeSeparators(path)),
             qPrintable(MessageBox::LastText()));
    QVERIFY(MessageBox::LastText().contains("the log holds no session"));
    // Cancelling the dialog writes nothing and says nothing.
    MessageBox::ResetRecord();
    MessageBox::SetNextFileName(QString());
    window->findChild<QAction*>("mnuWriteLog")->trigger();
    QCOMPARE(MessageBox::ShownCount(), 1);
}

void TestLogCommands::printsToPdf()
{
    const QString pdf = m_dir->filePath("report.pdf");
    SetPrinterChooser([&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    auto window = StartWindow();
    QTest::mouseClick(window->findChild<QPushButton*>("cmdPrint"), Qt::LeftButton);
    QVERIFY(ReadAll(pdf).startsWith("%PDF-"));
    QCOMPARE(window->StatBar().Value(), 0);

    // Cancelling the printer dialog prints nothing.
    QVERIFY(QFile::remove(pdf));
    SetPrinterChooser([](QPrinter&) { return false; });
    window->findChild<QAction*>("mnuPrint")->trigger();
    QVERIFY(!QFile::exists(pdf));
}

QTEST_MAIN(TestLogCommands)
#include "test_logcommands.moc"
