#pragma once

#include <QDialog>

class QAction;
class QFrame;
class QLabel;
class QPushButton;

namespace dialtally {

// The About dialog: the product's name with its version and its revision. A click on its icon
// reveals the main window's "&Edit Log" item and switches it on or off; the name is shown greyed
// while the item is on. The item's state belongs to the main window and is not stored.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // editLog is the main window's "&Edit Log" item; it may be null (the icon then does nothing).
    explicit frmAbout(QAction* editLog, QWidget* parent = nullptr);

    void ToggleEditLog();

private:
    void BuildFrame();

    QAction* m_editLog;
    QLabel* m_picIcon = nullptr;
    QFrame* m_frame1 = nullptr;
    QLabel* m_lblName = nullptr;
    QLabel* m_lblRevision = nullptr;
    QPushButton* m_cmdAbout = nullptr;
};

// The Help menu's "&About": the dialog, modal.
void ShowAbout(QWidget* parent, QAction* editLog);

} // namespace dialtally
