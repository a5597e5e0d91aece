#include "ui/messagebox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <deque>

namespace dialtally {

namespace {

struct Presets {
    std::deque<MessageBox::Answer> nextAnswers;
    std::optional<MessageBox::Answer> autoAnswer;
    std::optional<QString> nextFileName;
    QString lastText;
    int shownCount = 0;
};

Presets& State()
{
    static Presets presets;
    return presets;
}

const QString kTitle = QStringLiteral("Dialtally");

// Takes a preset answer of a test, if there is one, and records the text.
std::optional<MessageBox::Answer> PresetAnswer(const QString& text)
{
    Presets& state = State();
    state.lastText = text;
    ++state.shownCount;
    if (!state.nextAnswers.empty()) {
        const MessageBox::Answer answer = state.nextAnswers.front();
        state.nextAnswers.pop_front();
        return answer;
    }
    return state.autoAnswer;
}

std::optional<QString> PresetFileName(const QString& caption)
{
    Presets& state = State();
    state.lastText = caption;
    ++state.shownCount;
    if (state.nextFileName) {
        QString fileName = *state.nextFileName;
        state.nextFileName.reset();
        return fileName;
    }
    if (state.autoAnswer)
        return QString();
    return std::nullopt;
}

// Qt's own save dialog, refusing what a save must not be given: a read-only file, a folder that
// is not there. Replacing an existing file is asked by the dialog itself.
class CheckedSaveDialog : public QFileDialog {
public:
    CheckedSaveDialog(QWidget* parent, const QString& caption, const QString& filter)
        : QFileDialog(parent, caption, QString(), filter)
    {
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setOption(QFileDialog::DontUseNativeDialog);
    }

protected:
    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo file(files.first());
            QString refusal;
            if (!file.isDir() && !QFileInfo(file.absolutePath()).isDir())
                refusal = QStringLiteral("%1\nPath does not exist.\nCheck the path and try again.");
            else if (file.isFile() && !file.isWritable())
                refusal = QStringLiteral(
                    "%1\nThis file is set to read-only.\nTry again with a different file name.");
            if (!refusal.isEmpty()) {
                QMessageBox::warning(this, windowTitle(),
                                     refusal.arg(QDir::toNativeSeparators(file.filePath())));
                return;
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

MessageBox::Answer MessageBox::Show(QWidget* parent, const QString& text, Icon icon)
{
    if (const auto preset = PresetAnswer(text))
        return *preset;

    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    // The toolkit breaks lines at "\n" alone; a "\r" would show as a stray mark. Some texts break
    // their line with a carriage return alone.
    box.setText(QString(text)
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .replace(QLatin1Char('\r'), QLatin1Char('\n')));
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    }
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

MessageBox::Answer MessageBox::Confirm(QWidget* parent, const QString& text, const QString& title)
{
    if (const auto preset = PresetAnswer(text))
        return *preset;
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? kTitle : title);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

MessageBox::Answer MessageBox::AskYesNoCancel(QWidget* parent, const QString& text)
{
    if (const auto preset = PresetAnswer(text))
        return *preset;
    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString MessageBox::CheckedSaveFileName(QWidget* parent, const QString& caption,
                                        const QString& filter)
{
    if (const auto preset = PresetFileName(caption))
        return *preset;
    CheckedSaveDialog dialog(parent, caption, filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString MessageBox::SaveFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    Presets& state = State();
    state.lastText = caption;
    ++state.shownCount;
    if (state.nextFileName) {
        QString fileName = *state.nextFileName;
        state.nextFileName.reset();
        return fileName;
    }
    if (state.autoAnswer)
        return {};
    return QFileDialog::getSaveFileName(parent, caption, {}, filter);
}

void MessageBox::SetNextAnswer(Answer answer)
{
    State().nextAnswers.push_back(answer);
}

void MessageBox::SetNextFileName(const QString& fileName)
{
    State().nextFileName = fileName;
}

void MessageBox::SetAutoAnswer(std::optional<Answer> answer)
{
    State().autoAnswer = answer;
}

QString MessageBox::LastText()
{
    return State().lastText;
}

int MessageBox::ShownCount()
{
    return State().shownCount;
}

void MessageBox::ResetRecord()
{
    State().lastText.clear();
    State().shownCount = 0;
}

} // namespace dialtally
