#include "programmes/Programmes.h"

#include "store/Connection.h"
#include "store/Gone.h"
#include "store/Tables.h"

using store::ColumnNames;
using store::Connection;
using store::Result;
using store::Status;
using Column = store::tables::Programme;
using Channel = store::tables::Channel;

namespace programmes {

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

Result<ProgrammeRow> loadProgramme(const QString &databasePath, qint32 programmeID)
{
    return store::read(databasePath, QStringLiteral("Could not read the programme"),
                       [&](Connection &db) -> Result<ProgrammeRow> {
                           auto rows = db.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                                     .arg(store::columnList(store::editorColumns()),
                                                          Column::table, Column::id),
                                                 {programmeID});
                           if (!rows)
                               return rows.failure();
                           if (!rows.value().next())
                               return store::goneFailure(db, Column::table);
                           ProgrammeRow programme;
                           store::readRow(rows.value(), programme);
                           return programme;
                       });
}

Status addProgramme(const QString &databasePath, qint32 channelID, const ProgrammeRow &boxes)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the programme"), [&](Connection &db) -> Status {
            if (auto channel = store::requireRow(db, Channel::table, Channel::id, channelID);
                !channel)
                return channel;
            ProgrammeRow row = boxes;
            row.channelID = channelID;
            ColumnNames columns = {Column::channelId};
            columns << store::editorColumns();
            if (auto added = db.insert(Column::table, store::valuesOf(row, columns, true)); !added)
                return added.failure();
            return store::success();
        });
}

Status changeProgramme(const QString &databasePath, qint32 programmeID, const ProgrammeRow &boxes,
                       const ProgrammeRow &read)
{
    return store::write(
        databasePath, QStringLiteral("Could not save the programme"),
        [&](Connection &db) -> Status {
            // Looked for first: with every box empty the update below changes nothing.
            if (auto same = store::requireUnchanged(db, Column::table, Column::id, programmeID,
                                                    store::readValues(read, store::editorColumns()),
                                                    read.programmeName);
                !same)
                return same;
            return db.update(Column::table, store::valuesOf(boxes, store::editorColumns(), true),
                             Column::id, programmeID);
        });
}

} // namespace programmes
