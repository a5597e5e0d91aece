#include "ui/frmabout.h"

#include "platform/version.h"
#include "ui/programicon.h"
#include "ui/twips.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace dialtally {
namespace {

// The icon picture answers a click.
class IconPicture : public QLabel {
public:
    IconPicture(QWidget* parent, std::function<void()> clicked)
        : QLabel(parent), m_clicked(std::move(clicked))
    {
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_clicked();
    }

private:
    std::function<void()> m_clicked;
};

// A bold label in the colour of an active title bar, at points relative to the design's 8.25.
QLabel* MakeTitleLabel(QWidget* parent, const char* name, double designPoints)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * designPoints / 8.25);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::Highlight));
    label->setPalette(palette);
    return label;
}

// An etched separator: a dark line with a light one under it.
void AddSeparator(QWidget* parent, const TwipsScale& s, int y, const char* name)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(s.X(780), s.Y(y), s.X(4260) - s.X(780), 2);
}

} // namespace

frmAbout::frmAbout(QAction* editLog, QWidget* parent) : QDialog(parent), m_editLog(editLog)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Dialtally"));
    // A fixed tool window without a control box.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const TwipsScale s = TwipsScale::ForWidget(this);
    BuildFrame();

    m_picIcon = new IconPicture(this, [this] { ToggleEditLog(); });
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    m_picIcon->setPixmap(ProgramIconPixmap(32));
    m_picIcon->setGeometry(s.X(240), s.Y(240), 32, 32);
    m_picIcon->raise();

    const int width = std::max(s.X(4650), m_lblName->geometry().right() + s.X(180));
    setFixedSize(width, s.Y(2910));
    m_frame1->resize(width - 2 * s.X(60), m_frame1->height());
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - this->width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

void frmAbout::BuildFrame()
{
    const TwipsScale s = TwipsScale::ForWidget(this);
    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_frame1->setGeometry(s.Rect(60, 0, 4515, 2835));

    m_lblName = MakeTitleLabel(m_frame1, "lblName", 9.75);
    m_lblName->setText(
        QStringLiteral("%1 %2").arg(QLatin1String(kProductName), QLatin1String(kProductVersion)));
    PlaceWidget(m_lblName, s, 780, 300, 2895, 315);
    auto* label1 = new QLabel(QStringLiteral("Revision:"), m_frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    const QRect label1Rect = PlaceWidget(label1, s, 780, 600, 795, 195);
    m_lblRevision = MakeTitleLabel(m_frame1, "lblRevision", 8.25);
    m_lblRevision->setText(QLatin1String(kProductRevision));
    // Just right of "Revision:" where that caption needs more room than the design gave it.
    const int afterCaption = static_cast<int>((label1Rect.right() + 6) * s.TwipsPerPixelX());
    PlaceWidget(m_lblRevision, s, std::max(1500, afterCaption), 600, 675, 195);

    AddSeparator(m_frame1, s, 1320, "Line1_0");
    AddSeparator(m_frame1, s, 2100, "Line1_3");

    m_cmdAbout = new QPushButton(QStringLiteral("OK"), m_frame1);
    m_cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    PlaceWidget(m_cmdAbout, s, 1740, 2340, 1140, 390);
    // Enter and Esc press it.
    m_cmdAbout->setDefault(true);
    m_cmdAbout->setAutoDefault(true);
    m_cmdAbout->setFocus();
    connect(m_cmdAbout, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::ToggleEditLog()
{
    m_lblName->setEnabled(false);
    m_lblName->repaint();
    if (!m_editLog) {
        m_lblName->setEnabled(true);
        return;
    }
    m_editLog->setVisible(true);
    m_editLog->setEnabled(!m_editLog->isEnabled());
    m_lblName->setEnabled(!m_editLog->isEnabled());
}

void ShowAbout(QWidget* parent, QAction* editLog)
{
    frmAbout about(editLog, parent);
    about.exec();
}

} // namespace dialtally
