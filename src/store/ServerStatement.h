#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace store {

// What store::Statement does on a PostgreSQL server, through libpq on the
// connection's own handle, so inside its transaction. The SQL is the same
// text as for SQLite: its ? and :name parameters become $1, $2 ...
//
// A query read inside a transaction goes through a cursor of its own, a
// batch of rows at a time: a project of a million programmes never sits in
// memory whole, and several queries may be read at once, one inside another,
// as the exports do. Outside a transaction it is read whole.
//
// While one batch is being read, the next is already asked for, so that
// the server finds and sends rows while the program works on those before
// them. Until it has come, the connection takes no other command: another
// statement about to send one first takes it in (settle).
class ServerStatement
{
    Q_DISABLE_COPY_MOVE(ServerStatement)

public:
    ServerStatement(PGconn *connection, const QString &sql);
    ~ServerStatement();

    const QString &errorString() const { return m_error; }
    bool ok() const { return m_error.isEmpty(); }

    void bindText(int parameter, std::string_view text);
    void bindInteger(int parameter, qint64 value);
    void bindNull(int parameter);
    // The next read starts from the first row again, with the values bound now.
    void restart() { m_started = false; }

    bool next();
    bool run();

    int columnCount() const { return int(m_columns.size()); }
    std::string_view columnName(int column) const;
    bool isNull(int column) const;
    std::string_view text(int column) const;
    qint64 integer(int column) const;

    // Takes in any batch asked ahead on the connection, before Qt's driver
    // sends a command of its own on it.
    static void settle(PGconn *connection) { settle(connection, nullptr); }

private:
    bool start();
    bool fetch();
    void askAhead();
    PGresult *takeAhead();
    // Takes in the batch asked ahead on the connection by any statement but `keep`.
    static void settle(PGconn *connection, const ServerStatement *keep);
    void closeCursor();
    bool failed(PGresult *result);
    void setParameter(int parameter, std::string_view text, bool null);

    PGconn *m_connection;
    QByteArray m_sql;
    QByteArray m_name;
    QByteArray m_cursor;
    bool m_query = false;
    std::vector<std::string> m_values;
    std::vector<char> m_null;
    std::vector<QByteArray> m_columns;
    PGresult *m_result = nullptr;
    // The batch asked for ahead: on its way while m_asking, then here.
    PGresult *m_ahead = nullptr;
    bool m_asking = false;
    // Rows asked for in the next FETCH; it grows from a few, for a query
    // read only in part, to rowsPerFetch.
    int m_batch = 0;
    int m_asked = 0;
    int m_row = -1;
    int m_rows = 0;
    bool m_started = false;
    bool m_cursorOpen = false;
    bool m_exhausted = false;
    QString m_error;
};

// A COPY ... FROM STDIN on the connection, inside its transaction: rows
// sent as COPY's text format, which the server takes many times faster than
// as the values of INSERT statements. Until it ends, the connection takes no
// other command; one destroyed unended is abandoned, and the server throws
// away every row it was sent.
class ServerCopy
{
    Q_DISABLE_COPY_MOVE(ServerCopy)

public:
    ServerCopy(PGconn *connection, const QByteArray &sql);
    ~ServerCopy();

    const QString &errorString() const { return m_error; }
    bool ok() const { return m_error.isEmpty(); }

    bool put(std::string_view rows);
    // Sends the end of the rows and waits for the server to have stored them.
    bool end();

private:
    void fail(PGresult *result);

    PGconn *m_connection;
    bool m_open = false;
    QString m_error;
};

// Appends the text as a value of COPY's text format: the backslash, and
// the tab, newline and carriage return that would end the value or the row,
// escaped with a backslash.
void appendCopyText(std::string &out, std::string_view text);

// The SQL with its ? and :name parameters written as $1, $2 ..., in order
// of first appearance; text in quotes, and casts (::), are left alone.
QByteArray numberedParameters(const QByteArray &sql, int *count = nullptr);

} // namespace store
