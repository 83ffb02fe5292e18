#include "projects/ProjectAccess.h"

#include "store/Connection.h"
#include "store/Server.h"
#include "store/Tables.h"

namespace projects {

namespace {

using Access = store::tables::ProjectAccess;

store::Status onServerOnly(const QString &databasePath)
{
    if (store::isServerAddress(databasePath))
        return store::success();
    return store::Failure{QString(),
                          QStringLiteral("Projects are limited to roles only in a database on a "
                                         "PostgreSQL server; who may use the database file %1 "
                                         "is up to the file's own permissions.")
                              .arg(databasePath),
                          databasePath};
}

store::Status clear(store::Connection &db, qint32 projectID)
{
    return db.execute(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Access::table, Access::projectId),
        {projectID});
}

} // namespace

store::Status limitProject(const QString &databasePath, qint32 projectID, const QStringList &roles)
{
    const QString action = QStringLiteral("Could not limit project %1 to roles").arg(projectID);
    if (auto server = onServerOnly(databasePath); !server)
        return store::Failure{action, server.failure().detail, databasePath};
    return store::write(databasePath, action, [&](store::Connection &db) -> store::Status {
        if (auto cleared = clear(db, projectID); !cleared)
            return cleared;
        for (const QString &role : roles) {
            // A misspelt name would hide the project from everyone but the owners.
            auto known = db.select(
                QStringLiteral("SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = ?"), {role});
            if (!known)
                return known.failure();
            if (!known.value().next()) {
                return db.failure(QStringLiteral("The PostgreSQL server %1 has no role named "
                                                 "\"%2\". Check the spelling, or create the role "
                                                 "first (CREATE ROLE \"%2\";).")
                                      .arg(store::serverName(databasePath), role));
            }
            if (auto added =
                    db.execute(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?, ?) "
                                              "ON CONFLICT DO NOTHING")
                                   .arg(Access::table, Access::projectId, Access::roleName),
                               {projectID, role});
                !added)
                return added;
        }
        return store::success();
    });
}

store::Status unlimitProject(const QString &databasePath, qint32 projectID)
{
    const QString action = QStringLiteral("Could not lift the limit of project %1").arg(projectID);
    if (auto server = onServerOnly(databasePath); !server)
        return store::Failure{action, server.failure().detail, databasePath};
    return store::write(databasePath, action,
                        [&](store::Connection &db) { return clear(db, projectID); });
}

} // namespace projects
