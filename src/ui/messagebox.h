#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace dialtally {

// Every message box and file dialog of the program goes through here, so that a test can give
// the answer in advance instead of facing a modal window. Boxes are titled "Dialtally"; line
// breaks in texts are written "\r\n".
class MessageBox {
public:
    enum class Icon { Information, Exclamation, Question };
    enum class Answer { Ok, Cancel, Yes, No };

    // Information and exclamation boxes have an OK button; question boxes OK and Cancel.
    static Answer Show(QWidget* parent, const QString& text, Icon icon);
    // A question with OK and Cancel where Cancel is the default button, so that Enter does not
    // destroy anything; titled "Dialtally" unless a title is given.
    static Answer Confirm(QWidget* parent, const QString& text, const QString& title = QString());
    // A question with the buttons Yes, No and Cancel; Yes is the default.
    static Answer AskYesNoCancel(QWidget* parent, const QString& text);

    // File name chosen for saving, or empty when the user cancelled.
    static QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter);
    // The same with the checks of a save that must not fail on the name: an existing file needs
    // the user's consent to be replaced, a read-only file is refused and the folder must exist;
    // the dialog stays open until the name passes.
    static QString CheckedSaveFileName(QWidget* parent, const QString& caption,
                                       const QString& filter);

    // Test hooks: the next box (or file dialog) returns this answer at once without showing;
    // answers given one after another answer the boxes in that order. Every text shown or
    // answered is recorded.
    static void SetNextAnswer(Answer answer);
    static void SetNextFileName(const QString& fileName);
    // Answers every following box at once with OK (or Cancel for none) until switched off.
    static void SetAutoAnswer(std::optional<Answer> answer);
    static QString LastText();
    static int ShownCount();
    static void ResetRecord();
};

} // namespace dialtally
