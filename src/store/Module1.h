#pragma once

#include "store/Access.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The selections the windows hand to one another. Every movement forward
// sets the variable the next window reads; moving back leaves them alone.
struct Module1
{
    // Path of the database file, built when the project window loads.
    QString connectionString;
    std::optional<qint32> currentProjectID;
    // 0 tells the channel editor to create a channel.
    std::optional<qint32> currentChannelID;
    // 0 tells the programme editor to create a programme. 32 bits wide, so
    // every programme can be edited and duplicated, whatever its identifier.
    qint32 currentProgrammeID = 0;
    // From Duplicate Programme until the editor closes: its save adds a row.
    bool isDuplicate = false;
    // What the login may do with the database, asked when the project
    // window loads; windows hold their writing commands disabled while it
    // may only read.
    store::Access access = store::Access::Own;
};

// The database locator for a program that lives in programDirectory: the
// file beside it or the user's own (store::defaultDatabasePath).
QString buildConnectionString(const QString &programDirectory);
