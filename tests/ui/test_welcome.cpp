#include "analysis/settings.h"
#include "support/modaldialogs.h"
#include "ui/frmmain.h"
#include "ui/frmwelcome.h"
#include "ui/messagebox.h"
#include "ui/startup.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool AnyMainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmMain*>(widget))
            return true;
    }
    return false;
}

} // namespace

class TestWelcome : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;

    // Starts as the program does; button answers the agreement if it shows. seen tells whether
    // it did.
    std::unique_ptr<frmMain> Start(const char* button, bool* seen)
    {
        ModalDialogWatcher watcher("frmWelcome", ClickButton(button));
        std::unique_ptr<frmMain> window = StartMainWindow(m_places);
        *seen = watcher.Seen();
        return window;
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
        QVERIFY(QDir().mkpath(m_places.configDir));
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    }

    void cleanup() { MessageBox::SetAutoAnswer(std::nullopt); }

    // The agreement is shown on the first run only: the main window keeps the mark of the first
    // run once its first activation is done, also where the version check of the costs dropped
    // their section since.
    void agreementOnTheFirstRunOnly()
    {
        bool seen = false;
        std::unique_ptr<frmMain> first = Start("cmdAgree", &seen);
        QVERIFY(seen);
        QVERIFY(first);
        QVERIFY(first->FirstRun());
        first->show();
        first->FirstActivation();
        first.reset();

        // A store of another version loses its "Costs" section at the next load.
        {
            QSettings store(m_places.SettingsFile(), QSettings::IniFormat);
            store.setValue(QStringLiteral("Costs/sVersion"), QStringLiteral("1.0"));
        }
        std::unique_ptr<frmMain> second = Start("cmdAgree", &seen);
        QVERIFY(!seen);
        QVERIFY(second);
        QVERIFY(!second->FirstRun());
        QVERIFY(ReadFile(m_places.SettingsFile()).contains("sVersion=1.75"));
        second.reset();

        std::unique_ptr<frmMain> third = Start("cmdAgree", &seen);
        QVERIFY(!seen);
    }

    // Cancel ends the program before a main window exists, and nothing is kept: the next start
    // asks again.
    void cancelEndsTheProgram()
    {
        bool seen = false;
        QVERIFY(!Start("cmdCancel", &seen));
        QVERIFY(seen);
        QVERIFY(!AnyMainWindow());
        QVERIFY(Start("cmdAgree", &seen));
        QVERIFY(seen);
    }

    // A damaged settings file is of an earlier run, and must not be written.
    void damagedSettingsAreNoFirstRun()
    {
        const QByteArray damaged = "[Costs]\nthis line is not a setting\n";
        QVERIFY(WriteFile(m_places.SettingsFile(), damaged));
        bool seen = false;
        std::unique_ptr<frmMain> window = Start("cmdAgree", &seen);
        QVERIFY(!seen);
        QVERIFY(window && !window->FirstRun());
        QCOMPARE(ReadFile(m_places.SettingsFile()), damaged);
    }

    void agreementText_data()
    {
        QTest::addColumn<QByteArray>("file"); // "<none>": no such file
        QTest::addColumn<QString>("shown");

        QByteArray pages;
        QString pagesShown;
        for (int i = 1; i <= 200; ++i) {
            pages += "Line " + QByteArray::number(i) + (i % 2 ? "\r\n" : "\n");
            pagesShown += QStringLiteral("Line %1\n").arg(i);
        }
        // clang-format off
        QTest::newRow("several pages")     << pages                          << pagesShown;
        QTest::newRow("last line open")    << QByteArray("one\r\ntwo")      << "one\ntwo\n";
        QTest::newRow("empty file")        << QByteArray()                   << "";
        QTest::newRow("no file")           << QByteArray("<none>")           << "";
        // clang-format on
    }

    void agreementText()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        const QString path = m_dir->filePath(QStringLiteral("license.txt"));
        if (file != "<none>")
            QVERIFY(WriteFile(path, file));
        frmWelcome welcome(path);
        QCOMPARE(welcome.AgreementText(), shown);
        auto* text = welcome.findChild<QPlainTextEdit*>(QStringLiteral("txtLicense"));
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(welcome.windowTitle(), QStringLiteral("Wecome to Dialtally"));
    }

    // The agreement that ships is the licence.
    void shippedAgreementIsTheLicence()
    {
        frmWelcome welcome(QStringLiteral(DIALTALLY_BIN_DIR "/license.txt"));
        QVERIFY(welcome.AgreementText().startsWith(QStringLiteral("MIT License\n")));
    }
};

QTEST_MAIN(TestWelcome)
#include "test_welcome.moc"
