#pragma once

#include "store/Result.h"

#include <QList>
#include <QString>

// The store work of the schedule window. Each function opens its own
// connection to the database at databasePath, writes in one transaction and
// closes it before returning. One whose programme, or whose channel, another
// program deleted fails as gone (store/Gone.h) and changes nothing: an undo
// never puts rows back into a channel that is no more.
namespace schedule {

// The table's columns, in the order the window shows them and copies them.
enum Column
{
    Date,
    Start,
    Duration,
    End,
    Name,
    Category,
    Synopsis,
    ColumnCount
};

// The column's title, as the table's header and the copied text name it.
QString columnTitle(int column);
// "1 programme", "3 programmes", as the window counts them.
QString programmesText(qsizetype count);

// One programme as stored. A null text stands for a column without a value;
// any other text is what was typed, blanks and all.
struct Programme
{
    qint32 programmeID = 0;
    QString startDate;
    QString startTime;
    QString duration;
    QString programmeName;
    QString category;
    QString programmeDesc;
    // What an XMLTV import keeps beside the columns (the file's instants and
    // the details no column holds). No cell shows it; it is carried so that an
    // undone delete gives back the very row, and a guide exported afterwards
    // is as complete as before. A loaded schedule holds the instants, which
    // say when the programme runs; extra only comes back from a delete.
    struct Kept
    {
        QString start;
        QString stop;
        QString typed;
        QString extra;
    } kept;

    // The stored value behind a column; End has none and gives null text.
    QString value(int column) const;
    void setValue(int column, const QString &text);
    bool operator==(const Programme &other) const;
};

// The channel's programmes in the programme list's start order.
store::Result<QList<Programme>> loadSchedule(const QString &databasePath, qint32 channelID);

// Stores text in one column of one programme; null text leaves the column
// without a value. End cannot be stored.
store::Status changeValue(const QString &databasePath, qint32 programmeID, int column,
                          const QString &text);

// Adds the programmes to the channel, all or nothing. A programme that
// carries an identifier gets it back when no other row holds it, so an undone
// delete puts back the very rows it took. Returns the identifiers given, in
// the order of `programmes`.
store::Result<QList<qint32>> addProgrammes(const QString &databasePath, qint32 channelID,
                                           const QList<Programme> &programmes);

// Removes these programmes, all or nothing, and gives back what each kept
// beside its columns, in the order of programmeIDs, for an undo to restore.
store::Result<QList<Programme::Kept>> removeProgrammes(const QString &databasePath,
                                                       const QList<qint32> &programmeIDs);

} // namespace schedule
