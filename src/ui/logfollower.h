#pragma once

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

namespace dialtally {

// Watches the logger's data file in the Windows folder and says when new lines may have
// arrived. A burst of changes is told once: after the file has been quiet for a moment, and at
// the latest a little after the first change, so that a logger writing without pause is still
// followed. File systems that notify nobody are looked at on a slower timer.
class LogFollower : public QObject {
    Q_OBJECT
public:
    static constexpr int kQuietMilliseconds = 250;
    static constexpr int kLatestMilliseconds = 1000;
    static constexpr int kPollMilliseconds = 5000;

    LogFollower(const QString& windowsDir, QObject* parent = nullptr);

    void SetEnabled(bool on);
    bool IsEnabled() const { return m_enabled; }

signals:
    // New lines may wait in the data file.
    void LinesArrived();

private:
    void WatchDataFile();
    void OnChange();
    void Fire();
    void Poll();

    QString m_windowsDir;
    QString m_dataFile;
    bool m_enabled = false;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_quiet = nullptr;
    QTimer* m_latest = nullptr;
    QTimer* m_poll = nullptr;
};

} // namespace dialtally
