#include "projects/Projects.h"

#include "store/Connection.h"

using store::Connection;
using store::Result;
using store::Status;

namespace projects {

Result<ListEntries> listProjects(const QString &databasePath)
{
    return store::readEntries(
        databasePath, QStringLiteral("Could not read the list of projects"),
        QStringLiteral("SELECT projectID, projectName FROM ProjectData ORDER BY projectID"), {},
        [](const QSqlQuery &row) { return row.value(1).toString(); });
}

Status newProject(const QString &databasePath, const QString &name)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the project"), [&](Connection &db) -> Status {
            auto added = db.insert(QStringLiteral("ProjectData"),
                                   {{QStringLiteral("projectName"), store::typedText(name)}});
            if (!added)
                return added.failure();
            return store::success();
        });
}

Status renameProject(const QString &databasePath, qint32 projectID, const QString &name)
{
    return store::write(
        databasePath, QStringLiteral("Could not rename the project"), [&](Connection &db) {
            return db.update(QStringLiteral("ProjectData"),
                             {{QStringLiteral("projectName"), store::typedText(name)}},
                             QStringLiteral("projectID"), projectID);
        });
}

Result<QString> projectName(const QString &databasePath, qint32 projectID)
{
    return store::read(databasePath, QStringLiteral("Could not read the project"),
                       [&](Connection &db) -> Result<QString> {
                           auto rows = db.select(QStringLiteral("SELECT projectName FROM "
                                                                "ProjectData WHERE projectID = ?"),
                                                 {projectID});
                           if (!rows)
                               return rows.failure();
                           QSqlQuery &query = rows.value();
                           return query.next() ? query.value(0).toString() : QString();
                       });
}

Status deleteProject(const QString &databasePath, qint32 projectID)
{
    return store::write(
        databasePath, QStringLiteral("Could not delete the project"),
        [&](Connection &db) -> Status {
            // Children first, as the schema enforces no relations: each
            // channel's template lines and programmes, then the channels.
            const QString ofProject = QStringLiteral(
                "channelID IN (SELECT channelID FROM ChannelData WHERE projectID = ?)");
            for (const QString &sql :
                 {QStringLiteral("DELETE FROM TemplateData WHERE ") + ofProject,
                  QStringLiteral("DELETE FROM ProgrammeData WHERE ") + ofProject,
                  QStringLiteral("DELETE FROM ChannelData WHERE projectID = ?"),
                  QStringLiteral("DELETE FROM ProjectData WHERE projectID = ?")}) {
                if (auto done = db.execute(sql, {projectID}); !done)
                    return done;
            }
            return store::success();
        });
}

} // namespace projects
