#pragma once

#include "store/Result.h"

#include <QString>

namespace store {

// The database's file name, beside the program and in the user's data folder.
QString databaseFileName();

// Joins a directory and a file name with exactly one separator between them.
// A directory that already ends in a separator (a drive root such as "D:\",
// or "/") keeps its own; otherwise the directory's own kind of separator is
// added, so "C:\Listings" gives "C:\Listings\quorvel.db".
QString joinDatabasePath(const QString &directory, const QString &fileName = databaseFileName());

// The user's own database: quorvel.db in Quorvel's data folder (on Linux
// $XDG_DATA_HOME/Quorvel, ~/.local/share/Quorvel by default), the same
// folder whether the program or the companion tool asks.
QString userDatabasePath();

// The database a program in programDirectory works on when none is named:
// the quorvel.db beside it while there is one and the folder may be written
// (SQLite writes its journal beside the file), so that a copy unpacked into
// a folder of its own keeps its database there; otherwise the user's own.
QString defaultDatabasePath(const QString &programDirectory);

// The statements that create an empty database.
QString schemaSql();

// Creates an empty database at path with the four tables. Refuses to touch a
// file that already exists, and to make a missing folder other than
// Quorvel's own data folder (a mistyped folder is not made). The file appears whole or not at all:
// a run that is killed leaves neither a part of a database nor an empty file.
Status createDatabase(const QString &path);

// What lies at a database path, without changing it.
struct DatabaseCheck
{
    enum Kind
    {
        Quorvel,
        Missing,
        // An empty file, as an older creation that was killed could leave.
        Empty,
        NotQuorvel,
        // A Quorvel database of a schema version this program does not know.
        Newer,
        Unreadable,
    };
    Kind kind;
    // Why it is not a Quorvel database, in a sentence.
    QString detail;
};
DatabaseCheck inspectDatabase(const QString &path);

} // namespace store
