#pragma once

#include "store/Database.h"
#include "store/Result.h"

#include <QString>

// The Quorvel schema on a PostgreSQL server: the same tables, columns and
// sort keys as a database file's, in PostgreSQL's SQL, with its version in
// a table of its own (a server has no user_version).
namespace store {

class Connection;

QString serverSchemaSql();

// Gives an empty database on the server Quorvel's tables, all in one
// transaction; a database that holds any table is left untouched.
Status createServerDatabase(const QString &address);

// What the database at the address holds, without changing it.
DatabaseCheck inspectServerDatabase(const QString &address);

// Whether the server asks for a password that neither the address, the
// environment nor the password and service files give.
bool serverWantsPassword(const QString &address);

// What store::prepareSchema does for a file: a database that is not
// Quorvel's, or of a newer version, is refused.
Status prepareServerSchema(Connection &db);

} // namespace store
