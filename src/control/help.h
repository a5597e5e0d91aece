#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace dialtally {

// The program's help: the help file "DTALLY.HLP", which ships beside the executables, opened in
// the help viewer at the topic of a help context number.
//
// The help file is HTML in UTF-8. Each topic starts with a heading that holds the anchor of its
// context number, <h1><a name="210"></a>Logging On</h1>, and runs to the next such heading (or to
// the end of the body); a link to another topic is <a href="#220">. The style sheet in the head
// applies to every topic.

struct HelpTopic {
    std::int32_t context = 0;
    QString title; // the heading's text
    QString html;  // the heading and everything up to the next topic
};

struct HelpFile {
    QString style; // the contents of the head's <style> element
    std::vector<HelpTopic> topics;

    const HelpTopic* Find(std::int32_t context) const;
};

HelpFile ParseHelpText(const QString& html);
// None with a message when the file cannot be read.
std::optional<HelpFile> ReadHelpFile(const QString& path, QString* error = nullptr);

// The folder followed by "DTALLY.HLP", with a slash between them unless the folder (without the
// blanks around it) already ends with one.
QString HelpFilePath(const QString& folder);
// The folder that holds the shipped help file; the executables' folder when it is missing (the
// viewer then says that it cannot open it).
QString ShippedHelpFolder();

// The help viewer as the program calls it; it stands in for the system's help viewer. The results
// are the viewer's and are not looked at.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // Opens the help file at the topic of context (the viewer reports a missing file or topic).
    virtual long ShowContext(const QString& helpFile, std::int32_t context) = 0;
    // Closes the viewer; nothing happens when it is not open.
    virtual long Quit() = 0;
};

// The help of the main window: set once per run with the viewer and the help file.
class ProgramHelp {
public:
    void InitHelp(HelpViewer* viewer, const QString& folder);
    long ShowHelpTopic(std::int32_t context);
    long CloseHelp();
    const QString& HelpFile() const { return m_helpFile; }

private:
    HelpViewer* m_viewer = nullptr;
    QString m_helpFile;
};

} // namespace dialtally
