#pragma once

#include "store/ListEntry.h"
#include "store/ProgrammeRow.h"
#include "store/Result.h"

#include <QString>
#include <QStringList>

// The store work of the programme window and the programme editor. Each
// function opens its own connection to the database at databasePath and
// closes it before returning. One whose programme, or whose channel, another
// program deleted fails as gone (store/Gone.h) and changes nothing.
namespace programmes {

// The editor shows and saves six of a programme's columns
// (store::editorColumns). A null or empty text stands for a column without a
// value: the editor leaves such a box as it is, and a save leaves such a
// column as it is.
using store::ProgrammeRow;

// The fixed category list, in the order the editor offers it.
const QStringList &categories();
// The category a new programme starts with.
QString defaultCategory();

// The text shown for a programme that has no name, so it can still be found.
QString unnamedProgrammeText();

// The channel's programmes in chronological order of start date, then start
// time, then the order they were added; the text is the name.
store::Result<ListEntries> listProgrammes(const QString &databasePath, qint32 channelID);

// Removes this one programme.
store::Status deleteProgramme(const QString &databasePath, qint32 programmeID);

// The programme's editor columns as stored; a column without a value gives null text.
store::Result<ProgrammeRow> loadProgramme(const QString &databasePath, qint32 programmeID);

// Adds a programme to the channel with the non-empty values of `boxes`; the
// empty ones leave their columns without a value.
store::Status addProgramme(const QString &databasePath, qint32 channelID,
                           const ProgrammeRow &boxes);

// Writes the non-empty values of `boxes` into the programme; the columns of
// the empty ones keep what they held, and the channel stays the same. `read`
// is the programme as the editor loaded it: when someone else has changed it
// since, nothing is written and the failure is a conflict (store/Conflict.h).
store::Status changeProgramme(const QString &databasePath, qint32 programmeID,
                              const ProgrammeRow &boxes, const ProgrammeRow &read);

} // namespace programmes
