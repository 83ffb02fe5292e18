#include "channels/Channels.h"

#include "store/Conflict.h"
#include "store/Connection.h"
#include "store/Gone.h"
#include "store/Tables.h"

#include <limits>

using store::Columns;
using store::Connection;
using store::Result;
using store::Status;
using C = store::tables::Channel;
using Project = store::tables::Project;
using Template = store::tables::Template;

namespace channels {

namespace {

// The channel's template lines, in the order they were stored.
Result<QStringList> templateLines(Connection &db, qint32 channelID)
{
    auto rows = db.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY rowid")
                              .arg(Template::line, Template::table, Template::channelId),
                          {channelID});
    if (!rows)
        return rows.failure();
    QStringList lines;
    while (rows.value().next())
        lines.append(rows.value().value(0).toString());
    return lines;
}

// The six texts as the user typed them, under the columns they belong to.
Columns channelColumns(const Channel &channel, qint32 projectID)
{
    return {{C::name, store::typedText(channel.name)},
            {C::projectId, projectID},
            {C::number, store::typedText(channel.number)},
            {C::channelUrl, store::typedText(channel.channelURL)},
            {C::logoUrl, store::typedText(channel.logoURL)},
            {C::dataUrl, store::typedText(channel.dataURL)},
            {C::updateFrequency, store::typedText(channel.updateFrequency)}};
}

// Adds the channel's row, or changes the existing one, and gives its identifier.
Result<qint32> storeChannelRow(Connection &db, qint32 channelID, qint32 projectID,
                               const Channel &channel)
{
    const Columns columns = channelColumns(channel, projectID);
    if (channelID != 0) {
        if (auto updated = db.update(C::table, columns, C::id, channelID); !updated)
            return updated.failure();
        if (auto changed = store::requireChanged(db, C::table); !changed)
            return changed.failure();
        return channelID;
    }
    // The identifier comes from the insert itself: looking the row up again by
    // its name and address could find another channel that shares them.
    auto added = db.insert(C::table, columns);
    if (!added)
        return added.failure();
    if (added.value() > std::numeric_limits<qint32>::max())
        return db.failure(QStringLiteral("The store gave the new channel an identifier too large "
                                         "for the program to keep."));
    return qint32(added.value());
}

// Whether the channel still holds what the editor read, its lines too:
// someone else's change is never saved over unseen.
Status requireUnchanged(Connection &db, qint32 channelID, const Channel &read)
{
    const store::ReadValues texts = {
        {C::name, QStringLiteral("Name"), read.name},
        {C::number, QStringLiteral("Number"), read.number},
        {C::updateFrequency, QStringLiteral("Update frequency"), read.updateFrequency},
        {C::logoUrl, QStringLiteral("Logo URL"), read.logoURL},
        {C::dataUrl, QStringLiteral("Data URL"), read.dataURL},
        {C::channelUrl, QStringLiteral("Channel URL"), read.channelURL},
    };
    if (auto same = store::requireUnchanged(db, C::table, C::id, channelID, texts, read.name);
        !same)
        return same;
    auto lines = templateLines(db, channelID);
    if (!lines)
        return lines.failure();
    if (lines.value() != read.templateLines) {
        const auto shown = [](const QStringList &lines) {
            return lines.join(QStringLiteral("; "));
        };
        return store::conflictFailure(
            db, C::table, read.name,
            {{QStringLiteral("Template lines"), shown(read.templateLines), shown(lines.value())}});
    }
    return store::success();
}

Status replaceTemplateLines(Connection &db, qint32 channelID, const QStringList &lines)
{
    // Also clears lines a deleted channel left under this identifier.
    if (auto cleared = db.execute(
            QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Template::table, Template::channelId),
            {channelID});
        !cleared)
        return cleared;
    for (const QString &line : lines) {
        auto added = db.insert(Template::table, {{Template::channelId, channelID},
                                                 {Template::line, store::typedText(line)}});
        if (!added)
            return added.failure();
    }
    return store::success();
}

// A channel as the list shows it.
QString entryText(const QVariant &name, const QVariant &number)
{
    return name.toString() + QStringLiteral(" (") + number.toString() + QStringLiteral(")");
}

} // namespace

Result<ListEntries> listChannels(const QString &databasePath, qint32 projectID)
{
    const QString action = QStringLiteral("Could not read the list of channels");
    if (auto project =
            store::requireRow(databasePath, action, Project::table, Project::id, projectID);
        !project)
        return project.failure();
    return store::readEntries(
        databasePath, action,
        QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5 = ? ORDER BY %1")
            .arg(C::id, C::name, C::number, C::table, C::projectId),
        {projectID}, [](const QSqlQuery &row) { return entryText(row.value(1), row.value(2)); });
}

Result<QString> channelText(const QString &databasePath, qint32 channelID)
{
    return store::read(databasePath, QStringLiteral("Could not read the channel"),
                       [&](Connection &db) -> Result<QString> {
                           auto rows =
                               store::selectRow(db, C::table, C::id, channelID,
                                                QStringLiteral("%1, %2").arg(C::name, C::number));
                           if (!rows)
                               return rows.failure();
                           return entryText(rows.value().value(0), rows.value().value(1));
                       });
}

Status deleteChannel(const QString &databasePath, qint32 channelID)
{
    return store::write(databasePath, QStringLiteral("Could not delete the channel"),
                        [&](Connection &db) -> Status {
                            using store::tables::Programme;
                            const QString remove = QStringLiteral("DELETE FROM %1 WHERE %2 = ?");
                            for (const QString &sql :
                                 {remove.arg(Programme::table, Programme::channelId),
                                  remove.arg(C::table, C::id)}) {
                                if (auto done = db.execute(sql, {channelID}); !done)
                                    return done;
                            }
                            return store::requireChanged(db, C::table);
                        });
}

Result<Channel> loadChannel(const QString &databasePath, qint32 channelID)
{
    return store::read(databasePath, QStringLiteral("Could not read the channel"),
                       [&](Connection &db) -> Result<Channel> {
                           auto rows = store::selectRow(db, C::table, C::id, channelID,
                                                        QStringLiteral("*"));
                           if (!rows)
                               return rows.failure();
                           const QSqlQuery &row = rows.value();
                           Channel channel;
                           channel.name = store::text(row, C::name);
                           channel.number = store::text(row, C::number);
                           channel.updateFrequency = store::text(row, C::updateFrequency);
                           channel.logoURL = store::text(row, C::logoUrl);
                           channel.dataURL = store::text(row, C::dataUrl);
                           channel.channelURL = store::text(row, C::channelUrl);

                           auto lines = templateLines(db, channelID);
                           if (!lines)
                               return lines.failure();
                           channel.templateLines = std::move(lines).value();
                           return channel;
                       });
}

Result<qint32> saveChannel(const QString &databasePath, qint32 channelID, qint32 projectID,
                           const Channel &channel, const Channel &read)
{
    return store::write(
        databasePath, QStringLiteral("Could not save the channel"),
        [&](Connection &db) -> Result<qint32> {
            // The row names its project: one that is gone would leave it orphaned.
            if (auto project = store::requireRow(db, Project::table, Project::id, projectID);
                !project)
                return project.failure();
            if (channelID != 0) {
                if (auto same = requireUnchanged(db, channelID, read); !same)
                    return same.failure();
            }
            auto saved = storeChannelRow(db, channelID, projectID, channel);
            if (!saved)
                return saved;
            if (auto lines = replaceTemplateLines(db, saved.value(), channel.templateLines); !lines)
                return lines.failure();
            return saved;
        });
}

} // namespace channels
