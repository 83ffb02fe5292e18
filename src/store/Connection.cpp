#include "store/Connection.h"

#include "store/Statement.h"

#include "store/ChangeWatcher.h"

#include "store/SchemaUpgrade.h"
#include "store/Server.h"
#include "store/ServerStatement.h"
#include "store/Tables.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>
#include <QStringList>
#include <QUrl>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>

namespace store {

QString Failure::text() const
{
    QStringList parts;
    if (!action.isEmpty())
        parts << action + u'.';
    if (!detail.isEmpty())
        parts << detail;
    // The messages that explain a problem with the file name it already.
    if (!databasePath.isEmpty() && !detail.contains(QDir::toNativeSeparators(databasePath)))
        parts << QStringLiteral("Database: %1").arg(databasePath);
    return parts.join(QStringLiteral("\n\n"));
}

namespace {

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("quorvel-%1").arg(++counter);
}

QString commandArgument(const QString &text)
{
#ifdef Q_OS_WIN
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.:\\\\/+=,@%-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    return u'"' + text + u'"';
#else
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:+=,@%-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
#endif
}

// Whether an unfinished change lies beside the database: SQLite's rollback
// journal, still holding pages. Only looked at, never opened.
bool hasHotJournal(const QString &databasePath)
{
    const QFileInfo journal(databasePath + QStringLiteral("-journal"));
    return journal.isFile() && journal.size() > 0;
}

} // namespace

QString initDbCommand(const QString &databasePath)
{
    QString tool = QStringLiteral("quorvel-cli");
    // The companion tool lies beside the program, so the command works as pasted.
    if (QCoreApplication::instance()) {
        tool = QCoreApplication::applicationDirPath() + u'/' + tool;
#ifdef Q_OS_WIN
        tool += QStringLiteral(".exe");
#endif
    }
    return commandArgument(QDir::toNativeSeparators(tool)) + QStringLiteral(" init-db ") +
           commandArgument(QDir::toNativeSeparators(QFileInfo(databasePath).absoluteFilePath()));
}

QString recreateAdvice(const QString &databasePath)
{
    return QStringLiteral("Move it out of the way (or rename it), then create an empty Quorvel "
                          "database in its place with:\n%1")
        .arg(initDbCommand(databasePath));
}

QString explainSqliteFailure(int code, const QString &said, const QString &databasePath)
{
    const QString file = QDir::toNativeSeparators(databasePath);
    const QString writeAdvice =
        QStringLiteral("Ask whoever installed Quorvel to let you change the file and its "
                       "folder, or install Quorvel into a folder of your own.");
    // A journal left beside the file is a change that a run killed half-way
    // (or a power cut) did not finish. SQLite must roll it back before anyone
    // may read the file, and that takes writing both the file and its folder:
    // without that access every way in fails, whatever the code says.
    const int primary = code & 0xff;
    if (code == SQLITE_READONLY_ROLLBACK ||
        ((primary == SQLITE_CANTOPEN || primary == SQLITE_PERM || primary == SQLITE_IOERR) &&
         hasHotJournal(databasePath))) {
        return QStringLiteral("A previous run was interrupted while it was changing the database "
                              "file %1, and the change it left half done must be undone before "
                              "the file can be used. That needs write access to the file and to "
                              "its folder %2, which this user does not have. Ask whoever owns "
                              "them for write access (or run Quorvel once as a user who has it); "
                              "the first Quorvel program that opens the file then undoes the "
                              "change, and nothing that was saved before it is lost. Do not "
                              "delete the file %3: it holds that undo.")
            .arg(file, QDir::toNativeSeparators(QFileInfo(databasePath).absolutePath()),
                 QDir::toNativeSeparators(databasePath + QStringLiteral("-journal")));
    }
    switch (primary) {
    case SQLITE_READONLY:
        return QStringLiteral("The database file %1 is read-only for this user, so Quorvel "
                              "cannot change it. %2")
            .arg(file, writeAdvice);
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return QStringLiteral("The database file %1 could not be opened, or SQLite could not "
                              "create the journal file it writes beside the database while "
                              "changing it: this user may not read the file, or may not write "
                              "in its folder. %2")
            .arg(file, writeAdvice);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Another program is using the database file %1 and kept it locked "
                              "for more than %2 seconds. Close that program, or wait until it "
                              "has finished, then try again.")
            .arg(file, QString::number(busyTimeoutMs / 1000));
    case SQLITE_NOTADB:
        return QStringLiteral("The file %1 is not a Quorvel database: it is not an SQLite "
                              "database at all. %2")
            .arg(file, recreateAdvice(databasePath));
    case SQLITE_CORRUPT:
        return QStringLiteral("The database file %1 is damaged (SQLite says: %2). Put back a "
                              "copy from a backup. To start afresh instead: %3")
            .arg(file, said, recreateAdvice(databasePath));
    case SQLITE_FULL:
        return QStringLiteral("The disk that holds the database file %1 is full. Make room on "
                              "it, then try again.")
            .arg(file);
    default:
        return said.isEmpty() ? QStringLiteral("The database gave no reason.") : said;
    }
}

