#pragma once

#include "report/picturesurface.h"

#include <QImage>
#include <QWidget>
#include <memory>

namespace dialtally {

// A picture box whose drawing is retained: the drawing objects (the progress bar, the graph)
// draw on its surface when they choose, and the widget repaints from the kept picture.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Makes a fresh picture of the widget's size in the given background colour. The surface is
    // replaced with it, so a drawing object must be given the new Surface() afterwards.
    void CreatePicture(const QColor& background, double twipsPerPixelX, double twipsPerPixelY);

    PictureSurface* Surface() { return m_surface.get(); }
    const QImage& Picture() const { return m_picture; }

signals:
    void MousePressed(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    std::unique_ptr<PictureSurface> m_surface;
};

} // namespace dialtally
