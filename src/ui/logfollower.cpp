#include "ui/logfollower.h"

#include "log/update.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace dialtally {

LogFollower::LogFollower(const QString& windowsDir, QObject* parent)
    : QObject(parent), m_windowsDir(windowsDir),
      m_dataFile(QDir(windowsDir).filePath(kDataFileName))
{
    m_watcher = new QFileSystemWatcher(this);
    m_quiet = new QTimer(this);
    m_quiet->setSingleShot(true);
    m_quiet->setInterval(kQuietMilliseconds);
    m_latest = new QTimer(this);
    m_latest->setSingleShot(true);
    m_latest->setInterval(kLatestMilliseconds);
    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMilliseconds);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &LogFollower::OnChange);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &LogFollower::OnChange);
    connect(m_quiet, &QTimer::timeout, this, &LogFollower::Fire);
    connect(m_latest, &QTimer::timeout, this, &LogFollower::Fire);
    connect(m_poll, &QTimer::timeout, this, &LogFollower::Poll);
}

void LogFollower::SetEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (!on) {
        if (!m_watcher->files().isEmpty())
            m_watcher->removePaths(m_watcher->files());
        if (!m_watcher->directories().isEmpty())
            m_watcher->removePaths(m_watcher->directories());
        m_quiet->stop();
        m_latest->stop();
        m_poll->stop();
        return;
    }
    if (QFileInfo(m_windowsDir).isDir())
        m_watcher->addPath(m_windowsDir);
    WatchDataFile();
    m_poll->start();
    // Lines that came while nobody watched are taken at once.
    Poll();
}

// The data file comes and goes (the update renames it away, the logger makes it anew): it is
// watched whenever it exists; the folder tells when it appears.
void LogFollower::WatchDataFile()
{
    if (QFileInfo::exists(m_dataFile) && !m_watcher->files().contains(m_dataFile))
        m_watcher->addPath(m_dataFile);
}

void LogFollower::OnChange()
{
    if (!m_enabled)
        return;
    WatchDataFile();
    m_quiet->start();
    if (!m_latest->isActive())
        m_latest->start();
}

void LogFollower::Fire()
{
    m_quiet->stop();
    m_latest->stop();
    if (m_enabled)
        emit LinesArrived();
}

void LogFollower::Poll()
{
    if (QFileInfo(m_dataFile).size() > 0 && !m_quiet->isActive())
        OnChange();
}

} // namespace dialtally
