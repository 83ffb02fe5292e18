#pragma once

#include "store/Result.h"

#include <QSqlQuery>
#include <QString>

// Another program (a second Quorvel window, quorvel-cli) may delete a
// project, channel or programme while a window still shows it. The schema
// has no foreign keys to stop a command from then changing nothing, or from
// adding a row under a parent that is gone, so each command checks, inside
// its own transaction, that what it acts on is still there.
namespace store {

class Connection;

// "project", "channel", "programme": what the user calls a row of table.
QString rowKind(const QString &table);

// What the user is told when such a row is gone: `table` says what kind of
// row, `name` is the row as the window showed it, or empty when not known.
QString goneText(const QString &table, const QString &name = QString());

// What the user is told when the project or channel a window showed was
// deleted by someone else; `name` as the window showed it, or empty when
// not known.
QString deletedElsewhereText(const QString &table, const QString &name);

// The failure of a command whose row in `table`, or the row it adds under, is gone.
Failure goneFailure(const Connection &db, const QString &table);

// The same failure, naming the row as the window shows it, when it is a
// row of `table` that is gone; any other failure comes back unchanged.
Failure naming(Failure failure, const QString &table, const QString &name);

// The row of table whose keyColumn holds id, with the columns asked for
// (a list for SELECT), the query standing on it; gone when it is no more.
Result<QSqlQuery> selectRow(Connection &db, const QString &table, const QString &keyColumn,
                            qint64 id, const QString &columns);

// Whether the row whose keyColumn holds id is still in table.
Status requireRow(Connection &db, const QString &table, const QString &keyColumn, qint64 id);

// The same on a connection of its own, for a list read: the rows under a
// parent that is gone would be none, and the window would show an empty
// list as if that were all.
Status requireRow(const QString &databasePath, const QString &action, const QString &table,
                  const QString &keyColumn, qint64 id);

// After an UPDATE or DELETE of one row of table by its key: a statement that
// changed no row met a row another program had deleted.
Status requireChanged(Connection &db, const QString &table);

} // namespace store
