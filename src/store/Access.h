#pragma once

#include "store/Result.h"

#include <QString>

namespace store {

// What the connected user may do with the database: on a server, what the
// roles granted to the login allow (store/ServerSchema.h); for a file,
// what the file's own permissions allow.
enum class Access
{
    // Read and export; nothing that changes listings.
    Read,
    // Change listings too.
    Edit,
    // Everything, the schema's upgrade and the projects' limits included.
    Own,
};

// Asked once when a database is chosen; a file is not opened for it.
Result<Access> access(const QString &databasePath);

} // namespace store
