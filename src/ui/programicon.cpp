#include "ui/programicon.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace dialtally {

QPixmap ProgramIconPixmap(int size)
{
    QSvgRenderer renderer(QStringLiteral(":/icons/dialtally.svg"));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(ProgramIconPixmap(size));
    return icon;
}

} // namespace dialtally
