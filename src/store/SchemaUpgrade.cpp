#include "store/SchemaUpgrade.h"

#include "store/Connection.h"
#include "store/Database.h"
#include "store/Tables.h"

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

// The statement of schema.sql that begins with `start`. The schema holds no
// semicolons inside literals, so a split after removing comments is enough.
QString schemaStatement(const QString &start)
{
    QStringList lines;
    for (const QString &line : schemaSql().split(u'\n')) {
        if (!line.trimmed().startsWith(QStringLiteral("--")))
            lines << line;
    }
    for (const QString &statement : lines.join(u'\n').split(u';')) {
        if (statement.trimmed().startsWith(start))
            return statement.trimmed();
    }
    return QString();
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
// table is made anew from schema.sql. Every row keeps its programmeID, and the
// AUTOINCREMENT counter keeps its place, so no deleted programme's
// identifier is ever handed out again.
Status rebuildProgrammes(Connection &db)
{
    const QString table = tables::Programme::table;
    const QString create = schemaStatement(QStringLiteral("CREATE TABLE ") + table);
    const QString index = schemaStatement(QStringLiteral("CREATE INDEX ") + table);
    if (create.isEmpty() || index.isEmpty())
        return db.failure(QStringLiteral("The program's copy of the schema is incomplete."));

    auto counter =
        db.select(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"), {table});
    if (!counter)
        return counter.failure();
    const QVariant seq = counter.value().next() ? counter.value().value(0) : QVariant();
    counter = QSqlQuery();

    const QString old = table + QStringLiteral("_before_upgrade");
    const QString columns = tables::Programme::stored().join(QStringLiteral(", "));
    QStringList statements{
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(table, old),
        create,
        QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3").arg(table, columns, old),
        // Its index goes with it, so the new one can take its name.
        QStringLiteral("DROP TABLE %1").arg(old),
        index,
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
    const QString index =
        schemaStatement(QStringLiteral("CREATE INDEX %1_%2 ")
                            .arg(tables::Programme::table, tables::Programme::channelId));
    if (index.isEmpty())
        return db.failure(QStringLiteral("The program's copy of the schema is incomplete."));
    return db.execute(index);
}

// steps[v] brings a database of version v to version v + 1.
using Step = Status (*)(Connection &);
const Step steps[] = {rebuildProgrammes, indexProgrammesByChannel};
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
