#include "analysis/firstrun.h"
#include "analysis/settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

class TestFirstRun : public QObject {
    Q_OBJECT

private slots:
    // The mark outlives the costs section, which a store of another version loses.
    void markOutlivesTheCostsSection()
    {
        QTemporaryDir config;
        const QString path = config.filePath("Dtallyer.ini");
        {
            auto store = OpenSettingsStore(path);
            QVERIFY(store && IsFirstRun(*store));
            QVERIFY(MarkFirstRunDone(*store));
            store->setValue("Costs/sVersion", "1.0");
        }
        auto store = OpenSettingsStore(path);
        QVERIFY(store);
        LoadSettings(*store);
        QCOMPARE(store->value("Costs/sVersion").toString(), QString("1.75"));
        QVERIFY(!IsFirstRun(*store));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("[Run]\nbFirstRunDone=True\n"));
    }

    // A file that turned bad after it was opened is left for the user to mend.
    void damagedFileIsNotMarked()
    {
        QTemporaryDir config;
        const QString path = config.filePath("Dtallyer.ini");
        auto store = OpenSettingsStore(path);
        QVERIFY(store);
        const QByteArray damaged = "[Costs]\nbCommCosts=\"True\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        SettingsProblem problem;
        QVERIFY(!MarkFirstRunDone(*store, &problem));
        QVERIFY(!problem.Text().isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), damaged);
    }
};

QTEST_GUILESS_MAIN(TestFirstRun)
#include "test_firstrun.moc"
