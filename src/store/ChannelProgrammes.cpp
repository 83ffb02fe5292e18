#include "store/ChannelProgrammes.h"

#include "store/Connection.h"
#include "store/Tables.h"

namespace store {

using Channel = tables::Channel;
using Programme = tables::Programme;

QString ChannelProgrammes::sql(Connection &db, const ColumnNames &columns)
{
    if (!db.isServer()) {
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY %4")
            .arg(columnList(columns), Programme::table, Programme::channelId, Programme::id);
    }
    // The channel last, out of the way of the columns the caller looks up.
    return QStringLiteral("SELECT %1, %2 FROM %3 WHERE %2 IN (SELECT %2 FROM %4 WHERE %5 = ?) "
                          "ORDER BY %2, %6")
        .arg(columnList(columns), Programme::channelId, Programme::table, Channel::table,
             Channel::projectId, Programme::id);
}

ChannelProgrammes::ChannelProgrammes(Connection &db, const ColumnNames &columns, qint32 projectID)
    : m_rows(db, sql(db, columns)), m_wholeProject(db.isServer()), m_projectID(projectID)
{
    if (m_wholeProject)
        m_channelColumn = m_rows.columnCount() - 1;
}

void ChannelProgrammes::restart(qint64 channelID)
{
    m_channelID = channelID;
    if (!m_wholeProject) {
        m_rows.restart(channelID);
        return;
    }
    if (!m_started) {
        m_started = true;
        m_rows.restart(m_projectID);
    }
}

bool ChannelProgrammes::next()
{
    if (!m_wholeProject)
        return m_rows.next();
    // Rows of channels before this one belong to none asked for: skipped.
    while (true) {
        if (!m_held) {
            if (m_ended || !m_rows.next()) {
                m_ended = true;
                return false;
            }
            m_held = true;
        }
        const qint64 channel = m_rows.integer(m_channelColumn);
        if (channel > m_channelID)
            return false;
        m_held = false;
        if (channel == m_channelID)
            return true;
    }
}

} // namespace store
