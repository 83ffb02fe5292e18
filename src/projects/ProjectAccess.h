#pragma once

#include "store/Result.h"

#include <QString>
#include <QStringList>

// Which roles may see a project, in a database on a PostgreSQL server
// (store/ServerSchema.h). Only the database's owners may change it.
namespace projects {

// Limits the project to members of `roles`, in place of any earlier limit;
// the database's owners see it anyway. Each must be a role on the server.
store::Status limitProject(const QString &databasePath, qint32 projectID, const QStringList &roles);

// Lets every Quorvel role see the project again.
store::Status unlimitProject(const QString &databasePath, qint32 projectID);

} // namespace projects
