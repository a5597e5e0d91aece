#pragma once

#include "analysis/settings.h"
#include "ui/messagebox.h"
#include "ui/settingsdialog.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace dialtally {

// A settings file in a folder of its own, opened as the main window opens it, for the settings
// dialogs to edit.
class SettingsFixture {
public:
    explicit SettingsFixture(const QByteArray& content = {})
    {
        if (!content.isEmpty()) {
            QFile file(Path());
            if (file.open(QIODevice::WriteOnly))
                file.write(content);
        }
        settings = LoadUserSettings(Path(), store);
        before = Bytes();
    }

    QString Path() const { return m_dir.filePath(QStringLiteral("Dtallyer.ini")); }
    QByteArray Bytes() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool Unchanged() const { return Bytes() == before; }
    // What the next start of the program would load.
    LoadedSettings Reloaded() const { return LoadUserSettings(Path()); }
    SettingsEdit Edit() { return {settings, store.get(), gfUpdateUI}; }

    std::unique_ptr<QSettings> store;
    LoadedSettings settings;
    bool gfUpdateUI = false;
    QByteArray before; // the file as the dialog found it

private:
    QTemporaryDir m_dir;
};

template <typename T> T* Child(QWidget* parent, const QString& name)
{
    T* child = parent->findChild<T*>(name);
    if (!child)
        qFatal("no control %s", qPrintable(name));
    return child;
}

// Replaces the text of a box as typing would.
inline void Type(QWidget* box, const QString& text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    if (!text.isEmpty())
        QTest::keyClicks(box, text);
}

// A press at the first point, moves with the button held over the others, a release at the last.
inline void Drag(QWidget* widget, Qt::MouseButton button, const QList<QPoint>& path)
{
    QTest::mousePress(widget, button, {}, path.front());
    for (const QPoint& point : path) {
        QMouseEvent move(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    QTest::mouseRelease(widget, button, {}, path.back());
}

} // namespace dialtally