Connection::Connection(QString databasePath)
    : m_path(std::move(databasePath)), m_server(isServerAddress(m_path)),
      m_name(uniqueConnectionName())
{
}

QString Connection::shownPath() const
{
    return m_server ? withoutPassword(m_path) : m_path;
}

Connection::~Connection()
{
    if (m_db.isValid()) {
        rollback();
        m_db.close();
    }
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

Failure Connection::failure(const QString &detail) const
{
    return Failure{QString(), detail, shownPath()};
}

Failure Connection::failure(const QSqlError &error) const
{
    QString said = error.databaseText();
    if (said.isEmpty())
        said = error.text();
    if (m_server)
        return failure(explainServerFailure(error.nativeErrorCode(), said, m_path));
    bool isCode = false;
    const int code = error.nativeErrorCode().toInt(&isCode);
    return failure(explainSqliteFailure(isCode ? code : SQLITE_ERROR, said, m_path));
}

Status Connection::openServer()
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    if (!m_db.isValid())
        return failure(QStringLiteral("Qt's PostgreSQL driver is not installed, so Quorvel cannot "
                                      "reach the server %1. On Debian, install the package "
                                      "libqt6sql6-psql.")
                           .arg(serverName(m_path)));
    if (auto applied = applyServerAddress(m_db, m_path); !applied)
        return applied;
    if (!m_db.open())
        return failure(m_db.lastError());
    return prepareSchema(*this);
}

Status Connection::open()
{
    if (m_server)
        return openServer();
    const QFileInfo file(m_path);
    if (!file.exists()) {
        return failure(QStringLiteral("The database file %1 does not exist. Create an empty one "
                                      "with:\n%2")
                           .arg(QDir::toNativeSeparators(m_path), initDbCommand(m_path)));
    }
    if (!file.isFile())
        return failure(QStringLiteral("The database path is not a file."));

    configureSqlite();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!m_db.isValid())
        return failure(QStringLiteral("The SQLite driver for Qt is not installed."));
    // mode=rw: SQLite would otherwise create an empty file in place of a
    // missing one, and the program must never create its own database.
    QUrl uri = QUrl::fromLocalFile(file.absoluteFilePath());
    uri.setQuery(QStringLiteral("mode=rw"));
    m_db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    m_db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!m_db.open())
        return failure(m_db.lastError());
    // Extended codes tell a change left half done by an interrupted run from
    // a file that is merely read-only.
    if (sqlite3 *handle = sqliteHandle(*this))
        sqlite3_extended_result_codes(handle, 1);
    // Before anything else: a file that is no Quorvel database, or one of a
    // newer version, is refused; an older one is brought up to date.
    return prepareSchema(*this);
}

Status reach(const QString &databasePath, bool *wantsPassword)
{
    Connection connection(databasePath);
    Status opened = connection.open();
    if (wantsPassword)
        *wantsPassword =
            !opened && connection.isServer() && needsPassword(connection.database().lastError());
    return opened;
}

Status Connection::begin()
{
    // IMMEDIATE takes the write lock now, while waiting for it is still
    // allowed: a transaction that only asks once it writes is refused at
    // once when another program is writing, since waiting could deadlock.
    //
    // On a server every writer waits for one lock, held to the end of its
    // transaction, for no longer than a file's writer would.
    if (m_server) {
        if (auto begun = execute(QStringLiteral("BEGIN")); !begun)
            return begun;
        m_inTransaction = true;
        m_writing = true;
        for (const QString &sql : {QStringLiteral("SET LOCAL lock_timeout = %1").arg(busyTimeoutMs),
                                   serverWriteLockSql()}) {
            if (auto locked = execute(sql); !locked) {
                rollback();
                return locked;
            }
        }
        return success();
    }
    if (auto begun = execute(QStringLiteral("BEGIN IMMEDIATE")); !begun)
        return begun;
    m_inTransaction = true;
    return success();
}

