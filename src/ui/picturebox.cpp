#include "ui/picturebox.h"

#include <QMouseEvent>
#include <QPainter>

namespace dialtally {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::CreatePicture(const QColor& background, double twipsPerPixelX,
                               double twipsPerPixelY)
{
    m_picture = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_picture.fill(background);
    m_surface = std::make_unique<PictureSurface>(&m_picture, twipsPerPixelX, twipsPerPixelY);
    m_surface->SetBackColor(background);
    m_surface->SetFont(font());
    m_surface->SetRefreshHook([this] { update(); });
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    emit MousePressed(event->button(), event->position().toPoint());
    QWidget::mousePressEvent(event);
}

} // namespace dialtally
