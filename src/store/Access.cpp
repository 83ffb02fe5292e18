#include "store/Access.h"

#include "store/Connection.h"
#include "store/Server.h"
#include "store/Tables.h"

#include <QFileInfo>

namespace store {

Result<Access> access(const QString &databasePath)
{
    // Whoever may write the file may do anything with it; and a look at
    // its permissions opens no second descriptor on it.
    if (!isServerAddress(databasePath))
        return QFileInfo(databasePath).isWritable() ? Access::Own : Access::Read;
    return read(databasePath, QStringLiteral("Could not find out what this login may do"),
                [](Connection &db) -> Result<Access> {
                    auto asked = db.select(
                        QStringLiteral("SELECT pg_catalog.pg_has_role(c.relowner, 'USAGE'), "
                                       "pg_catalog.has_table_privilege(c.oid, 'UPDATE') FROM "
                                       "pg_catalog.pg_class c WHERE c.oid = to_regclass(?)"),
                        {QString(tables::Programme::table).toLower()});
                    if (!asked)
                        return asked.failure();
                    if (!asked.value().next())
                        return Access::Read;
                    if (asked.value().value(0).toBool())
                        return Access::Own;
                    return asked.value().value(1).toBool() ? Access::Edit : Access::Read;
                });
}

} // namespace store
