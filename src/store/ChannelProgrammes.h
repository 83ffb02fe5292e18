#pragma once

#include "store/ProgrammeRow.h"
#include "store/Statement.h"

#include <QString>
#include <QtGlobal>

namespace store {

class Connection;

// The programmes of a project's channels in the order they were added, read
// a channel at a time with the channels taken in the order of their
// identifiers, as the exports write them. SQLite reads each channel's rows
// straight from its index. A server is asked once for the project's rows
// sorted by channel: a query for each channel cost it an index scan among
// rows spread over the whole table and the client a few round trips, which
// together took longer than one scan and sort of the table.
class ChannelProgrammes
{
    Q_DISABLE_COPY_MOVE(ChannelProgrammes)

public:
    ChannelProgrammes(Connection &db, const ColumnNames &columns, qint32 projectID);

    bool ok() const { return m_rows.ok(); }
    const QString &errorString() const { return m_rows.errorString(); }
    // The row next() moved to; its columns are looked up by name.
    const Statement &row() const { return m_rows; }

    // Starts on the channel's programmes. Each channel asked for must have a
    // greater identifier than the one before it.
    void restart(qint64 channelID);
    // Moves to the channel's next programme; false after its last one or on
    // a failure (then !ok()).
    bool next();

private:
    static QString sql(Connection &db, const ColumnNames &columns);

    Statement m_rows;
    const bool m_wholeProject;
    const qint32 m_projectID;
    qint64 m_channelID = 0;
    // The server's rows: where the channel is, whether they have been
    // asked for, whether the row in hand is the next one to hand over and
    // whether they are all read.
    int m_channelColumn = -1;
    bool m_started = false;
    bool m_held = false;
    bool m_ended = false;
};

} // namespace store
