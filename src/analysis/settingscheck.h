#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace dialtally {

// The settings file is about 1 KB; a larger one than this is refused unread, so that a damaged
// file costs neither memory nor time.
inline constexpr qint64 kLargestSettingsFile = 1024 * 1024;

// What is wrong with a settings file, for the caller to show.
struct SettingsProblem {
    QString file;
    int line = 0; // counted from 1; 0 when the file as a whole is at fault
    QString reason;

    // "<file>: line <n>: <reason>", or "<file>: <reason>" for the file as a whole.
    QString Text() const;
    friend bool operator==(const SettingsProblem&, const SettingsProblem&) = default;
};

struct BadSettingsLine {
    int line = 0; // counted from 1
    QString reason;
};

// The first line of an INI text that Qt's INI reader would not read as written, or that is not
// one of the forms of a settings file: blank, a comment (";" or "#" first), a section header
// "[name]" or key=value. Lines end at LF, CR LF or a lone CR, as the reader ends them.
std::optional<BadSettingsLine> FindBadSettingsLine(QByteArrayView text);

// True when the settings file can be read and every line reads as written. A missing file is not
// damaged: it is the first run. Otherwise false, with the reason in problem: the file cannot be
// read (the system's reason), is not a regular file, is larger than kLargestSettingsFile (refused
// unread), or holds a bad line (FindBadSettingsLine).
bool CheckSettingsFile(const QString& path, SettingsProblem* problem = nullptr);

} // namespace dialtally
