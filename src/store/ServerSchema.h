#pragma once

#include "store/Database.h"
#include "store/Result.h"

#include <QString>

// The Quorvel schema on a PostgreSQL server: the same tables, columns and
// sort keys as a database file's, in PostgreSQL's SQL, with its version in
// a table of its own (a server has no user_version).
namespace store {

class Connection;

// A server's schema has versions of its own, apart from a file's
// (schemaVersion): version 5 added the roles and project access, which a
// file has no use for.
constexpr int serverSchemaVersion = 5;

// The three roles a server's database gives to people, cluster-wide as
// every PostgreSQL role is: readers may read and export, editors may also
// change listings, owners own the tables and so may upgrade the schema and
// limit projects to named roles.
inline constexpr QLatin1StringView readerRole{"quorvel_reader"};
inline constexpr QLatin1StringView editorRole{"quorvel_editor"};
inline constexpr QLatin1StringView ownerRole{"quorvel_owner"};

// The tables, functions and indexes of the listings, without the schema
// version or anything of the roles: as version 4 made them.
QString serverTablesSql();
// The whole schema of the current version.
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
// Quorvel's, or of a newer version, is refused; one of an older version is
// brought up to date when the connecting user owns it, and refused with
// the owner's name otherwise.
Status prepareServerSchema(Connection &db);

// The statements a server's administrator runs for a user who may not
// create roles, before that user makes or upgrades a Quorvel database.
QString rolesAdvice(const QString &user);

} // namespace store