Status Connection::beginRead()
{
    // A file's reader sees one snapshot until it ends; a server's must ask for it.
    if (auto begun = execute(m_server ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ")
                                      : QStringLiteral("BEGIN"));
        !begun)
        return begun;
    m_inTransaction = true;
    return success();
}

Status Connection::commit()
{
    // A server answers COMMIT of a transaction a statement failed in by
    // rolling it back, without an error: the change must not pass as saved.
    if (m_server &&
        (m_statementFailed || PQtransactionStatus(serverHandle(*this)) == PQTRANS_INERROR)) {
        rollback();
        return failure(QStringLiteral("A statement of this change failed on the PostgreSQL "
                                      "server %1, so nothing of it was saved.")
                           .arg(serverName(m_path)));
    }
    // Every window watching the server (store::ChangeWatcher) hears of a
    // change, and only of one that is committed: the server delivers the
    // announcement with the commit, and drops it with a rollback.
    if (m_server && m_writing) {
        if (auto announced = execute(
                QStringLiteral("SELECT pg_notify('%1', '')").arg(ChangeWatcher::serverChannel()));
            !announced) {
            rollback();
            return announced;
        }
    }
    if (auto committed = execute(QStringLiteral("COMMIT")); !committed) {
        rollback();
        return committed;
    }
    m_inTransaction = false;
    m_writing = false;
    return success();
}

void Connection::rollback()
{
    settle();
    if (m_inTransaction)
        QSqlQuery(QStringLiteral("ROLLBACK"), m_db);
    m_inTransaction = false;
    m_statementFailed = false;
    m_writing = false;
}

Failure Connection::statementFailure(const QSqlError &error)
{
    Failure failed = failure(error);
    // The server has ended the transaction at its failed statement, and the
    // driver could not free the statement it prepared there, saying so on
    // standard error under the command's own message. A fresh transaction
    // lets it; nothing of the change is committed all the same (commit()).
    if (m_server && m_inTransaction &&
        PQtransactionStatus(serverHandle(*this)) == PQTRANS_INERROR) {
        settle();
        QSqlQuery(QStringLiteral("ROLLBACK"), m_db);
        QSqlQuery(QStringLiteral("BEGIN"), m_db);
        m_statementFailed = true;
    }
    return failed;
}

namespace {

std::function<void(const QString &)> &statementObserver()
{
    static std::function<void(const QString &)> observer;
    return observer;
}

} // namespace

void observeStatements(std::function<void(const QString &)> observer)
{
    statementObserver() = std::move(observer);
}

void notePrepared(const QString &sql)
{
    if (const auto &observer = statementObserver())
        observer(sql);
}

void Connection::settle()
{
    if (m_server)
        ServerStatement::settle(serverHandle(*this));
}

Result<QSqlQuery> Connection::run(const QString &sql, const QVariantList &values, bool forwardOnly)
{
    notePrepared(sql);
    settle();
    QSqlQuery query(m_db);
    query.setForwardOnly(forwardOnly);
    if (m_server && std::any_of(values.begin(), values.end(), holdsNul))
        return failure(nulTextRefusal());
    // Qt's PostgreSQL driver makes every prepared query a PREPARE, which
    // the server refuses for BEGIN, SET and the like; with nothing to bind
    // there is nothing to prepare for.
    if (m_server && values.isEmpty()) {
        if (!query.exec(sql))
            return failure(query.lastError());
        m_changed = query.numRowsAffected();
        return query;
    }
    if (!query.prepare(sql))
        return failure(query.lastError());
    for (const QVariant &value : values) {
        const auto text = textForDriver(m_db, value);
        query.addBindValue(text ? QVariant(*text) : value);
    }
    if (!query.exec())
        return statementFailure(query.lastError());
    m_changed = query.numRowsAffected();
    return query;
}

Result<QSqlQuery> Connection::select(const QString &sql, const QVariantList &values)
{
    return run(sql, values, true);
}

Status Connection::execute(const QString &sql, const QVariantList &values)
{
    if (auto done = run(sql, values, true); !done)
        return done.failure();
    return success();
}

