#pragma once

#include "store/ProgrammeRow.h"
#include "store/Result.h"

#include <QList>
#include <QString>

#include <iterator>

// The store work of the schedule window. Each function opens its own
// connection to the database at databasePath, writes in one transaction and
// closes it before returning. One whose programme, or whose channel, another
// program deleted fails as gone (store/Gone.h) and changes nothing: an undo
// never puts rows back into a channel that is no more.
namespace schedule {

// The table's columns, in the order the window shows them and copies them:
// the title the header and the copied text name it by, the store column
// behind it (End is worked out, never stored) and the width it opens at.
// One line here shows a programme's column in the table.
struct TableColumn
{
    const char *title;
    store::tables::Name stored;
    int width;
};
inline constexpr TableColumn tableColumns[] = {
    {"Date", store::tables::Programme::startDate, 96},
    {"Start", store::tables::Programme::startTime, 64},
    {"Duration", store::tables::Programme::duration, 64},
    {"End", {}, 70},
    {"Name", store::tables::Programme::name, 180},
    {"Category", store::tables::Programme::category, 150},
    {"Synopsis", store::tables::Programme::desc, 200},
    {"Sub-title", store::tables::Programme::subTitle, 150},
    {"Episode", store::tables::Programme::episode, 80},
};
inline constexpr int ColumnCount = int(std::size(tableColumns));

// The columns the program itself treats in a way of their own.
enum Column
{
    Date,
    Start,
    Duration,
    End,
    Name,
    Category,
    Synopsis,
    SubTitle,
    Episode
};

// The columns a spreadsheet row may leave out at its end: those after
// Synopsis, which tables copied before they existed do not have.
constexpr int optionalColumns = ColumnCount - Synopsis - 1;

// The column's title, as the table's header and the copied text name it.
QString columnTitle(int column);
// "1 programme", "3 programmes", as the window counts them.
QString programmesText(qsizetype count);

// One programme as stored. A null text stands for a column without a value;
// any other text is what was typed, blanks and all. A loaded schedule holds
// the guide's instants, which say when an imported programme runs; the
// guide's other details come back only from a delete, for its undo.
using Programme = store::ProgrammeRow;

// The stored value behind a table column; End has none and gives null text.
QString cellText(const Programme &programme, int column);
// Sets it; an episode typed in also sets the system it is numbered in:
// "xmltv_ns" when it reads as one (season.episode.part, counted from
// zero), otherwise "onscreen", as a person writes it. changeValue keeps
// any other system a guide gave the episode.
void setCellText(Programme &programme, int column, const QString &text);

// The channel's programmes in the programme list's start order.
store::Result<QList<Programme>> loadSchedule(const QString &databasePath, qint32 channelID);

// The stored columns the table shows: what a change compares with the row
// as the window shows it, to refuse one over someone else's change.
const store::ColumnNames &shownColumns();

// Stores text in one column of the programme `shown` (as the window shows
// it); null text leaves the column without a value. End cannot be stored.
// When someone else changed the programme's shown columns since, nothing
// is stored and the failure is a conflict (store/Conflict.h).
store::Status changeValue(const QString &databasePath, const Programme &shown, int column,
                          const QString &text);

// A programme's new start, as typed.
struct Move
{
    qint32 programmeID = 0;
    QString startDate;
    QString startTime;
    // The start it is moved from, as the window last showed it, and its
    // name for a message: when both texts are null, any start is moved.
    QString fromDate;
    QString fromTime;
    QString name;
};

// Adds the programmes to the channel, all or nothing. A programme that
// carries an identifier gets it back when no other row holds it, so an undone
// delete puts back the very rows it took. Returns the identifiers given, in
// the order of `programmes`. The moves, if any, are made in the same
// transaction: a programme put in makes room for itself.
store::Result<QList<qint32>> addProgrammes(const QString &databasePath, qint32 channelID,
                                           const QList<Programme> &programmes,
                                           const QList<Move> &moves = {});

// Removes these programmes (as the window shows them), all or nothing, and
// gives back each whole row as it was, in the same order, for an undo to
// restore; and makes the moves in the same transaction. A programme whose
// shown columns someone else changed since is a conflict: nothing is removed.
store::Result<QList<Programme>> removeProgrammes(const QString &databasePath,
                                                 const QList<Programme> &shown,
                                                 const QList<Move> &moves = {});

} // namespace schedule
