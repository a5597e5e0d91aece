#include "ui/frmwelcome.h"

#include "ui/twips.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace dialtally {

frmWelcome::frmWelcome(const QString& licensePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWelcome"));
    setWindowTitle(QStringLiteral("Wecome to Dialtally"));
    // A fixed dialog without a control box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const TwipsScale s = TwipsScale::ForWidget(this);

    m_label1 = new QLabel(QStringLiteral("Please read the following license agreement. Press the "
                                         "PAGE DOWN key to see the rest of the agreement."),
                          this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setWordWrap(true);
    m_label1->setGeometry(s.Rect(120, 60, 4935, 435));
    m_label1->setMinimumHeight(m_label1->heightForWidth(m_label1->width()));

    m_txtLicense = new QPlainTextEdit(this);
    m_txtLicense->setObjectName(QStringLiteral("txtLicense"));
    m_txtLicense->setReadOnly(true);
    m_txtLicense->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtLicense->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Read-only, yet the keys scroll it and the caret shows where the reader is.
    m_txtLicense->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_txtLicense->setGeometry(s.Rect(120, 660, 4935, 3795));

    m_cmdAgree = new QPushButton(QStringLiteral("I &Agree"), this);
    m_cmdAgree->setObjectName(QStringLiteral("cmdAgree"));
    PlaceWidget(m_cmdAgree, s, 900, 4620, 1155, 375);
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    PlaceWidget(m_cmdCancel, s, 3060, 4620, 1215, 375);
    // Enter in the agreement must not agree by itself.
    m_cmdAgree->setAutoDefault(false);
    m_cmdCancel->setAutoDefault(false);
    connect(m_cmdAgree, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_txtLicense, m_cmdAgree);
    setTabOrder(m_cmdAgree, m_cmdCancel);
    m_txtLicense->setFocus();

    setFixedSize(s.X(5190), std::max(s.Y(5130), m_cmdCancel->geometry().bottom() + s.Y(135)));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    LoadAgreement(licensePath);
}

void frmWelcome::LoadAgreement(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    QString text;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.isEmpty() && file.error() != QFileDevice::NoError)
            break;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        text += QString::fromUtf8(line) + QLatin1Char('\n');
    }
    m_txtLicense->setPlainText(text);
    m_txtLicense->moveCursor(QTextCursor::Start);
}

QString frmWelcome::AgreementText() const
{
    return m_txtLicense->toPlainText();
}

void frmWelcome::keyPressEvent(QKeyEvent* event)
{
    // Only the two buttons decide.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace dialtally
