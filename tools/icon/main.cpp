// dialtally-icon: renders the program's icon (SVG) as the PNG files of the icon theme's fixed
// sizes, OUTDIR/NxN/apps/NAME.png, for the install.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Drawn on images in memory, without text: no application object and no display are needed.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() < 3) {
        std::fputs("Usage: dialtally-icon ICON.svg OUTDIR SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args.at(0));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "dialtally-icon: cannot read %s\n", qPrintable(args.at(0)));
        return 1;
    }
    const QString name = QFileInfo(args.at(0)).completeBaseName();
    for (const QString& sizeText : args.mid(2)) {
        const int size = sizeText.toInt();
        if (size <= 0) {
            std::fprintf(stderr, "dialtally-icon: %s is not a size\n", qPrintable(sizeText));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        const QString path = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !image.save(path)) {
            std::fprintf(stderr, "dialtally-icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
