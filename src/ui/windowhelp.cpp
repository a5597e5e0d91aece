#include "ui/windowhelp.h"

#include "ui/helpwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>

namespace dialtally {

WindowHelp::WindowHelp(QWidget* window) : QObject(window), m_mainWindow(window)
{
    m_help.InitHelp(this, ShippedHelpFolder());
    qApp->installEventFilter(this);
}

WindowHelp::~WindowHelp()
{
    delete m_window;
}

std::int32_t WindowHelp::ContextOf(QObject* receiver, std::int32_t fallback)
{
    if (const auto* menu = qobject_cast<const QMenu*>(receiver)) {
        if (const QAction* item = menu->activeAction()) {
            if (const int context = item->property(kHelpContextProperty).toInt())
                return context;
        }
    }
    for (const QObject* element = receiver; element; element = element->parent()) {
        if (const int context = element->property(kHelpContextProperty).toInt())
            return context;
    }
    return fallback;
}

long WindowHelp::ShowContext(const QString& helpFile, std::int32_t context)
{
    if (!m_window) {
        m_window = new HelpWindow();
        // Opened in the middle of the main window's screen, whole on it.
        const QRect screen = m_mainWindow->screen()->availableGeometry();
        m_window->resize(m_window->size().boundedTo(screen.size() * 0.9));
        m_window->move(screen.center() - m_window->rect().center());
    }
    const bool shown = m_window->Load(helpFile) && m_window->ShowTopic(context);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return shown ? 1 : 0;
}

long WindowHelp::Quit()
{
    delete m_window;
    return 1;
}

bool WindowHelp::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches the system's window first, which hands it on to the widget with the focus;
    // only that widget knows its help context.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return false;
    const std::int32_t context =
        ContextOf(watched, m_mainWindow->property(kHelpContextProperty).toInt());
    // An open menu closes, as it does when any other window comes to the front.
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    ShowHelpTopic(context);
    return true;
}

} // namespace dialtally
