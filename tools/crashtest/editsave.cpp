// The log editor's save without its window, for the crash test to kill: the events of a file of
// 14-byte records (what the editor's grid holds) replace the session log as the editor's Save
// does it (SaveEditedLog).
//
//     dialtally-crashtest-editsave --program-dir DIR --windows-dir DIR EVENTS

#include "log/maintenance.h"
#include "platform/places.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

using namespace dialtally;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Places places;
    QString error;
    if (!ResolvePlaces(args, QProcessEnvironment::systemEnvironment(), places, &error) ||
        args.size() != 1) {
        std::fprintf(stderr, "usage: dialtally-crashtest-editsave --program-dir DIR "
                             "--windows-dir DIR EVENTS\n");
        return 2;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.first()));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    EventList events;
    for (qsizetype at = 0; at + qsizetype(kLogRecordSize) <= bytes.size(); at += kLogRecordSize)
        events.push_back(DecodeRecord(reinterpret_cast<const unsigned char*>(bytes.data() + at)));
    ReplaceResult result;
    if (!SaveEditedLog(UpdateSettingsFor(places), events, &result)) {
        std::fprintf(stderr, "Error %d occured. Could not save file. %s\n", result.errorNumber,
                     qPrintable(result.error));
        return 1;
    }
    return 0;
}
