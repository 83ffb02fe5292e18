#include "export/Contact.h"

#include "store/Conflict.h"
#include "store/Connection.h"
#include "store/Gone.h"
#include "store/Tables.h"

using store::Connection;
using store::Result;
using Project = store::tables::Project;

namespace exports {

Result<bool> projectExists(const QString &databasePath, qint32 projectID)
{
    return store::read(databasePath, QStringLiteral("Could not look for the project"),
                       [&](Connection &db) -> Result<bool> {
                           auto found =
                               store::requireRow(db, Project::table, Project::id, projectID);
                           if (!found && !found.failure().isGone())
                               return found.failure();
                           return found.ok();
                       });
}

Result<ContactDetails> readContactDetails(const QString &databasePath, qint32 projectID)
{
    return store::read(
        databasePath, QStringLiteral("Could not read the project's contact details"),
        [&](Connection &db) -> Result<ContactDetails> {
            auto rows = store::selectRow(db, Project::table, Project::id, projectID,
                                         QStringLiteral("%1, %2, %3, %4")
                                             .arg(Project::contactName, Project::contactEmail,
                                                  Project::contactUrl, Project::contactDesc));
            if (!rows)
                return rows.failure();
            const QSqlQuery &query = rows.value();
            return ContactDetails{query.value(0).toString(), query.value(1).toString(),
                                  query.value(2).toString(), query.value(3).toString()};
        });
}

store::Status saveContactDetails(const QString &databasePath, qint32 projectID,
                                 const ContactDetails &typed,
                                 const std::optional<ContactDetails> &read)
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
    return store::write(
        databasePath, QStringLiteral("Could not store the contact details"),
        [&](Connection &db) -> store::Status {
            // Looked for first: with every field empty the update changes nothing.
            if (auto found = store::requireRow(db, Project::table, Project::id, projectID); !found)
                return found;
            if (read) {
                const store::ReadValues values = {
                    {Project::contactName, QStringLiteral("Contact name"), read->contactName},
                    {Project::contactEmail, QStringLiteral("Contact e-mail"), read->contactEmail},
                    {Project::contactUrl, QStringLiteral("Home page"), read->homepage},
                    {Project::contactDesc, QStringLiteral("Description"), read->desc},
                };
                if (auto same = store::requireUnchanged(db, Project::table, Project::id, projectID,
                                                        values, QString());
                    !same)
                    return same;
            }
            return db.update(Project::table, columns, Project::id, projectID);
        });
}

} // namespace exports
