#pragma once

#include "store/Result.h"

namespace store {

class Connection;

// The version of the schema in schema.sql, which it records in the file's
// user_version. Databases made before versions were recorded hold 0.
constexpr int schemaVersion = 4;

// Makes sure the freshly opened connection's file is a Quorvel database this
// program can work with: one of an older version is brought up to date in
// one transaction, one of a newer version or a file without the Quorvel
// tables is refused with a message that says what to do.
Status prepareSchema(Connection &db);

} // namespace store
