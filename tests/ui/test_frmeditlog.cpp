#include "log/sessionlog.h"
#include "ui/eventlistmodel.h"
#include "ui/frmeditlog.h"
#include "ui/messagebox.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <limits>
#include <memory>

using namespace dialtally;

namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return *MakeDateTime(y, mo, d, h, mi, s);
}

// One record as the session log holds it, written by hand: day count, code, value.
QByteArray Record(double dayCount, std::int16_t code, std::int32_t value = 0)
{
    QByteArray bytes(14, '\0');
    std::memcpy(bytes.data(), &dayCount, 8);
    std::memcpy(bytes.data() + 8, &code, 2);
    std::memcpy(bytes.data() + 10, &value, 4);
    return bytes;
}

double DayCount(int h, int mi, double s)
{
    return ToDayCount(At(2024, 3, 4)) + (h * 3600 + mi * 60 + s) / 86400.0;
}

// Five records, two of which a conversion through text would change: a time between seconds and
// a time that is no date.
const std::vector<QByteArray>& Records()
{
    static const std::vector<QByteArray> records = {
        Record(DayCount(10, 0, 0), 257),
        Record(DayCount(10, 0, 5.25), 267),
        Record(std::numeric_limits<double>::quiet_NaN(), 357, -5),
        Record(DayCount(10, 30, 2), 258),
        Record(DayCount(10, 30, 2), 358, 123456),
    };
    return records;
}

QByteArray Joined(std::initializer_list<int> indexes)
{
    QByteArray bytes;
    for (int index : indexes)
        bytes += Records()[static_cast<std::size_t>(index)];
    return bytes;
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

} // namespace

class TestFrmEditLog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsEveryRecord();
    void opensWithoutLogOrUnreadableLog();
    void insertsBeforeTheCurrentRow_data();
    void insertsBeforeTheCurrentRow();
    void refusesInvalidInput_data();
    void refusesInvalidInput();
    void deletesTheSelectedBlock();
    void savesInGridOrderAndKeepsBackup();
    void cancelledSaveChangesNothing();
    void failedSaveKeepsTheLog_data();
    void failedSaveKeepsTheLog();

private:
    std::unique_ptr<frmEditLog> Open();
    void SetBoxes(frmEditLog& editor, const QStringList& texts);
    QString ProgramFile(const char* name) const { return QDir(m_places.programDir).filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;
};

void TestFrmEditLog::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

void TestFrmEditLog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_places.programDir = m_dir->filePath("program");
    m_places.windowsDir = m_dir->filePath("windows");
    QVERIFY(QDir().mkpath(m_places.programDir));
    QVERIFY(QDir().mkpath(m_places.windowsDir));
    QVERIFY(WriteAll(ProgramFile("SesLog.log"), Joined({0, 1, 2, 3, 4})));
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    MessageBox::ResetRecord();
}

void TestFrmEditLog::cleanup()
{
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    m_dir.reset();
}

std::unique_ptr<frmEditLog> TestFrmEditLog::Open()
{
    auto editor = std::make_unique<frmEditLog>(m_places);
    editor->setAttribute(Qt::WA_DeleteOnClose, false);
    editor->show();
    return editor;
}

void TestFrmEditLog::SetBoxes(frmEditLog& editor, const QStringList& texts)
{
    for (int i = 0; i < 3; ++i)
        editor.findChild<QLineEdit*>(QStringLiteral("txtMessage%1").arg(i))->setText(texts[i]);
}

void TestFrmEditLog::showsEveryRecord()
{
    auto editor = Open();
    QAbstractItemModelTester tester(&editor->Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const EventListModel& model = editor->Model();
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.RowTexts(0), QStringList({"04/03/2024 10:00:00", "257", "0"}));
    QCOMPARE(model.RowTexts(1), QStringList({"04/03/2024 10:00:05", "267", "0"}));
    QCOMPARE(model.RowTexts(2), QStringList({"nan", "357", "-5"}));
    // The current row is copied into the three boxes.
    editor->Grid()->setCurrentIndex(model.index(4, 0));
    QCOMPARE(editor->findChild<QLineEdit*>("txtMessage0")->text(), QString("04/03/2024 10:30:02"));
    QCOMPARE(editor->findChild<QLineEdit*>("txtMessage1")->text(), QString("358"));
    QCOMPARE(editor->findChild<QLineEdit*>("txtMessage2")->text(), QString("123456"));
}

void TestFrmEditLog::opensWithoutLogOrUnreadableLog()
{
    QVERIFY(QFile::remove(ProgramFile("SesLog.log")));
    auto empty = Open();
    QCOMPARE(empty->Model().rowCount(), 0);
    QCOMPARE(MessageBox::ShownCount(), 0);

    QVERIFY(QDir().mkpath(ProgramFile("SesLog.log")));
    auto unreadable = Open();
    QCOMPARE(unreadable->Model().rowCount(), 0);
    QVERIFY(MessageBox::LastText().startsWith(
        "Error occured while reading log!\r\nLog could not be opened."));
}

void TestFrmEditLog::insertsBeforeTheCurrentRow_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("inserted");
    // clang-format off
    QTest::newRow("first row")  << 0 << 0;
    QTest::newRow("third row")  << 2 << 2;
    QTest::newRow("last row")   << 4 << 4;
    // clang-format on
}

void TestFrmEditLog::insertsBeforeTheCurrentRow()
{
    QFETCH(int, current);
    QFETCH(int, inserted);
    auto editor = Open();
    EventListModel& model = editor->Model();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    editor->Grid()->setCurrentIndex(model.index(current, 0));
    const QStringList before = model.RowTexts(current);
    const QStringList typed = {"2024-03-04 09:00:00", "13", "0"};
    SetBoxes(*editor, typed);
    QTest::mouseClick(editor->findChild<QPushButton*>("cmdInsert"), Qt::LeftButton);
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(model.RowTexts(inserted), typed);
    QCOMPARE(model.RowTexts(inserted + 1), before);
    QCOMPARE(editor->Grid()->currentIndex().row(), inserted);
}

