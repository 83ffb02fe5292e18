#include "export/Contact.h"

#include "store/Connection.h"
#include "store/Tables.h"

using store::Connection;
using store::Result;
using Project = store::tables::Project;

namespace exports {

namespace {

QString findProject()
{
    return QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(Project::table, Project::id);
}

store::Failure noSuchProject(const Connection &db, qint32 projectID)
{
    return db.failure(QStringLiteral("There is no project with the identifier %1.").arg(projectID));
}

} // namespace

Result<bool> projectExists(const QString &databasePath, qint32 projectID)
{
    return store::read(databasePath, QStringLiteral("Could not look for the project"),
                       [&](Connection &db) -> Result<bool> {
                           auto rows = db.select(findProject(), {projectID});
                           if (!rows)
                               return rows.failure();
                           return rows.value().next();
                       });
}

Result<ContactDetails> readContactDetails(const QString &databasePath, qint32 projectID)
{
    return store::read(
        databasePath, QStringLiteral("Could not read the project's contact details"),
        [&](Connection &db) -> Result<ContactDetails> {
            auto rows =
                db.select(QStringLiteral("SELECT %1, %2, %3, %4 FROM %5 WHERE %6 = ?")
                              .arg(Project::contactName, Project::contactEmail, Project::contactUrl,
                                   Project::contactDesc, Project::table, Project::id),
                          {projectID});
            if (!rows)
                return rows.failure();
            QSqlQuery &query = rows.value();
            if (!query.next())
                return noSuchProject(db, projectID);
            return ContactDetails{query.value(0).toString(), query.value(1).toString(),
                                  query.value(2).toString(), query.value(3).toString()};
        });
}

store::Status saveContactDetails(const QString &databasePath, qint32 projectID,
                                 const ContactDetails &typed)
{
    store::Columns columns;
    const auto keep = [&](const QString &column, const QString &text) {
        if (!text.isEmpty())
            columns.append({column, store::typedText(text)});
    };
    keep(Project::contactName, typed.contactName);
    keep(Project::contactEmail, typed.contactEmail);
    keep(Project::contactUrl, typed.homepage);
    keep(Project::contactDesc, typed.desc);
    return store::write(databasePath, QStringLiteral("Could not store the contact details"),
                        [&](Connection &db) -> store::Status {
                            auto found = db.select(findProject(), {projectID});
                            if (!found)
                                return found.failure();
                            if (!found.value().next())
                                return noSuchProject(db, projectID);
                            return db.update(Project::table, columns, Project::id, projectID);
                        });
}

} // namespace exports
