#include "projects/Projects.h"

#include "store/Conflict.h"
#include "store/Connection.h"
#include "store/Gone.h"
#include "store/Tables.h"

using store::Connection;
using store::Result;
using store::Status;
using Project = store::tables::Project;
using Channel = store::tables::Channel;

namespace projects {

Result<ListEntries> listProjects(const QString &databasePath)
{
    return store::readEntries(databasePath, QStringLiteral("Could not read the list of projects"),
                              QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
                                  .arg(Project::id, Project::name, Project::table),
                              {}, [](const QSqlQuery &row) { return row.value(1).toString(); });
}

Status newProject(const QString &databasePath, const QString &name)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the project"), [&](Connection &db) -> Status {
            auto added = db.insert(Project::table, {{Project::name, store::typedText(name)}});
            if (!added)
                return added.failure();
            return store::success();
        });
}

Status renameProject(const QString &databasePath, qint32 projectID, const QString &name,
                     const std::optional<QString> &read)
{
    return store::write(databasePath, QStringLiteral("Could not rename the project"),
                        [&](Connection &db) -> Status {
                            if (read) {
                                if (auto same = store::requireUnchanged(
                                        db, Project::table, Project::id, projectID,
                                        {{Project::name, QStringLiteral("Name"), *read}}, *read);
                                    !same)
                                    return same;
                            }
                            if (auto renamed = db.update(Project::table,
                                                         {{Project::name, store::typedText(name)}},
                                                         Project::id, projectID);
                                !renamed)
                                return renamed;
                            return store::requireChanged(db, Project::table);
                        });
}

Result<QString> projectName(const QString &databasePath, qint32 projectID)
{
    return store::read(databasePath, QStringLiteral("Could not read the project"),
                       [&](Connection &db) -> Result<QString> {
                           auto rows = store::selectRow(db, Project::table, Project::id, projectID,
                                                        Project::name);
                           if (!rows)
                               return rows.failure();
                           return rows.value().value(0).toString();
                       });
}

Status deleteProject(const QString &databasePath, qint32 projectID)
{
    return store::write(
        databasePath, QStringLiteral("Could not delete the project"),
        [&](Connection &db) -> Status {
            // Children first, as the schema enforces no relations: each
            // channel's template lines and programmes, then the channels.
            const QString ofProject =
                QStringLiteral("DELETE FROM %1 WHERE %2 IN (SELECT %3 FROM %4 WHERE %5 = ?)");
            using store::tables::Programme;
            using store::tables::Template;
            for (const QString &sql :
                 {ofProject.arg(Template::table, Template::channelId, Channel::id, Channel::table,
                                Channel::projectId),
                  ofProject.arg(Programme::table, Programme::channelId, Channel::id, Channel::table,
                                Channel::projectId),
                  QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                      .arg(Channel::table, Channel::projectId),
                  QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Project::table, Project::id)}) {
                if (auto done = db.execute(sql, {projectID}); !done)
                    return done;
            }
            // Gone already: what the children's removal did is rolled back.
            return store::requireChanged(db, Project::table);
        });
}

} // namespace projects
