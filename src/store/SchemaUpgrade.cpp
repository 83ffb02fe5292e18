#include "store/SchemaUpgrade.h"

#include "store/Connection.h"
#include "store/Database.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"

#include <QDir>
#include <QStringList>

#include <iterator>

namespace store {

namespace {

struct Found
{
    int version = 0;
    // How many of the four Quorvel tables the file holds.
    int tables = 0;
};

Result<Found> inspect(Connection &db)
{
    Found found;
    auto version = db.select(QStringLiteral("PRAGMA user_version"));
    if (!version)
        return version.failure();
    if (version.value().next())
        found.version = version.value().value(0).toInt();
    QVariantList names;
    for (const QString &table : tables::all())
        names << table.toLower();
    auto tables = db.select(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                           "'table' AND lower(name) IN (?, ?, ?, ?)"),
                            names);
    if (!tables)
        return tables.failure();
    if (tables.value().next())
        found.tables = tables.value().value(0).toInt();
    return found;
}

Status runAll(Connection &db, const QStringList &statements)
{
    for (const QString &sql : statements) {
        if (auto done = db.execute(sql); !done)
            return done;
    }
    return success();
}

// 0 to 1: the sort keys of the start read more forms, and check that a date
// or time is real. SQLite cannot change a generated column in place, so the
// table is made anew. Every row keeps its programmeID, and the AUTOINCREMENT
// counter keeps its place, so no deleted programme's identifier is ever
// handed out again.
//
// The table is made as version 1 had it, column by column, not from today's
// schema.sql: a later step that changes the table again must find it as
// version 1 left it, whatever version the database started from.
Status rebuildProgrammes(Connection &db)
{
    const QString table = tables::Programme::table;
    const QString columns = QStringLiteral(
        "programmeID, channelID, programmeName, programmeDesc, startDate, startTime, duration, "
        "category");
    const QString create =
        QStringLiteral("CREATE TABLE ProgrammeData (programmeID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "channelID INTEGER, programmeName TEXT, programmeDesc TEXT, startDate TEXT, "
                       "startTime TEXT, duration TEXT, category TEXT, "
                       "startDateKey TEXT GENERATED ALWAYS AS (%1) VIRTUAL, "
                       "startTimeKey TEXT GENERATED ALWAYS AS (%2) VIRTUAL)")
            .arg(startDateKeySql(QStringLiteral("startDate")),
                 startTimeKeySql(QStringLiteral("startTime")));

    auto counter =
        db.select(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"), {table});
    if (!counter)
        return counter.failure();
    const QVariant seq = counter.value().next() ? counter.value().value(0) : QVariant();
    counter = QSqlQuery();

    const QString old = table + QStringLiteral("_before_upgrade");
    QStringList statements{
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(table, old),
        create,
        QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3").arg(table, columns, old),
        // Its index goes with it, so the new one can take its name.
        QStringLiteral("DROP TABLE %1").arg(old),
        QStringLiteral("CREATE INDEX ProgrammeData_channel_start ON ProgrammeData "
                       "(channelID, startDateKey, startTimeKey, programmeID, programmeName)"),
    };
    if (auto rebuilt = runAll(db, statements); !rebuilt)
        return rebuilt;
    if (seq.isNull())
        return success();
    if (auto cleared =
            db.execute(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?"), {table});
        !cleared)
        return cleared;
    return db.execute(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"),
                      {table, seq});
}

// 1 to 2: an index that gives a channel's programmes in the order they were
// added, which the exports read them in.
Status indexProgrammesByChannel(Connection &db)
{
    // Written out as version 2 has it, as every step is: never read from today's schema.sql.
    return db.execute(
        QStringLiteral("CREATE INDEX ProgrammeData_channelID ON ProgrammeData (channelID)"));
}

// 2 to 3: room for what an imported XMLTV guide says beyond the columns
// the windows edit, written out as version 3 has it: a table beside ChannelData, and columns added
// to ProgrammeData, which is never made anew for them: its generated sort
// keys and their index stay as they are.
Status addXmltvColumns(Connection &db)
{
    return runAll(db, {
                          QStringLiteral("CREATE TABLE ChannelXmltv (channelID INTEGER PRIMARY "
                                         "KEY, xmltvID TEXT, xmltvExtra TEXT)"),
                          QStringLiteral("ALTER TABLE ProgrammeData ADD COLUMN xmltvStart TEXT"),
                          QStringLiteral("ALTER TABLE ProgrammeData ADD COLUMN xmltvStop TEXT"),
                          QStringLiteral("ALTER TABLE ProgrammeData ADD COLUMN xmltvTyped TEXT"),
                          QStringLiteral("ALTER TABLE ProgrammeData ADD COLUMN xmltvExtra TEXT"),
                      });
}

// steps[v] brings a database of version v to version v + 1.
using Step = Status (*)(Connection &);
const Step steps[] = {rebuildProgrammes, indexProgrammesByChannel, addXmltvColumns};
static_assert(std::size(steps) == schemaVersion, "one upgrade step per version");

Status refuse(Connection &db, const Found &found)
{
    const QString file = QDir::toNativeSeparators(db.databasePath());
    if (found.tables < int(tables::all().size())) {
        return db.failure(QStringLiteral("The file %1 is an SQLite database, but not a Quorvel "
                                         "database: it lacks the Quorvel tables. %2")
                              .arg(file, recreateAdvice(db.databasePath())));
    }
    if (found.version > schemaVersion) {
        return db.failure(
            QStringLiteral("The database file %1 was written by a newer Quorvel "
                           "(its schema version is %2; this Quorvel knows versions "
                           "up to %3). Open it with that newer Quorvel.")
                .arg(file, QString::number(found.version), QString::number(schemaVersion)));
    }
    return success();
}

} // namespace

Status prepareSchema(Connection &db)
{
    auto found = inspect(db);
    if (!found)
        return found.failure();
    if (auto usable = refuse(db, found.value()); !usable)
        return usable;
    if (found.value().version == schemaVersion)
        return success();

    // Under the write lock, and looked at again: of two programs opening the
    // same old file at once, the second waits here and finds it up to date.
    if (auto begun = db.begin(); !begun)
        return begun;
    Status upgraded = [&]() -> Status {
        auto again = inspect(db);
        if (!again)
            return again.failure();
        if (auto usable = refuse(db, again.value()); !usable)
            return usable;
        for (int version = again.value().version; version < schemaVersion; ++version) {
            if (auto stepped = steps[version](db); !stepped)
                return stepped;
        }
        // PRAGMA takes no bound values; the number is the program's own.
        return db.execute(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
    }();
    if (upgraded)
        upgraded = db.commit();
    else
        db.rollback();
    if (!upgraded) {
        Failure failure = upgraded.failure();
        failure.detail = QStringLiteral("The database file %1 is of an older version (%2) and "
                                        "could not be brought up to version %3; it was left as "
                                        "it was.\n\n%4")
                             .arg(QDir::toNativeSeparators(db.databasePath()),
                                  QString::number(found.value().version),
                                  QString::number(schemaVersion), failure.detail);
        return failure;
    }
    return success();
}

} // namespace store
