#include "store/ChangeWatcher.h"

#include "store/Connection.h"
#include "store/Server.h"
#include "store/Statement.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace store {

namespace {

// A file's poll and a server's check of its connection: often enough that a
// change shows within a second, seldom enough to cost nothing.
constexpr int pollMs = 250;
// Commits close together (an import, a repeat of many rows) give one signal.
constexpr int coalesceMs = 200;
// Waits between attempts to reach a database that went away, doubled from
// the first to the longest.
constexpr int firstRetryMs = 250;
constexpr int longestRetryMs = 30000;

} // namespace

ChangeWatcher::ChangeWatcher(QObject *parent) : QObject(parent)
{
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &ChangeWatcher::poll);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &ChangeWatcher::retry);
    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(coalesceMs);
    connect(&m_coalesce, &QTimer::timeout, this, &ChangeWatcher::changed);
}

ChangeWatcher::~ChangeWatcher()
{
    // A probe still trying to reach a server ends within the connection's
    // timeout; it must not outlive the watcher that would take its answer.
    if (m_probe) {
        m_probe->disconnect(this);
        m_probe->wait();
        delete m_probe;
    }
}

QString ChangeWatcher::serverChannel()
{
    return QStringLiteral("quorvel_changes");
}

void ChangeWatcher::watch(const QString &databasePath)
{
    if (databasePath == m_path)
        return;
    drop();
    m_retry.stop();
    m_coalesce.stop();
    m_path = databasePath;
    m_retryMs = firstRetryMs;
    if (m_path.isEmpty())
        return;
    // The window that asked has just read the database, so it answers now;
    // should it not, the next attempts wait on a thread (retry).
    if (!connectNow())
        m_retry.start(m_retryMs);
}

bool ChangeWatcher::connectNow()
{
    auto db = std::make_unique<Connection>(m_path);
    if (!db->open())
        return false;
    if (db->isServer()) {
        QSqlDriver *driver = db->database().driver();
        if (!driver->subscribeToNotification(serverChannel()))
            return false;
        // Qt's driver reads the announcements as they arrive, from the
        // event loop; the connection runs nothing else.
        connect(driver, &QSqlDriver::notification, this, [this](const QString &name) {
            if (name == serverChannel())
                noteChange();
        });
    } else {
        // The poll must never wait in the window's thread for another
        // program's commit to let go of the file: a locked file is simply
        // asked again at the next poll.
        sqlite3_busy_timeout(sqliteHandle(*db), 0);
        m_dataVersion = -1;
    }
    m_db = std::move(db);
    poll();
    m_poll.start();
    return true;
}

void ChangeWatcher::poll()
{
    if (!m_db)
        return;
    if (m_db->isServer()) {
        // The driver's reading of the socket finds a connection the server
        // closed, and libpq marks it so.
        if (PQstatus(serverHandle(*m_db)) == CONNECTION_BAD) {
            drop();
            m_retry.start(m_retryMs);
        }
        return;
    }
    qint64 version = -1;
    {
        QSqlQuery query(m_db->database());
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("PRAGMA data_version")) && query.next()) {
            version = query.value(0).toLongLong();
        } else {
            const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
                return;
        }
        // The query ends here, so the connection holds no lock until the next poll.
    }
    if (version < 0) {
        drop();
        m_retry.start(m_retryMs);
        return;
    }
    // data_version stays the same for this connection's own commits, and it
    // makes none: any change is another connection's.
    if (m_dataVersion >= 0 && version != m_dataVersion)
        noteChange();
    m_dataVersion = version;
}

void ChangeWatcher::drop()
{
    m_poll.stop();
    m_db.reset();
}

void ChangeWatcher::retry()
{
    if (m_probe || m_db || m_path.isEmpty())
        return;
    // Reaching a server that does not answer takes as long as its timeout:
    // that wait is spent on a thread, and the watcher's own connection is
    // opened only once the server answers again.
    const QString path = m_path;
    auto reached = std::make_shared<bool>(false);
    m_probe = QThread::create([path, reached] { *reached = bool(reach(path)); });
    connect(m_probe, &QThread::finished, this, [this, path, reached] {
        m_probe->deleteLater();
        m_probe = nullptr;
        if (path != m_path || m_db)
            return;
        if (*reached && connectNow()) {
            m_retryMs = firstRetryMs;
            // Anything may have changed while the watcher was away.
            noteChange();
            return;
        }
        m_retryMs = qMin(m_retryMs * 2, longestRetryMs);
        m_retry.start(m_retryMs);
    });
    m_probe->start();
}

void ChangeWatcher::noteChange()
{
    if (!m_coalesce.isActive())
        m_coalesce.start();
}

} // namespace store
