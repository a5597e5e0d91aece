#include "analysis/settingscheck.h"

#include <QFile>
#include <QStringDecoder>
#include <filesystem>
#include <system_error>

namespace dialtally {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A settings file is UTF-8 text; the store writes every control character as an escape. Raw
// control bytes and broken UTF-8 are damage (binary garbage, another encoding), and the reader
// would turn them into other characters.
std::optional<QString> TextProblem(QByteArrayView line)
{
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            return QStringLiteral("NUL byte");
        if (byte < 0x20 && c != '\t')
            return QStringLiteral("control character 0x%1")
                .arg(QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(line);
    if (decoder.hasError())
        return QStringLiteral("not UTF-8 text");
    return std::nullopt;
}

// One line as the INI reader splits it: a '"' opens or closes a quote, a '\' takes the next
// character with it (a line break too: the next line is joined on), an unquoted ';' starts a
// comment, and the first unquoted '=' ends the key. Inside a quote the line does not end at the
// line break: the reader takes the following lines into the value.
struct LineScan {
    qsizetype equals = -1;
    qsizetype end = 0; // the text ends here, at an unquoted ';' or at the end of the line
    bool openQuote = false;
    bool trailingBackslash = false;
};

LineScan ScanLine(QByteArrayView line)
{
    LineScan scan;
    scan.end = line.size();
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            scan.trailingBackslash = i + 1 == line.size();
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == '=' && scan.equals < 0) {
            scan.equals = i;
        } else if (c == ';') {
            scan.end = i;
            break;
        }
    }
    scan.openQuote = quoted;
    return scan;
}

std::optional<QString> SectionProblem(QByteArrayView text)
{
    // The reader takes the name up to the first ']' and drops whatever follows it.
    const qsizetype close = text.indexOf(']');
    if (close < 0)
        return QStringLiteral("broken section header");
    for (const char c : text.sliced(close + 1))
        if (!IsBlank(c))
            return QStringLiteral("text after the section header");
    return std::nullopt;
}

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The escapes that the reader knows. It drops any other '\' together with the character after
// it, and a "\x" without a hex digit.
bool IsKnownEscape(QByteArrayView afterBackslash)
{
    const char c = afterBackslash.front();
    if (c == 'x')
        return afterBackslash.size() > 1 && IsHexDigit(afterBackslash[1]);
    return IsOctalDigit(c) || QByteArrayView("abfnrtv\"?'\\").contains(c);
}

QString UnknownEscape(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E)
        return QStringLiteral("unknown escape");
    return QStringLiteral("unknown escape \"\\%1\"").arg(QLatin1Char(c));
}

// A value, or an element of a comma list, whose text starts with a single '@' is read as one of
// Qt's typed values (@ByteArray(...), @Invalid(), ...), and one such element turns a whole list
// into values that are no text. The store writes a leading '@' of a text as "@@".
bool StartsWithTypeCode(QByteArrayView rest)
{
    return rest.front() == '@' && !rest.startsWith("@@");
}

std::optional<QString> ValueProblem(QByteArrayView value)
{
    bool quoted = false;
    bool elementStart = true;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (elementStart && c != '"' && (quoted || !IsBlank(c))) {
            elementStart = false;
            if (StartsWithTypeCode(value.sliced(i)))
                return QStringLiteral("\"@\" at the start of a value");
        }
        if (c == '\\') {
            // A '\' at the end of the line was found by the line scan.
            if (!IsKnownEscape(value.sliced(i + 1)))
                return UnknownEscape(value[i + 1]);
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            elementStart = true;
        }
    }
    return std::nullopt;
}

std::optional<QString> LineProblem(QByteArrayView line)
{
    if (auto problem = TextProblem(line))
        return problem;
    qsizetype start = 0;
    while (start < line.size() && IsBlank(line[start]))
        ++start;
    const QByteArrayView rest = line.sliced(start);
    // The reader skips a line that starts with ';' whatever it holds.
    if (rest.isEmpty() || rest.front() == ';')
        return std::nullopt;
    const LineScan scan = ScanLine(rest);
    if (scan.openQuote)
        return QStringLiteral("unclosed quote");
    if (scan.trailingBackslash)
        return QStringLiteral("backslash at the end of the line");
    const QByteArrayView text = rest.first(scan.end);
    // The reader does not know '#' comments: it skips such a line when it has no '=' and keeps
    // it as a key of its own when it has one; either way no value of ours changes.
    if (text.front() == '#')
        return std::nullopt;
    if (text.front() == '[')
        return SectionProblem(text);
    if (scan.equals < 0)
        return QStringLiteral("not a key=value line");
    if (scan.equals == 0)
        return QStringLiteral("key without a name");
    return ValueProblem(text.sliced(scan.equals + 1));
}

} // namespace

QString SettingsProblem::Text() const
{
    if (line > 0)
        return QStringLiteral("%1: line %2: %3").arg(file, QString::number(line), reason);
    return QStringLiteral("%1: %2").arg(file, reason);
}

std::optional<BadSettingsLine> FindBadSettingsLine(QByteArrayView text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    int number = 1;
    qsizetype start = 0;
    while (true) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        if (auto reason = LineProblem(text.sliced(start, end - start)))
            return BadSettingsLine{number, *reason};
        if (end == text.size())
            return std::nullopt;
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
        ++number;
    }
}

bool CheckSettingsFile(const QString& path, SettingsProblem* problem)
{
    const auto refuse = [&](int line, const QString& reason) {
        if (problem)
            *problem = {path, line, reason};
        return false;
    };
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status =
        fs::status(fs::path(QFile::encodeName(path).toStdString()), error);
    if (status.type() == fs::file_type::not_found)
        return true;
    if (error)
        return refuse(0,
                      QStringLiteral("cannot be read: ") + QString::fromStdString(error.message()));
    if (status.type() == fs::file_type::directory)
        return refuse(0, QStringLiteral("cannot be read: ") +
                             QString::fromStdString(
                                 std::make_error_code(std::errc::is_a_directory).message()));
    if (status.type() != fs::file_type::regular)
        return refuse(0, QStringLiteral("not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(0, QStringLiteral("cannot be read: ") + file.errorString());
    const auto tooLarge = [&](qint64 size) {
        return refuse(0, QStringLiteral("too large for a settings file (%1 bytes, at most %2)")
                             .arg(size)
                             .arg(kLargestSettingsFile));
    };
    if (file.size() > kLargestSettingsFile)
        return tooLarge(file.size());
    // Read one byte more than allowed, in case the file grew since its size was taken.
    const QByteArray text = file.read(kLargestSettingsFile + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(0, QStringLiteral("cannot be read: ") + file.errorString());
    if (text.size() > kLargestSettingsFile)
        return tooLarge(text.size());
    if (const auto bad = FindBadSettingsLine(text))
        return refuse(bad->line, bad->reason);
    return true;
}

} // namespace dialtally
