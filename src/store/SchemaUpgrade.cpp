#include "store/SchemaUpgrade.h"

#include "store/Connection.h"
#include "store/Database.h"
#include "store/ServerSchema.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <optional>
#include <utility>

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
        QStringLiteral("CREATE TABLE %1 (programmeID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "channelID INTEGER, programmeName TEXT, programmeDesc TEXT, startDate TEXT, "
                       "startTime TEXT, duration TEXT, category TEXT, "
                       "startDateKey TEXT GENERATED ALWAYS AS (%2) VIRTUAL, "
                       "startTimeKey TEXT GENERATED ALWAYS AS (%3) VIRTUAL)")
            .arg(table, startDateKeySql(QStringLiteral("startDate")),
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
        QStringLiteral("CREATE INDEX %1_channel_start ON %1 "
                       "(channelID, startDateKey, startTimeKey, programmeID, programmeName)")
            .arg(table),
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
    return db.execute(QStringLiteral("CREATE INDEX %1_channelID ON %1 (channelID)")
                          .arg(tables::Programme::table));
}

// 2 to 3: room for what an imported XMLTV guide says beyond the columns
// the windows edit, written out as version 3 has it: a table beside the
// channels, and columns added to the programmes, whose table is never made
// anew for them: its generated sort keys and their index stay as they are.
Status addXmltvColumns(Connection &db)
{
    const QString programmes = tables::Programme::table;
    return runAll(
        db, {
                QStringLiteral("CREATE TABLE %1 (channelID INTEGER PRIMARY KEY, xmltvID TEXT, "
                               "xmltvExtra TEXT)")
                    .arg(tables::ChannelXmltv::table),
                QStringLiteral("ALTER TABLE %1 ADD COLUMN xmltvStart TEXT").arg(programmes),
                QStringLiteral("ALTER TABLE %1 ADD COLUMN xmltvStop TEXT").arg(programmes),
                QStringLiteral("ALTER TABLE %1 ADD COLUMN xmltvTyped TEXT").arg(programmes),
                QStringLiteral("ALTER TABLE %1 ADD COLUMN xmltvExtra TEXT").arg(programmes),
            });
}

// The text of an element written on one line as the import keeps it,
// <name ...>text</name>, split into the element with no text (<name .../>)
// and its text unescaped; nothing when the line is not such an element.
std::optional<std::pair<QString, QString>> splitKeptLine(const QString &line, const QString &name)
{
    const QString close = QStringLiteral("</") + name + QLatin1Char('>');
    if (!line.startsWith(QLatin1Char('<') + name) || !line.endsWith(close))
        return std::nullopt;
    const qsizetype openEnd = line.indexOf(QLatin1Char('>'));
    const qsizetype attributesFrom = 1 + name.size();
    if (openEnd < attributesFrom || line.at(openEnd - 1) == QLatin1Char('/') ||
        (openEnd > attributesFrom && line.at(attributesFrom) != QLatin1Char(' ')))
        return std::nullopt;
    const QString escaped = line.mid(openEnd + 1, line.size() - close.size() - openEnd - 1);
    // A child element inside it is more than a column can hold.
    if (escaped.contains(QLatin1Char('<')))
        return std::nullopt;
    QString text;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped.at(i) != QLatin1Char('&')) {
            text += escaped.at(i);
            continue;
        }
        const qsizetype end = escaped.indexOf(QLatin1Char(';'), i);
        if (end < 0)
            return std::nullopt;
        const QString entity = escaped.mid(i + 1, end - i - 1);
        static const QHash<QString, QChar> named = {{QStringLiteral("amp"), u'&'},
                                                    {QStringLiteral("lt"), u'<'},
                                                    {QStringLiteral("gt"), u'>'},
                                                    {QStringLiteral("quot"), u'"'},
                                                    {QStringLiteral("apos"), u'\''}};
        bool ok = false;
        if (named.contains(entity)) {
            text += named.value(entity);
            ok = true;
        } else if (entity.startsWith(QLatin1Char('#'))) {
            const bool hex = entity.startsWith(QStringLiteral("#x"));
            const uint code = entity.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok) {
                const char32_t c = code;
                text += QString::fromUcs4(&c, 1);
            }
        }
        if (!ok)
            return std::nullopt;
        i = end;
    }
    return std::make_pair(line.left(openEnd) + QStringLiteral("/>"), text);
}

