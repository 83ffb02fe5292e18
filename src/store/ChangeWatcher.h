#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QThread;

namespace store {

class Connection;

// Tells when another connection (another window's command, another Quorvel,
// quorvel-cli) has committed a change to the database, so that what a window
// shows can be read again. It keeps one connection of its own open and
// works in its thread's event loop, between the windows' commands:
// - a database file is asked for SQLite's data_version a few times a
//   second, each time outside any transaction, so no lock is held between;
// - a server announces every committed write (Connection::commit) on a
//   channel the watcher listens to; a dropped connection is made again
//   quietly, with longer waits while the server stays away.
class ChangeWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChangeWatcher)

public:
    explicit ChangeWatcher(QObject *parent = nullptr);
    ~ChangeWatcher() override;

    // Watches the database at databasePath from now on; nothing for empty
    // text, and nothing changes for the path already watched.
    void watch(const QString &databasePath);
    const QString &databasePath() const { return m_path; }
    // Whether the watcher's own connection is open at the moment.
    bool isConnected() const { return m_db != nullptr; }

    // The channel a server's writers announce their commits on.
    static QString serverChannel();

signals:
    // Something was committed since the last signal. Several commits close
    // together give one signal, and a reconnection gives one as well, since
    // anything may have changed while the watcher was away.
    void changed();

private:
    bool connectNow();
    void poll();
    void drop();
    void retry();
    void noteChange();

    QString m_path;
    std::unique_ptr<Connection> m_db;
    // Trying to reach the database again, off the window's thread.
    QThread *m_probe = nullptr;
    qint64 m_dataVersion = -1;
    int m_retryMs = 0;
    QTimer m_poll;
    QTimer m_retry;
    QTimer m_coalesce;
};

} // namespace store
