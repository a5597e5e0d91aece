#pragma once

#include "control/help.h"
#include "ui/helpwindow.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QWidget;

namespace dialtally {

// Help context numbers are the property "helpContext" of windows, menus and menu items.
inline constexpr char kHelpContextProperty[] = "helpContext";

// The help of the main window: the help file shipped with the program shown in the help viewer's
// window, and the help key. F1 anywhere in the program opens the topic of the focused element's
// help context: a menu's active item, else the element or the nearest one around it that has a
// context, else the main window's. The viewer stays open until CloseHelp, which the main window
// calls when it closes.
class WindowHelp : public QObject, public HelpViewer {
    Q_OBJECT
public:
    // InitHelp with the help file beside the executables; window is the main window.
    explicit WindowHelp(QWidget* window);
    ~WindowHelp() override;

    long ShowHelpTopic(std::int32_t context) { return m_help.ShowHelpTopic(context); }
    long CloseHelp() { return m_help.CloseHelp(); }
    // The viewer's window while it is open (tests).
    HelpWindow* Window() const { return m_window; }

    // The help context that F1 in receiver opens.
    static std::int32_t ContextOf(QObject* receiver, std::int32_t fallback);

    long ShowContext(const QString& helpFile, std::int32_t context) override;
    long Quit() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_mainWindow;
    ProgramHelp m_help;
    QPointer<HelpWindow> m_window;
};

} // namespace dialtally
