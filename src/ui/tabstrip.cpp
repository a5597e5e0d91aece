#include "ui/tabstrip.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace dialtally {

namespace {

const char* const kTabCaptions[kTabCount] = {"Connection Log", "Statistics", "Monthly Summary"};

const QColor kFace(192, 192, 192);
const QColor kShadow(128, 128, 128);

} // namespace

QImage DrawTabStrip(int selected, const QFont& font)
{
    QImage image(kTabStripWidth, kTabStripHeight, QImage::Format_RGB32);
    image.fill(kFace);
    QPainter painter(&image);
    const int baseline = kTabStripHeight - 3; // the page outline's top edge
    // The top edge of the page outline runs under the tabs behind; the tab in front breaks it.
    painter.setPen(Qt::white);
    painter.drawLine(0, baseline, kTabStripWidth - 1, baseline);
    painter.drawLine(0, baseline + 1, kTabStripWidth - 1, baseline + 1);

    auto drawTab = [&](int index) {
        const bool front = index == selected;
        int left = kTabLeft + index * kTabWidth;
        int right = left + kTabWidth - 1;
        int top = 2;
        if (front) {
            // The tab in front stands out by two pixels on each side and at the top.
            left -= 2;
            right += 2;
            top = 0;
        } else {
            left += 1;
            right -= 1;
        }
        const int bottom = front ? baseline + 2 : baseline - 1;
        painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), kFace);
        // Raised look: white on the left and top with cut corners, grey and black on the right.
        painter.setPen(Qt::white);
        painter.drawLine(left, top + 2, left, bottom);
        painter.drawPoint(left + 1, top + 1);
        painter.drawLine(left + 2, top, right - 2, top);
        painter.setPen(Qt::black);
        painter.drawPoint(right - 1, top + 1);
        painter.drawLine(right, top + 2, right, bottom);
        painter.setPen(kShadow);
        painter.drawLine(right - 1, top + 2, right - 1, bottom);

        QFont captionFont = font;
        captionFont.setBold(front);
        painter.setFont(captionFont);
        painter.setPen(Qt::black);
        const QRect textRect(QPoint(left + 3, top + 2), QPoint(right - 3, baseline - 1));
        painter.drawText(textRect, Qt::AlignCenter, QString::fromLatin1(kTabCaptions[index]));
    };
    for (int index = 0; index < kTabCount; ++index) {
        if (index != selected)
            drawTab(index);
    }
    if (selected >= 0 && selected < kTabCount)
        drawTab(selected);
    return image;
}

std::optional<int> TabPageAt(int x, int y)
{
    if (y > 28 || y < 1)
        return std::nullopt;
    if (x < kTabLeft || x >= kTabLeft + kTabCount * kTabWidth)
        return std::nullopt;
    return (x - kTabLeft) / kTabWidth;
}

TabPicture::TabPicture(int index, QWidget* parent) : QWidget(parent), m_index(index)
{
    setFixedSize(kTabStripWidth, kTabStripHeight);
    m_picture = QPixmap::fromImage(DrawTabStrip(m_index, font()));
}

void TabPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void TabPicture::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    emit Released(position.x(), position.y());
}

void TabPicture::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        m_picture = QPixmap::fromImage(DrawTabStrip(m_index, font()));
    QWidget::changeEvent(event);
}

} // namespace dialtally
