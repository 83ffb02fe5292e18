#include "programmes/Programmes.h"

#include "store/Connection.h"

using store::Columns;
using store::Connection;
using store::Result;
using store::Status;

namespace programmes {

namespace {

// The editor's boxes with their columns, in the order the editor loads and
// saves them; only the boxes that hold text take part.
Columns filledColumns(const Programme &boxes)
{
    const QPair<QString, const QString *> all[] = {
        {QStringLiteral("programmeName"), &boxes.programmeName},
        {QStringLiteral("programmeDesc"), &boxes.programmeDesc},
        {QStringLiteral("startDate"), &boxes.startDate},
        {QStringLiteral("startTime"), &boxes.startTime},
        {QStringLiteral("duration"), &boxes.duration},
        {QStringLiteral("category"), &boxes.category},
    };
    Columns columns;
    for (const auto &[column, text] : all) {
        if (!text->isEmpty())
            columns.append({column, store::typedText(*text)});
    }
    return columns;
}

store::Failure missingProgramme(const Connection &db)
{
    return db.failure(QStringLiteral("The programme is no longer in the database."));
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
    return store::readEntries(databasePath, QStringLiteral("Could not read the list of programmes"),
                              QStringLiteral("SELECT programmeID, programmeName "
                                             "FROM ProgrammeData WHERE channelID = ? "
                                             "ORDER BY startDateKey, startTimeKey, programmeID"),
                              {channelID}, [](const QSqlQuery &row) {
                                  const QString name = row.value(1).toString();
                                  return name.isEmpty() ? unnamedProgrammeText() : name;
                              });
}

Status deleteProgramme(const QString &databasePath, qint32 programmeID)
{
    return store::write(
        databasePath, QStringLiteral("Could not delete the programme"), [&](Connection &db) {
            return db.execute(QStringLiteral("DELETE FROM ProgrammeData WHERE programmeID = ?"),
                              {programmeID});
        });
}

Result<Programme> loadProgramme(const QString &databasePath, qint32 programmeID)
{
    return store::read(databasePath, QStringLiteral("Could not read the programme"),
                       [&](Connection &db) -> Result<Programme> {
                           auto rows = db.select(
                               QStringLiteral("SELECT programmeName, programmeDesc, startDate, "
                                              "startTime, duration, category "
                                              "FROM ProgrammeData WHERE programmeID = ?"),
                               {programmeID});
                           if (!rows)
                               return rows.failure();
                           QSqlQuery &query = rows.value();
                           if (!query.next())
                               return missingProgramme(db);
                           return Programme{query.value(0).toString(), query.value(1).toString(),
                                            query.value(2).toString(), query.value(3).toString(),
                                            query.value(4).toString(), query.value(5).toString()};
                       });
}

Status addProgramme(const QString &databasePath, qint32 channelID, const Programme &boxes)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the programme"), [&](Connection &db) -> Status {
            Columns columns = {{QStringLiteral("channelID"), channelID}};
            columns.append(filledColumns(boxes));
            if (auto added = db.insert(QStringLiteral("ProgrammeData"), columns); !added)
                return added.failure();
            return store::success();
        });
}

Status changeProgramme(const QString &databasePath, qint32 programmeID, const Programme &boxes)
{
    return store::write(databasePath, QStringLiteral("Could not save the programme"),
                        [&](Connection &db) -> Status {
                            // An update of a vanished row would change nothing and say nothing.
                            auto found = db.select(
                                QStringLiteral("SELECT 1 FROM ProgrammeData WHERE programmeID = ?"),
                                {programmeID});
                            if (!found)
                                return found.failure();
                            if (!found.value().next())
                                return missingProgramme(db);
                            return db.update(QStringLiteral("ProgrammeData"), filledColumns(boxes),
                                             QStringLiteral("programmeID"), programmeID);
                        });
}

} // namespace programmes