Result<qint64> Connection::insert(const QString &table, const Columns &columns)
{
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (const auto &[name, value] : columns) {
        names << name;
        marks << QStringLiteral("?");
        values << value;
    }
    QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(table, names.join(QStringLiteral(", ")),
                                             marks.join(QStringLiteral(", ")));
    // A server tells a new row's identifier only when asked for it.
    const QString key = tables::keyOf(table);
    if (!key.isEmpty())
        sql += returning(key);
    auto done = run(sql, values, true);
    if (!done)
        return done.failure();
    if (m_server && key.isEmpty())
        return qint64(0);
    const qint64 id = insertedId(done.value());
    if (id <= 0 && (m_server || !done.value().lastInsertId().isValid()))
        return failure(QStringLiteral("The database did not report the new row's identifier."));
    return id;
}

QString Connection::returning(const QString &keyColumn) const
{
    return m_server ? QStringLiteral(" RETURNING ") + keyColumn : QString();
}

qint64 Connection::insertedId(QSqlQuery &inserted) const
{
    if (!m_server)
        return inserted.lastInsertId().toLongLong();
    return inserted.next() ? inserted.value(0).toLongLong() : 0;
}

Result<QSqlQuery> Connection::prepare(const QString &sql)
{
    notePrepared(sql);
    settle();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return failure(query.lastError());
    return query;
}

Status Connection::execute(QSqlQuery &prepared)
{
    // Made fit for the driver for this run only: the caller's values stay
    // bound as the caller bound them.
    const QVariantList given = prepared.boundValues();
    if (m_server && std::any_of(given.begin(), given.end(), holdsNul))
        return failure(nulTextRefusal());
    QList<int> changed;
    for (int i = 0; i < int(given.size()); ++i) {
        if (const auto text = textForDriver(m_db, given.at(i))) {
            prepared.bindValue(i, *text);
            changed << i;
        }
    }
    settle();
    const bool ran = prepared.exec();
    m_changed = ran ? prepared.numRowsAffected() : 0;
    for (const int i : std::as_const(changed))
        prepared.bindValue(i, given.at(i));
    if (!ran)
        return statementFailure(prepared.lastError());
    return success();
}

Status Connection::update(const QString &table, const Columns &columns, const QString &keyColumn,
                          const QVariant &key)
{
    if (columns.isEmpty())
        return success();
    QStringList assignments;
    QVariantList values;
    for (const auto &[name, value] : columns) {
        assignments << name + QStringLiteral(" = ?");
        values << value;
    }
    values << key;
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(table, assignments.join(QStringLiteral(", ")), keyColumn);
    return execute(sql, values);
}

Result<ListEntries> readEntries(const QString &databasePath, const QString &action,
                                const QString &sql, const QVariantList &values,
                                const std::function<QString(const QSqlQuery &)> &text)
{
    return read(databasePath, action, [&](Connection &db) -> Result<ListEntries> {
        auto rows = db.select(sql, values);
        if (!rows)
            return rows.failure();
        ListEntries entries;
        QSqlQuery &query = rows.value();
        while (query.next())
            entries.append({text(query), query.value(0).toInt()});
        return entries;
    });
}

Result<ListEntries> readTextEntries(const QString &databasePath, const QString &action,
                                    const QString &sql, qint64 value, const QString &emptyText)
{
    return read(databasePath, action, [&](Connection &db) -> Result<ListEntries> {
        // The rows are read once, in index order: a page cache of the usual
        // size would only hold more memory while the list is being built.
        // A server hands them over a batch at a time, inside a snapshot.
        if (db.isServer()) {
            if (auto begun = db.beginRead(); !begun)
                return begun.failure();
        } else if (auto small = db.execute(QStringLiteral("PRAGMA cache_size = -256")); !small) {
            return small.failure();
        }
        Statement rows(db, sql);
        rows.restart(value);
        const QByteArray empty = emptyText.toUtf8();
        ListEntries entries;
        while (rows.next()) {
            const auto id = qint32(rows.integer(0));
            const std::string_view text = rows.text(1);
            if (text.empty())
                entries.appendUtf8(std::string_view(empty.constData(), std::size_t(empty.size())),
                                   id);
            else if (isPlainUtf8(text))
                entries.appendUtf8(text, id);
            else
                entries.append({rows.wideText(1), id});
        }
        if (!rows.ok())
            return db.failure(rows.errorString());
        return entries;
    });
}

QVariant typedText(const QString &typed)
{
    return typed.isNull() ? QVariant(QStringLiteral("")) : QVariant(typed);
}

QVariant field(const QSqlQuery &query, const QString &column)
{
    // QSqlRecord matches field names without regard to case.
    return query.value(query.record().indexOf(column));
}

QString text(const QSqlQuery &query, const QString &column)
{
    return field(query, column).toString();
}

} // namespace store
