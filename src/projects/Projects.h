#pragma once

#include "store/ListEntry.h"
#include "store/Result.h"

#include <QString>

#include <optional>

// The store work of the project window. Each function opens its own
// connection to the database at databasePath and closes it before returning.
// One whose project another program deleted fails as gone (store/Gone.h).
namespace projects {

// Every project, in the order the projects were added; the text is the name.
store::Result<ListEntries> listProjects(const QString &databasePath);

// Adds a project with exactly this name (blanks kept, duplicates allowed).
store::Status newProject(const QString &databasePath, const QString &name);

// Gives the project this name, even if it is the name it already has.
// `read`, when given, is the name the window showed: when someone else has
// renamed the project since, nothing changes and the failure is a conflict
// (store/Conflict.h).
store::Status renameProject(const QString &databasePath, qint32 projectID, const QString &name,
                            const std::optional<QString> &read = std::nullopt);

// The project's name as stored; empty text for a name that holds no value.
store::Result<QString> projectName(const QString &databasePath, qint32 projectID);

// Removes the project with its channels and their template lines and
// programmes, all or nothing.
store::Status deleteProject(const QString &databasePath, qint32 projectID);

} // namespace projects
