#pragma once

#include "store/Result.h"

#include <QString>
#include <QtGlobal>

namespace store {

// What a copy carried over.
struct CopiedDatabase
{
    qint64 projects = 0;
    qint64 channels = 0;
    qint64 templateLines = 0;
    qint64 programmes = 0;
    // Rows of what XMLTV imports kept of a channel.
    qint64 channelDetails = 0;
    // Texts of a file that were not plain UTF-8, which a server cannot hold
    // as they are: they went over as the program's windows show them.
    qint64 textsNotUtf8 = 0;
    // Which roles may see a project, a server's alone: rows taken over to
    // another server, and rows a file had no place for.
    qint64 projectLimits = 0;
    qint64 limitsLeftBehind = 0;
};

// Copies the whole database at `from` into `to`, either of them a file or a
// server (store/Server.h): every row of every table, with its identifiers,
// the template lines in their order, and every text as stored. New rows in
// the copy never take an identifier the original has handed out. Projects'
// limits to roles go from server to server; a file copy leaves them behind.
//
// The copy never mixes with other data: a file `to` must not exist and is
// made as init-db makes it (store::createDatabase); a database on a server
// must be empty (it is given Quorvel's tables) or hold Quorvel's tables with
// no rows. All rows go in one transaction: a copy that fails leaves no file
// behind, and a server's tables as empty as they were.
Result<CopiedDatabase> copyDatabase(const QString &from, const QString &to);

} // namespace store
