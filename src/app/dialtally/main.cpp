#include "platform/folders.h"
#include "platform/system.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dialtally"));

    QStringList args = QApplication::arguments();
    QString error;
    if (!dialtally::TakeFolderOptions(args, &error) || !dialtally::TakeSystemOption(args, &error)) {
        std::fprintf(stderr, "dialtally: %s\n", qPrintable(error));
        return 2;
    }

    dialtally::frmMain window;
    window.show();
    return QApplication::exec();
}
