#pragma once

#include "store/ListEntry.h"
#include "store/Result.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <type_traits>

namespace store {

// Column name and value pairs for an insert or an update.
using Columns = QList<QPair<QString, QVariant>>;

// One connection to the database file, owned by one command. It is added
// under a name of its own and removed again when the command's scope ends,
// after every query of that scope is gone, so no connection outlives a command.
class Connection
{
    Q_DISABLE_COPY_MOVE(Connection)

public:
    // `databasePath` is a database file's path, or a PostgreSQL server's
    // address (store/Server.h).
    explicit Connection(QString databasePath);
    ~Connection();

    // Opens an existing database file for reading and writing; a missing file
    // is a failure, never silently created. A file that is no Quorvel database,
    // or one written by a newer Quorvel, is refused; an older one is brought
    // up to date first. The same for a database on a server.
    Status open();

    // Whether the database is on a PostgreSQL server rather than in a file.
    bool isServer() const { return m_server; }

    // A transaction that writes. It holds the write lock from its start, so
    // it waits for another program's change to end instead of failing.
    Status begin();
    // A transaction that only reads: one snapshot for several queries.
    Status beginRead();
    Status commit();
    void rollback();

    // A read-only, forward-only query with its values bound in order.
    Result<QSqlQuery> select(const QString &sql, const QVariantList &values = {});
    // A statement that returns no rows (DELETE, UPDATE, CREATE ...).
    Status execute(const QString &sql, const QVariantList &values = {});
    // Adds a row and returns the identifier the store gave it.
    Result<qint64> insert(const QString &table, const Columns &columns);
    // Changes the given columns of the rows whose keyColumn equals key.
    Status update(const QString &table, const Columns &columns, const QString &keyColumn,
                  const QVariant &key);
    // A statement prepared once and run many times, with fresh values bound
    // before each run: bulk work such as a repeat of thousands of rows, where
    // preparing every row again would cost more than the row itself.
    Result<QSqlQuery> prepare(const QString &sql);
    // Runs a prepared statement with the values bound to it now.
    Status execute(QSqlQuery &prepared);
    // What an INSERT must end with for insertedId to find the new row's
    // key column: nothing for a file, whose driver tells it anyway.
    QString returning(const QString &keyColumn) const;
    // The identifier the store gave the row a prepared INSERT just added.
    qint64 insertedId(QSqlQuery &inserted) const;
    // How many rows the last statement that ran changed.
    qint64 changedRows() const { return m_changed; }

    const QString &databasePath() const { return m_path; }
    // The database as messages show it: a server's address never with its password.
    QString shownPath() const;
    QSqlDatabase &database() { return m_db; }

    Failure failure(const QString &detail) const;
    // The driver's error in words the user can act on.
    Failure failure(const QSqlError &error) const;

private:
    Result<QSqlQuery> run(const QString &sql, const QVariantList &values, bool forwardOnly);
    // The failure of a statement that ran, which on a server ends the transaction.
    Failure statementFailure(const QSqlError &error);
    Status openServer();
    // A statement of store::Statement may have asked the server ahead for
    // rows: they are taken in before the driver sends anything.
    void settle();

    QString m_path;
    bool m_server = false;
    qint64 m_changed = 0;
    QString m_name;
    QSqlDatabase m_db;
    bool m_inTransaction = false;
    // A statement of the server's transaction failed: it may not commit.
    bool m_statementFailed = false;
    // The transaction was begun to write (begin()): its commit is announced.
    bool m_writing = false;
};

// Opens the database and closes it again: whether the program can work on
// it. wantsPassword, when given, tells whether a server refused for want of
// a password (or a right one).
Status reach(const QString &databasePath, bool *wantsPassword = nullptr);

// How long every way into the database file waits for another program to
// let go of it before giving up.
constexpr int busyTimeoutMs = 5000;

// What SQLite's result code means for the user of the database file: which
// file, what is wrong with it and what to do. `said` is SQLite's own text,
// given back as it is for the codes that need no explaining.
QString explainSqliteFailure(int code, const QString &said, const QString &databasePath);
// The command that creates an empty database at databasePath, with the
// companion tool's path beside the program, so that it works as pasted.
QString initDbCommand(const QString &databasePath);
// How to replace a file that cannot serve as the database by an empty one.
QString recreateAdvice(const QString &databasePath);

// Shows every statement prepared from now on, on any connection, to
// observer (none again when it is empty): how the tests find every query a
// command runs and check that the store's indexes serve each. Set it only
// while no command runs.
void observeStatements(std::function<void(const QString &sql)> observer);
// Tells the observer, if any, of a statement being prepared.
void notePrepared(const QString &sql);

// Text the user typed, bound as text even when empty: an empty box stores
// empty text, never NULL.
QVariant typedText(const QString &typed);

// The column's value in the query's current row; the name is matched
// without regard to case, as the program writes its columns in several cases.
QVariant field(const QSqlQuery &query, const QString &column);
// The same as text; a NULL column gives empty text.
QString text(const QSqlQuery &query, const QString &column);

// The rows of a list query as list entries, in the query's order: its first
// column is the row's identifier, and `text` makes the entry's text from the row.
Result<ListEntries> readEntries(const QString &databasePath, const QString &action,
                                const QString &sql, const QVariantList &values,
                                const std::function<QString(const QSqlQuery &)> &text);

// The same for a list of one text column: the first column is the row's
// identifier, the second its text, or emptyText when it has none. The text
// goes from SQLite into the list in UTF-8 as it is, without a QString for
// every row on the way: the programme list may have millions of rows.
Result<ListEntries> readTextEntries(const QString &databasePath, const QString &action,
                                    const QString &sql, qint64 value, const QString &emptyText);

// Runs work(Connection &) on a fresh connection and closes it again. A failure
// to open, or a failure work returns, gets `action` as its description.
template<typename Work>
auto read(const QString &databasePath, const QString &action, Work &&work)
    -> std::invoke_result_t<Work, Connection &>
{
    using R = std::invoke_result_t<Work, Connection &>;
    auto describe = [&](Failure failure) {
        if (failure.action.isEmpty())
            failure.action = action;
        return R(std::move(failure));
    };
    Connection connection(databasePath);
    if (auto opened = connection.open(); !opened)
        return describe(opened.failure());
    R result = work(connection);
    if (!result)
        return describe(result.failure());
    return result;
}

// As read, inside one transaction: committed when work succeeds, rolled back
// otherwise, so a failing command leaves nothing half done.
template<typename Work>
auto write(const QString &databasePath, const QString &action, Work &&work)
    -> std::invoke_result_t<Work, Connection &>
{
    using R = std::invoke_result_t<Work, Connection &>;
    return read(databasePath, action, [&](Connection &connection) -> R {
        if (auto begun = connection.begin(); !begun)
            return R(begun.failure());
        R result = work(connection);
        if (!result) {
            connection.rollback();
            return result;
        }
        if (auto committed = connection.commit(); !committed)
            return R(committed.failure());
        return result;
    });
}

} // namespace store
