#pragma once

#include "store/Result.h"

#include <QString>

#include <optional>

class QSqlDatabase;
class QSqlError;
class QVariant;
typedef struct pg_conn PGconn;

// A Quorvel database on a PostgreSQL server. It is named where a database
// file's path would go, by libpq's own forms: a URI
// ("postgresql://editor@db.example:5432/listings?sslmode=verify-full"), or
// key=value pairs ("service=listings", "host=db dbname=listings"). What the
// address leaves out, libpq takes from the PG* environment, the service file
// and ~/.pgpass, as every PostgreSQL program does.
namespace store {

class Connection;

// Whether `database` names a server rather than a file.
bool isServerAddress(const QString &database);

// The address without its password, as messages, titles and settings show
// it: a password is never written anywhere.
QString withoutPassword(const QString &address);

// The server in a few words for titles and messages: "editor@db:5432/listings".
QString serverName(const QString &address);

// The address with `password` in it, for a connection that has just been
// refused for want of one. The result lives only as long as the command.
QString withPassword(const QString &address, const QString &password);

// A server's address as a form asks for it; empty fields are left out.
struct ServerFields
{
    QString host;
    QString port;
    QString database;
    QString user;
    // libpq's sslmode: disable, prefer, require, verify-ca or verify-full.
    QString sslMode;
    // The certificate of the authority that signed the server's (sslrootcert).
    QString caFile;
};

// The fields as a libpq URI: "postgresql://user@host:port/database?sslmode=...".
QString serverAddress(const ServerFields &fields);

// The address in those fields; nothing when it says more than they hold
// (a service, a password, other settings) or cannot be read.
std::optional<ServerFields> serverFields(const QString &address);

// Points a fresh QPSQL database at the address: host, port, name, user and
// password where Qt has a field for them, every other setting of the address
// (sslmode, sslrootcert, service, ...) as a connect option, so that libpq
// sees exactly what the user wrote. A bad address is a failure.
Status applyServerAddress(QSqlDatabase &db, const QString &address);

// What a failure of the server means for the user: which server, what is
// wrong and what to do. `said` is the server's or libpq's own text, and
// `state` its SQLSTATE where there is one.
QString explainServerFailure(const QString &state, const QString &said, const QString &address);

// What a login that has none of Quorvel's roles on the server (its
// serverName) is told, and what to do.
QString noRoleAdvice(const QString &server);

// Whether a refusal was for want of a password that a prompt could give.
bool needsPassword(const QSqlError &error);

// A server's text cannot hold the character U+0000, where a file's can:
// a text that has one is refused in these words instead of being cut short.
QString nulTextRefusal();
// Whether the value is text with a U+0000 in it.
bool holdsNul(const QVariant &value);

// The libpq connection beneath an open connection to a server; null for a file.
PGconn *serverHandle(Connection &connection);

// Waited for by a command that writes, for as long as a file's writer waits:
// of two programs changing the database at once, the second waits for the
// first to finish, on a server as in a file.
QString serverWriteLockSql();

} // namespace store
