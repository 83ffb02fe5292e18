#pragma once

#include "store/Result.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class QSqlDatabase;
class QVariant;
struct sqlite3;
struct sqlite3_stmt;

namespace store {

class Connection;
class ServerStatement;

// Settings SQLite takes only before it first starts: called before every
// opening of a database, the first call makes them.
void configureSqlite();

// The SQLite handle beneath an open connection, for the functions of
// sqlite3.h. The program links the SQLite library that Qt's driver uses
// (Debian's driver links the system libsqlite3); the first call in a process
// makes sure of it. Null when the connection does not run on SQLite, or on
// another SQLite library than the program's: a Statement made on null
// fails with that reason, and checkSqliteLibrary gives it as a Failure.
sqlite3 *sqliteHandle(Connection &connection);
Status checkSqliteLibrary(Connection &connection);

// Runs `write` on a connection of its own inside one read snapshot, so
// that every pass of an export sees the same rows whatever else writes the
// store.
store::Status readSnapshot(const QString &databasePath, const QString &action,
                           const std::function<store::Status(store::Connection &)> &write);

// A query run straight on the engine. The exports read every row of a
// project, and going through QSqlQuery would turn each value into a QVariant
// holding a UTF-16 copy only to turn it back into 8-bit text; here the UTF-8
// text SQLite keeps, or the server sends, goes to the file encoder as it is.
class Statement
{
    Q_DISABLE_COPY_MOVE(Statement)

public:
    Statement(sqlite3 *db, const char *sql);
    Statement(sqlite3 *db, const QString &sql);
    // On the connection's engine: SQLite's own functions on a file, libpq
    // on a server (store/ServerStatement.h), with the same SQL.
    Statement(Connection &connection, const QString &sql);
    ~Statement();

    bool ok() const;
    const QString &errorString() const;

    // Binds the value to the first parameter and starts the query again from its first row.
    void restart(qint64 value);
    // Moves to the next row; false at the end or on a failure (then !ok()).
    bool next();

    // Parameters are numbered from 1. The text is not copied: it must stay
    // as it is until the statement has run.
    void bindText(int parameter, std::string_view text);
    void bindInteger(int parameter, qint64 value);
    void bindNull(int parameter);
    // Runs a statement that returns no rows, and leaves it ready to run
    // again; false on a failure (then !ok()).
    bool run();

    int columnCount() const;
    // The result column of that name, without regard to case; -1 when none.
    int column(QLatin1StringView name) const;
    // As the statement names the column: its AS name, or the column's own.
    std::string_view columnName(int column) const;
    qint64 integer(int column) const;
    // Whether the column holds no value: cheaper to ask than its text.
    bool isNull(int column) const;
    // The column as text, as SQLite gives it back; a NULL gives empty text.
    std::string_view text(int column) const;
    // The column as Qt's SQLite driver reads it: UTF-16 made by SQLite, so
    // that bytes that are not UTF-8 read as they do everywhere else in the
    // program. A NULL gives a null string. Reading it lets go of the text
    // text(column) gave.
    QString wideText(int column) const;

private:
    void fail();

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    std::unique_ptr<ServerStatement> m_server;
    QString m_error;
};

// Whether text is UTF-8 that reads the same character for character however
// it is decoded: well-formed, and without the non-characters SQLite's own
// decoding replaces.
bool isPlainUtf8(std::string_view text);

// UTF-8 text as a QString with every character it has: QString::fromUtf8
// takes a U+FEFF at the very start for a byte-order mark and drops it, where
// a stored text may well begin with one.
QString fromUtf8(std::string_view text);

// The text a value must be bound as through the Qt driver of db to be
// stored as it is; nothing when it can be bound as it is. For SQLite: The driver hands
// text to SQLite as UTF-16, and SQLite takes a U+FEFF or U+FFFE at its start
// for a byte-order mark: it drops the one, and reads the text after the
// other with its bytes swapped. One U+FEFF put in front is then the mark it
// drops. On either engine a lone surrogate, which UTF-8 cannot hold (SQLite
// would merge it with the character after it, a server get "?"), is bound
// as U+FFFD.
std::optional<QString> textForDriver(QSqlDatabase &db, const QVariant &value);

} // namespace store
