#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <optional>

namespace dialtally {

// The tab strip above the pages is three pictures of the whole strip, one per page in front.
inline constexpr int kTabStripWidth = 445; // pixels
inline constexpr int kTabStripHeight = 27;
inline constexpr int kTabCount = 3;
// The three tabs share the strip in equal thirds after a 2-pixel margin.
inline constexpr int kTabLeft = 2;
inline constexpr int kTabWidth = 147;

// The picture of the strip with tab `selected` (0..2) in front: raised, caption in bold. The
// strip's bottom 3 pixels lie over the top edge of the page outline.
QImage DrawTabStrip(int selected, const QFont& font);

// The page whose tab lies under a mouse release at x, y (pixels in the strip), or none. The
// strip reacts only between y = 1 and y = 28 and between the outer edges of the tabs.
std::optional<int> TabPageAt(int x, int y);

// One of the three pictures of the strip (picTab). Shows its picture and reports where the mouse
// button was released over it.
class TabPicture : public QWidget {
    Q_OBJECT
public:
    TabPicture(int index, QWidget* parent = nullptr);

    int Index() const { return m_index; }

signals:
    void Released(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int m_index;
    QPixmap m_picture;
};

} // namespace dialtally
