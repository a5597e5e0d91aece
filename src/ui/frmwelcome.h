#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dialtally {

// The welcome dialog of the first run: the licence agreement, read from a text file that ships
// with the program, with "I Agree" (accepted) and "Cancel" (the program ends). It has no close
// box; closing it by other means counts as Cancel, and Esc does nothing.
class frmWelcome : public QDialog {
    Q_OBJECT
public:
    // Shows the lines of licensePath, each on a line of its own. A missing or unreadable file
    // shows what could be read, possibly nothing, without a message.
    explicit frmWelcome(const QString& licensePath, QWidget* parent = nullptr);

    QString AgreementText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoadAgreement(const QString& path);

    QLabel* m_label1 = nullptr;
    QPlainTextEdit* m_txtLicense = nullptr;
    QPushButton* m_cmdAgree = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace dialtally