void TestFrmEditLog::refusesInvalidInput_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focused");
    // clang-format off
    QTest::newRow("no date")     << QStringList{"yesterday", "13", "0"}          << "The value must be date and time." << 0;
    QTest::newRow("no message")  << QStringList{"04/03/2024 10:00:00", "x", "0"} << "The value must be a number of type Integer." << 1;
    QTest::newRow("no data")     << QStringList{"04/03/2024 10:00:00", "13", ""} << "The value must be a number of type Long." << 2;
    // clang-format on
}

void TestFrmEditLog::refusesInvalidInput()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(int, focused);
    auto editor = Open();
    editor->activateWindow();
    SetBoxes(*editor, typed);
    editor->InsertClicked();
    QCOMPARE(MessageBox::LastText(), "Value not valid!\r\n" + message);
    QCOMPARE(editor->Model().rowCount(), 5);
    QCOMPARE(editor->focusWidget(),
             editor->findChild<QLineEdit*>(QStringLiteral("txtMessage%1").arg(focused)));
}

void TestFrmEditLog::deletesTheSelectedBlock()
{
    auto editor = Open();
    QTableView* grid = editor->Grid();
    EventListModel& model = editor->Model();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid->setCurrentIndex(model.index(1, 0));
    grid->selectionModel()->select(QItemSelection(model.index(1, 0), model.index(3, 2)),
                                   QItemSelectionModel::ClearAndSelect);
    const QStringList following = model.RowTexts(4);
    QTest::mouseClick(editor->findChild<QPushButton*>("cmdDelete"), Qt::LeftButton);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.RowTexts(1), following);
    QCOMPARE(grid->currentIndex().row(), 1);
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
}

// Rows are saved in the order of the grid, not sorted by time; rows read from the log go back
// byte for byte, the one typed is converted.
void TestFrmEditLog::savesInGridOrderAndKeepsBackup()
{
    QVERIFY(WriteAll(ProgramFile("SesLog.bak"), "an older backup"));
    const QByteArray original = ReadAll(ProgramFile("SesLog.log"));
    auto editor = Open();
    EventListModel& model = editor->Model();
    editor->Grid()->setCurrentIndex(model.index(3, 0));
    SetBoxes(*editor, {"04/03/2024 09:00:00", "13", "0"});
    editor->InsertClicked();
    editor->Grid()->setCurrentIndex(model.index(0, 0));
    editor->DeleteClicked();
    editor->SaveClicked();
    QCOMPARE(MessageBox::LastText(), QString("New log saved, your original log is copied to "
                                             "SesLog.bak."));
    const QByteArray typed = Record(ToDayCount(At(2024, 3, 4, 9, 0, 0)), 13);
    QCOMPARE(ReadAll(ProgramFile("SesLog.log")).toHex(),
             (Joined({1, 2}) + typed + Joined({3, 4})).toHex());
    QCOMPARE(ReadAll(ProgramFile("SesLog.bak")), original);
    QCOMPARE(model.RowTexts(2), QStringList({"04/03/2024 09:00:00", "13", "0"}));
}

void TestFrmEditLog::cancelledSaveChangesNothing()
{
    QVERIFY(WriteAll(ProgramFile("SesLog.bak"), "an older backup"));
    const QByteArray original = ReadAll(ProgramFile("SesLog.log"));
    auto editor = Open();
    editor->DeleteClicked();
    MessageBox::SetAutoAnswer(MessageBox::Answer::Cancel);
    editor->SaveClicked();
    QCOMPARE(MessageBox::LastText(),
             QString("This action will save the edited Log.\r\n\r\nAre you sure you want to "
                     "continue?"));
    QCOMPARE(ReadAll(ProgramFile("SesLog.log")), original);
    QCOMPARE(ReadAll(ProgramFile("SesLog.bak")), QByteArray("an older backup"));
}

void TestFrmEditLog::failedSaveKeepsTheLog_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("blockNewLog");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("message above 32767") << QStringList{"04/03/2024 09:00:00", "40000", "0"} << false
                                         << "Error 6 occured. Could not save file.";
    QTest::newRow("data beyond 32 bits") << QStringList{"04/03/2024 09:00:00", "13", "3000000000"} << false
                                         << "Error 6 occured. Could not save file.";
    QTest::newRow("new log not written") << QStringList{"04/03/2024 09:00:00", "13", "0"} << true
                                         << "Error 21 occured. Could not save file.";
    // clang-format on
}

// A save that fails leaves the log as it was, under its own name.
void TestFrmEditLog::failedSaveKeepsTheLog()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, blockNewLog);
    QFETCH(QString, message);
    QVERIFY(WriteAll(ProgramFile("SesLog.bak"), "an older backup"));
    const QByteArray original = ReadAll(ProgramFile("SesLog.log"));
    if (blockNewLog)
        QVERIFY(QDir().mkpath(ProgramFile("SesLog.new") + "/inside"));
    auto editor = Open();
    SetBoxes(*editor, typed);
    editor->InsertClicked();
    QCOMPARE(editor->Model().rowCount(), 6);
    editor->SaveClicked();
    QVERIFY2(MessageBox::LastText().startsWith(message), qPrintable(MessageBox::LastText()));
    QCOMPARE(ReadAll(ProgramFile("SesLog.log")), original);
    QCOMPARE(ReadAll(ProgramFile("SesLog.bak")), QByteArray("an older backup"));
}

QTEST_MAIN(TestFrmEditLog)
#include "test_frmeditlog.moc"