// 3 to 4: the sub-title and episode become columns the schedule edits. An
// imported programme's first <sub-title> and <episode-num> move out of its
// kept details into them, leaving in their place the element with its other
// attributes and no text, as the import does now: the export then writes
// each once, in its place, with the text of the column.
Status addSubTitleAndEpisode(Connection &db)
{
    const QString table = tables::Programme::table;
    if (auto added =
            runAll(db, {QStringLiteral("ALTER TABLE %1 ADD COLUMN subTitle TEXT").arg(table),
                        QStringLiteral("ALTER TABLE %1 ADD COLUMN episodeNum TEXT").arg(table),
                        QStringLiteral("ALTER TABLE %1 ADD COLUMN episodeSystem TEXT").arg(table)});
        !added)
        return added;
    auto rows = db.select(QStringLiteral("SELECT programmeID, xmltvExtra FROM %1 WHERE xmltvExtra "
                                         "LIKE '%<sub-title%' OR xmltvExtra LIKE '%<episode-num%'")
                              .arg(table));
    if (!rows)
        return rows.failure();
    auto update = db.prepare(QStringLiteral("UPDATE %1 SET subTitle = :subTitle, episodeNum = "
                                            ":episodeNum, episodeSystem = :episodeSystem, "
                                            "xmltvExtra = :xmltvExtra WHERE programmeID = :id")
                                 .arg(table));
    if (!update)
        return update.failure();
    for (QSqlQuery &row = rows.value(); row.next();) {
        QStringList lines = row.value(1).toString().split(QLatin1Char('\n'));
        QVariant subTitle, episode, system;
        bool subTitleFound = false, episodeFound = false;
        for (QString &line : lines) {
            if (!subTitleFound && line.startsWith(QStringLiteral("<sub-title"))) {
                subTitleFound = true;
                if (const auto split = splitKeptLine(line, QStringLiteral("sub-title"))) {
                    line = split->first;
                    subTitle = split->second;
                }
            } else if (!episodeFound && line.startsWith(QStringLiteral("<episode-num"))) {
                episodeFound = true;
                auto split = splitKeptLine(line, QStringLiteral("episode-num"));
                // The system goes to its column; the element keeps any other attribute.
                static const QRegularExpression systemAttribute(
                    QStringLiteral(" system=\"([^\"]*)\""));
                const auto found =
                    split ? systemAttribute.match(split->first) : QRegularExpressionMatch();
                if (split && found.hasMatch() && !found.captured(1).contains(QLatin1Char('&'))) {
                    system = found.captured(1);
                    split->first.remove(found.capturedStart(), found.capturedLength());
                }
                if (split && (found.hasMatch() == !system.isNull())) {
                    line = split->first;
                    episode = split->second;
                }
            }
        }
        if (subTitle.isNull() && episode.isNull())
            continue;
        QSqlQuery &q = update.value();
        q.bindValue(QStringLiteral(":subTitle"), subTitle);
        q.bindValue(QStringLiteral(":episodeNum"), episode);
        q.bindValue(QStringLiteral(":episodeSystem"), system);
        q.bindValue(QStringLiteral(":xmltvExtra"), lines.join(QLatin1Char('\n')));
        q.bindValue(QStringLiteral(":id"), row.value(0));
        if (auto done = db.execute(q); !done)
            return done;
    }
    return success();
}

// steps[v] brings a database of version v to version v + 1.
using Step = Status (*)(Connection &);
const Step steps[] = {rebuildProgrammes, indexProgrammesByChannel, addXmltvColumns,
                      addSubTitleAndEpisode};
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
    if (db.isServer())
        return prepareServerSchema(db);
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
