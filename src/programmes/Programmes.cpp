#include "programmes/Programmes.h"

#include "store/Connection.h"
#include "store/Gone.h"
#include "store/Tables.h"

using store::Columns;
using store::Connection;
using store::Result;
using store::Status;
using Column = store::tables::Programme;
using Channel = store::tables::Channel;

namespace programmes {

namespace {

// The editor's boxes with their columns, in the order the editor loads and
// saves them: the one list both loading and saving go by.
const QPair<QLatin1StringView, QString Programme::*> boxColumns[] = {
    {Column::name, &Programme::programmeName},  {Column::desc, &Programme::programmeDesc},
    {Column::startDate, &Programme::startDate}, {Column::startTime, &Programme::startTime},
    {Column::duration, &Programme::duration},   {Column::category, &Programme::category},
};

// Only the boxes that hold text take part.
Columns filledColumns(const Programme &boxes)
{
    Columns columns;
    for (const auto &[column, box] : boxColumns) {
        if (!(boxes.*box).isEmpty())
            columns.append({column, store::typedText(boxes.*box)});
    }
    return columns;
}

} // namespace

const QStringList &categories()
{
    static const QStringList items = {
        QStringLiteral("Adult Entertainment"),
        QStringLiteral("Animation"),
        QStringLiteral("Arts"),
        QStringLiteral("Business and Finance"),
        QStringLiteral("Childrens"),
        QStringLiteral("Comedy"),
        QStringLiteral("Consumer"),
        QStringLiteral("Cookery"),
        QStringLiteral("DIY"),
        QStringLiteral("Documentary"),
        QStringLiteral("Drama"),
        QStringLiteral("Education"),
        QStringLiteral("Entertainment"),
        QStringLiteral("Fashion"),
        QStringLiteral("Film"),
        QStringLiteral("Game Show"),
        QStringLiteral("Gardening"),
        QStringLiteral("Health"),
        QStringLiteral("History Documentary"),
        QStringLiteral("Kids Drama"),
        QStringLiteral("Magazine Programme"),
        QStringLiteral("Motoring"),
        QStringLiteral("Music"),
        QStringLiteral("Nature"),
        QStringLiteral("News"),
        QStringLiteral("Political"),
        QStringLiteral("Quiz Show"),
        QStringLiteral("Religious"),
        QStringLiteral("Science Fiction Series"),
        QStringLiteral("Scientific Documentary"),
        QStringLiteral("Series"),
        QStringLiteral("Sitcom"),
        QStringLiteral("Soap"),
        QStringLiteral("Special Interest"),
        QStringLiteral("Sport"),
        QStringLiteral("Talk Show"),
        QStringLiteral("Technology"),
        QStringLiteral("Travel"),
    };
    return items;
}

QString defaultCategory()
{
    return QStringLiteral("Adult Entertainment");
}

QString unnamedProgrammeText()
{
    return QStringLiteral("(no name)");
}

Result<ListEntries> listProgrammes(const QString &databasePath, qint32 channelID)
{
    // The sort keys are computed by the schema from the start date and time,
    // and its index on them makes this a walk without a sort.
    const QString action = QStringLiteral("Could not read the list of programmes");
    if (auto channel =
            store::requireRow(databasePath, action, Channel::table, Channel::id, channelID);
        !channel)
        return channel.failure();
    return store::readTextEntries(
        databasePath, action,
        QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = ? ORDER BY %5, %6, %1")
            .arg(Column::id, Column::name, Column::table, Column::channelId, Column::startDateKey,
                 Column::startTimeKey),
        channelID, unnamedProgrammeText());
}

Status deleteProgramme(const QString &databasePath, qint32 programmeID)
{
    return store::write(
        databasePath, QStringLiteral("Could not delete the programme"),
        [&](Connection &db) -> Status {
            if (auto deleted = db.execute(
                    QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Column::table, Column::id),
                    {programmeID});
                !deleted)
                return deleted;
            return store::requireChanged(db, Column::table);
        });
}

Result<Programme> loadProgramme(const QString &databasePath, qint32 programmeID)
{
    return store::read(databasePath, QStringLiteral("Could not read the programme"),
                       [&](Connection &db) -> Result<Programme> {
                           QStringList names;
                           for (const auto &[column, box] : boxColumns)
                               names << column;
                           auto rows = db.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                                     .arg(names.join(QStringLiteral(", ")),
                                                          Column::table, Column::id),
                                                 {programmeID});
                           if (!rows)
                               return rows.failure();
                           QSqlQuery &query = rows.value();
                           if (!query.next())
                               return store::goneFailure(db, Column::table);
                           Programme programme;
                           int i = 0;
                           for (const auto &[column, box] : boxColumns)
                               programme.*box = query.value(i++).toString();
                           return programme;
                       });
}

Status addProgramme(const QString &databasePath, qint32 channelID, const Programme &boxes)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the programme"), [&](Connection &db) -> Status {
            if (auto channel = store::requireRow(db, Channel::table, Channel::id, channelID);
                !channel)
                return channel;
            Columns columns = {{Column::channelId, channelID}};
            columns.append(filledColumns(boxes));
            if (auto added = db.insert(Column::table, columns); !added)
                return added.failure();
            return store::success();
        });
}

Status changeProgramme(const QString &databasePath, qint32 programmeID, const Programme &boxes)
{
    return store::write(
        databasePath, QStringLiteral("Could not save the programme"),
        [&](Connection &db) -> Status {
            // Looked for first: with every box empty the update below changes nothing.
            if (auto found = store::requireRow(db, Column::table, Column::id, programmeID); !found)
                return found;
            return db.update(Column::table, filledColumns(boxes), Column::id, programmeID);
        });
}

} // namespace programmes
