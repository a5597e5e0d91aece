#include "platform/places.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtally"));

    QStringList args = QApplication::arguments();
    QString error;
    dialtally::Places places;
    if (!dialtally::ResolvePlaces(args, QProcessEnvironment::systemEnvironment(), places, &error)) {
        std::fprintf(stderr, "dialtally: %s\n", qPrintable(error));
        return 2;
    }

    dialtally::frmMain window(places);
    window.show();
    return QApplication::exec();
}
