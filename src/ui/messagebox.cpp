#include "ui/messagebox.h"

#include <QFileDialog>
#include <QMessageBox>
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

// The preset answer for a box about to be shown, after recording its text.
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

// The toolkit breaks lines at "\n" alone; a "\r" would show as a stray mark.
QString BoxText(const QString& text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

MessageBox::Answer MessageBox::Show(QWidget* parent, const QString& text, Icon icon)
{
    if (const auto preset = PresetAnswer(text))
        return *preset;

    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    box.setText(BoxText(text));
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

MessageBox::Answer MessageBox::AskYesNoCancel(QWidget* parent, const QString& text)
{
    if (const auto preset = PresetAnswer(text))
        return *preset;
    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    box.setText(BoxText(text));
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
