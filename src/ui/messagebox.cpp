#include "ui/messagebox.h"

#include <QFileDialog>
#include <QMessageBox>

namespace dialtally {

namespace {

struct Presets {
    std::optional<MessageBox::Answer> nextAnswer;
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

} // namespace

MessageBox::Answer MessageBox::Show(QWidget* parent, const QString& text, Icon icon)
{
    Presets& state = State();
    state.lastText = text;
    ++state.shownCount;
    if (state.nextAnswer) {
        const Answer answer = *state.nextAnswer;
        state.nextAnswer.reset();
        return answer;
    }
    if (state.autoAnswer)
        return *state.autoAnswer;

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
    State().nextAnswer = answer;
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
