#pragma once

#include "store/ListEntry.h"
#include "store/Result.h"

#include <QString>
#include <QStringList>

// The store work of the channel window and the channel editor. Each function
// opens its own connection to the database at databasePath and closes it
// before returning. One whose channel, or whose project, another program
// deleted fails as gone (store/Gone.h) and changes nothing.
namespace channels {

// One channel as the editor shows it: six texts and the channel's template
// lines, each line free text kept exactly as entered.
struct Channel
{
    QString name;
    QString number;
    QString updateFrequency;
    QString logoURL;
    QString dataURL;
    QString channelURL;
    QStringList templateLines;
};

// The project's channels in the order they were added, each shown as
// "name (number)"; a column that holds no value gives empty text.
store::Result<ListEntries> listChannels(const QString &databasePath, qint32 projectID);
// The channel as its list entry shows it.
store::Result<QString> channelText(const QString &databasePath, qint32 channelID);

// Removes the channel and its programmes, all or nothing. Its template lines
// stay in the store.
store::Status deleteChannel(const QString &databasePath, qint32 channelID);

// The channel's six texts (empty for a column that holds no value) and its
// template lines in the order they were stored.
store::Result<Channel> loadChannel(const QString &databasePath, qint32 channelID);

// Stores the channel, all or nothing: channelID 0 adds a new channel to the
// project, any other identifier changes that channel and moves it to the
// project. The channel's template lines become exactly channel.templateLines,
// in order. Returns the identifier of the channel just stored. `read`, for a
// change, is the channel as the editor loaded it: when someone else has
// changed it since, nothing is stored and the failure is a conflict
// (store/Conflict.h).
store::Result<qint32> saveChannel(const QString &databasePath, qint32 channelID, qint32 projectID,
                                  const Channel &channel, const Channel &read);

} // namespace channels
