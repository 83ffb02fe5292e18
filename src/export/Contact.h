#pragma once

#include "store/Result.h"

#include <QString>

#include <optional>

// The store work of the channel-file export. Each function opens its own
// connection to the database at databasePath and closes it before returning.
// One whose project another program deleted fails as gone (store/Gone.h).
namespace exports {

// The contact details that head a project's channel file.
struct ContactDetails
{
    QString contactName;
    QString contactEmail;
    QString homepage;
    QString desc;
};

// Whether a project with this identifier is in the store.
store::Result<bool> projectExists(const QString &databasePath, qint32 projectID);

// The project's stored contact details; a column holding no value gives empty text.
store::Result<ContactDetails> readContactDetails(const QString &databasePath, qint32 projectID);

// Stores the details that are not empty and leaves the others as they are,
// so emptying a field never clears a stored value. All or nothing. `read`,
// when given, is what the window loaded: when someone else has changed the
// details since, nothing is stored and the failure is a conflict
// (store/Conflict.h).
store::Status saveContactDetails(const QString &databasePath, qint32 projectID,
                                 const ContactDetails &typed,
                                 const std::optional<ContactDetails> &read = std::nullopt);

} // namespace exports
