#pragma once

#include "control/help.h"

#include <QWidget>
#include <optional>

class QListWidget;
class QTextBrowser;

namespace dialtally {

// The help viewer's window: the topics of the help file in a list on the left, the topic shown on
// the right. A link to another topic opens that topic. A help file that cannot be read, or a
// context number without a topic, is said in the window itself.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Reads the help file unless it is the one already shown; false when it cannot be read.
    bool Load(const QString& path);
    // False when the help file has no topic for context.
    bool ShowTopic(std::int32_t context);

    // The context number of the topic shown; none while a problem is shown.
    std::optional<std::int32_t> CurrentContext() const { return m_current; }
    // The text shown, without its markup.
    QString ShownText() const;

private:
    void ShowProblem(const QString& text);
    void OnLinkClicked(const QUrl& link);

    QListWidget* m_lstTopics = nullptr;
    QTextBrowser* m_txtTopic = nullptr;
    QString m_path;
    QString m_loadError; // why the help file could not be read
    HelpFile m_file;
    std::optional<std::int32_t> m_current;
};

} // namespace dialtally
