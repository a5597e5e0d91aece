#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace dialtally {

// Acts on the modal dialog named dialogName as soon as one shows, while the code under test
// waits in its exec(): act gets the dialog and closes it. Stops looking on destruction; Seen()
// tells whether a dialog came.
class ModalDialogWatcher {
public:
    ModalDialogWatcher(const char* dialogName, std::function<void(QWidget*)> act)
        : m_name(QString::fromLatin1(dialogName)), m_act(std::move(act))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Look(); });
        m_timer.start();
    }

    bool Seen() const { return m_seen; }

private:
    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != m_name || m_seen)
            return;
        m_seen = true;
        m_timer.stop();
        m_act(modal);
    }

    QString m_name;
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    bool m_seen = false;
};

// Clicks the dialog's button of that name.
inline std::function<void(QWidget*)> ClickButton(const char* buttonName)
{
    return [name = QString::fromLatin1(buttonName)](QWidget* dialog) {
        if (auto* button = dialog->findChild<QPushButton*>(name))
            button->click();
    };
}

} // namespace dialtally
