#include "ui/helpwindow.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>

namespace dialtally {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Dialtally Help"));
    auto* splitter = new QSplitter(this);
    m_lstTopics = new QListWidget(splitter);
    m_lstTopics->setObjectName(QStringLiteral("lstTopics"));
    m_txtTopic = new QTextBrowser(splitter);
    m_txtTopic->setObjectName(QStringLiteral("txtTopic"));
    m_txtTopic->setOpenLinks(false);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    resize(760, 520);
    splitter->setSizes({200, 560});

    connect(m_txtTopic, &QTextBrowser::anchorClicked, this, &HelpWindow::OnLinkClicked);
    connect(m_lstTopics, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && static_cast<std::size_t>(row) < m_file.topics.size())
            ShowTopic(m_file.topics[static_cast<std::size_t>(row)].context);
    });
}

bool HelpWindow::Load(const QString& path)
{
    // A file that could not be read is tried again: it may be there now.
    if (path == m_path && m_loadError.isEmpty())
        return true;
    std::optional<HelpFile> file = ReadHelpFile(path, &m_loadError);
    m_path = path;
    m_file = file.value_or(HelpFile{});
    if (file)
        m_loadError.clear();
    const QSignalBlocker blocker(m_lstTopics);
    m_lstTopics->clear();
    for (const HelpTopic& topic : m_file.topics)
        m_lstTopics->addItem(topic.title);
    if (!file) {
        ShowProblem(
            QStringLiteral("The help file \"%1\" cannot be opened: %2").arg(path, m_loadError));
        return false;
    }
    return true;
}

bool HelpWindow::ShowTopic(std::int32_t context)
{
    const HelpTopic* topic = m_file.Find(context);
    if (!topic) {
        if (m_loadError.isEmpty())
            ShowProblem(QStringLiteral("The help has no topic for this part of Dialtally "
                                       "(help context %1).")
                            .arg(context));
        return false;
    }
    m_current = context;
    m_txtTopic->setHtml(QStringLiteral("<html><head><style>") + m_file.style +
                        QStringLiteral("</style></head><body>") + topic->html +
                        QStringLiteral("</body></html>"));
    const QSignalBlocker blocker(m_lstTopics);
    m_lstTopics->setCurrentRow(static_cast<int>(topic - m_file.topics.data()));
    setWindowTitle(QStringLiteral("Dialtally Help - ") + topic->title);
    return true;
}

QString HelpWindow::ShownText() const
{
    return m_txtTopic->toPlainText();
}

void HelpWindow::ShowProblem(const QString& text)
{
    m_current.reset();
    m_txtTopic->setPlainText(text);
    m_lstTopics->clearSelection();
    setWindowTitle(QStringLiteral("Dialtally Help"));
}

void HelpWindow::OnLinkClicked(const QUrl& link)
{
    bool ok = false;
    const int context = link.fragment().toInt(&ok);
    if (ok && link.path().isEmpty())
        ShowTopic(context);
}

} // namespace dialtally
