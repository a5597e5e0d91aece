#include "control/help.h"

#include "platform/folders.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace dialtally {
namespace {

const QString kHelpFileName = QStringLiteral("DTALLY.HLP");

QString PlainText(QString html)
{
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return html.replace(QLatin1String("&amp;"), QLatin1String("&")).simplified();
}

} // namespace

const HelpTopic* HelpFile::Find(std::int32_t context) const
{
    for (const HelpTopic& topic : topics) {
        if (topic.context == context)
            return &topic;
    }
    return nullptr;
}

HelpFile ParseHelpText(const QString& html)
{
    static const QRegularExpression heading(
        QString::fromLatin1(R"re(<h1[^>]*>\s*<a\s+name="(\d+)"\s*>\s*</a>(.*?)</h1\s*>)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression style(
        QString::fromLatin1(R"re(<style[^>]*>(.*?)</style\s*>)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression bodyEnd(QString::fromLatin1(R"re(</body\s*>)re"),
                                            QRegularExpression::CaseInsensitiveOption);

    HelpFile file;
    std::vector<QRegularExpressionMatch> headings;
    for (auto it = heading.globalMatch(html); it.hasNext();)
        headings.push_back(it.next());
    const qsizetype headEnd = headings.empty() ? html.size() : headings.front().capturedStart();
    const QRegularExpressionMatch styleMatch = style.match(html.left(headEnd));
    if (styleMatch.hasMatch())
        file.style = styleMatch.captured(1);
    qsizetype end = html.indexOf(bodyEnd);
    if (end < 0)
        end = html.size();
    for (std::size_t i = 0; i < headings.size(); ++i) {
        const qsizetype begin = headings[i].capturedStart();
        const qsizetype next = i + 1 < headings.size() ? headings[i + 1].capturedStart() : end;
        file.topics.push_back({headings[i].captured(1).toInt(), PlainText(headings[i].captured(2)),
                               html.mid(begin, std::max<qsizetype>(next - begin, 0))});
    }
    return file;
}

std::optional<HelpFile> ReadHelpFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return ParseHelpText(QString::fromUtf8(file.readAll()));
}

QString HelpFilePath(const QString& folder)
{
    if (folder.trimmed().endsWith(QLatin1Char('/')))
        return folder + kHelpFileName;
    return folder + QLatin1Char('/') + kHelpFileName;
}

QString ShippedHelpFolder()
{
    const QString shipped = ShippedFile(kHelpFileName);
    return shipped.isEmpty() ? ExecutableFolder() : QFileInfo(shipped).absolutePath();
}

void ProgramHelp::InitHelp(HelpViewer* viewer, const QString& folder)
{
    m_viewer = viewer;
    m_helpFile = HelpFilePath(folder);
}

long ProgramHelp::ShowHelpTopic(std::int32_t context)
{
    return m_viewer ? m_viewer->ShowContext(m_helpFile, context) : 0;
}

long ProgramHelp::CloseHelp()
{
    return m_viewer ? m_viewer->Quit() : 0;
}

} // namespace dialtally
