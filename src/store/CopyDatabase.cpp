#include "store/CopyDatabase.h"

#include "store/Connection.h"
#include "store/Database.h"
#include "store/Server.h"
#include "store/Statement.h"
#include "store/Tables.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace store {

namespace {

const QString copyAction = QStringLiteral("Could not copy the database");

// Values bound to one INSERT of many rows: few enough for either engine's
// limit on parameters, enough that a million programmes take a few thousand
// statements rather than a million round trips to a server.
constexpr int parametersPerInsert = 2000;

struct TableCopy
{
    QLatin1StringView table;
    // Rows go over in this order. For template lines it is their order
    // within each channel, which the target keeps by adding them in it.
    QLatin1StringView order;
    qint64 CopiedDatabase::*count;
    // The rows to copy, when not all.
    QString where = {};
};

QList<TableCopy> tablesToCopy()
{
    using namespace tables;
    // SQLite's own rowid in a file; a column of that name on a server.
    const QLatin1StringView rowid("rowid");
    return {{Project::table, Project::id, &CopiedDatabase::projects},
            {Channel::table, Channel::id, &CopiedDatabase::channels},
            {ChannelXmltv::table, ChannelXmltv::channelId, &CopiedDatabase::channelDetails},
            {Template::table, rowid, &CopiedDatabase::templateLines},
            {Programme::table, Programme::id, &CopiedDatabase::programmes}};
}

// Columns each engine works out for itself, never written.
bool isWorkedOut(const QString &column)
{
    for (const QLatin1StringView name :
         {tables::Programme::startDateKey, tables::Programme::startTimeKey,
          QLatin1StringView("rowid")})
        if (column.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString shown(const QString &database)
{
    return isServerAddress(database) ? withoutPassword(database) : database;
}

QString inserting(const QString &table, const QStringList &columns, int rows)
{
    const QString row = u'(' + QStringList(columns.size(), QStringLiteral("?")).join(u',') + u')';
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table, columns.join(QStringLiteral(", ")), QStringList(rows, row).join(u','));
}

// Every row of one table, in its order, by INSERTs of many rows each. The
// values go over as text, which both engines turn into the column's type,
// so that what a file holds is written back byte for byte. A server holds
// only UTF-8 without U+0000: a file's text that is not plain UTF-8 goes to
// it as the windows and the XMLTV export read it from the file, by SQLite's
// own decoding (an overlong form such as C0 AF is one U+FFFD there, where
// the guide application's exports write a '?' for each byte), and U+0000 is
// refused.
Status copyTable(Connection &source, Connection &target, const TableCopy &copy,
                 CopiedDatabase &copied, qint64 &highestKey)
{
    Statement rows(
        source, QStringLiteral("SELECT * FROM %1%2 ORDER BY %3")
                    .arg(copy.table,
                         copy.where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + copy.where,
                         copy.order));
    // A server names a query's columns once it has run.
    if (!rows.next())
        return rows.ok() ? success() : source.failure(rows.errorString());

    const QLatin1StringView key = tables::keyOf(QString(copy.table));
    QStringList names;
    std::vector<int> from;
    int keyAt = -1;
    for (int i = 0; i < rows.columnCount(); ++i) {
        const QString name = fromUtf8(rows.columnName(i));
        if (!key.isEmpty() && name.compare(key, Qt::CaseInsensitive) == 0)
            keyAt = i;
        if (isWorkedOut(name))
            continue;
        names << name;
        from.push_back(i);
    }
    const int width = int(names.size());
    const int perInsert = std::max(1, parametersPerInsert / width);
    const bool asRead = target.isServer() && !source.isServer();

    std::vector<std::string> values(std::size_t(perInsert * width));
    std::vector<char> nulls(values.size());
    int held = 0;
    std::unique_ptr<Statement> whole;
    const auto flush = [&]() -> Status {
        if (held == 0)
            return success();
        std::unique_ptr<Statement> rest;
        if (held == perInsert && !whole)
            whole = std::make_unique<Statement>(target, inserting(copy.table, names, perInsert));
        if (held < perInsert)
            rest = std::make_unique<Statement>(target, inserting(copy.table, names, held));
        Statement &insert = rest ? *rest : *whole;
        for (int i = 0; i < held * width; ++i) {
            if (nulls[std::size_t(i)])
                insert.bindNull(i + 1);
            else
                insert.bindText(i + 1, values[std::size_t(i)]);
        }
        held = 0;
        return insert.run() ? success() : target.failure(insert.errorString());
    };

    do {
        if (keyAt >= 0)
            highestKey = std::max(highestKey, rows.integer(keyAt));
        for (int c = 0; c < width; ++c) {
            const int column = from[std::size_t(c)];
            const std::size_t at = std::size_t(held * width + c);
            nulls[at] = rows.isNull(column);
            if (nulls[at])
                continue;
            std::string &value = values[at];
            value.assign(rows.text(column));
            if (asRead && !isPlainUtf8(value)) {
                value = rows.wideText(column).toUtf8().toStdString();
                ++copied.textsNotUtf8;
            }
            if (target.isServer() && value.find('\0') != std::string::npos) {
                return source.failure(
                    QStringLiteral("The column %1 of a row of %2 (%3 %4) holds the character "
                                   "U+0000, which a PostgreSQL server cannot store. Remove it "
                                   "from that row, then copy again.")
                        .arg(names.at(c), copy.table, names.constFirst(),
                             fromUtf8(rows.text(from.front()))));
            }
        }
        ++(copied.*copy.count);
        if (++held == perInsert) {
            if (auto flushed = flush(); !flushed)
                return flushed;
        }
    } while (rows.next());
    if (!rows.ok())
        return source.failure(rows.errorString());
    return flush();
}

// The highest identifier the database has handed out for the table, even
// to rows since deleted; 0 when it has handed out none.
Result<qint64> handedOut(Connection &db, QLatin1StringView table, QLatin1StringView key)
{
    auto counter =
        db.isServer()
            ? db.select(
                  QStringLiteral("SELECT pg_sequence_last_value(pg_get_serial_sequence(?, ?))"),
                  {QString(table), QString(key).toLower()})
            : db.select(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"),
                        {QString(table)});
    if (!counter)
        return counter.failure();
    return counter.value().next() ? counter.value().value(0).toLongLong() : qint64(0);
}

Status carryCounter(Connection &target, QLatin1StringView table, QLatin1StringView key,
                    qint64 counter)
{
    if (counter <= 0)
        return success();
    if (target.isServer()) {
        return target.execute(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), ?)"),
                              {QString(table), QString(key).toLower(), counter});
    }
    if (auto cleared = target.execute(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = ?"),
                                      {QString(table)});
        !cleared)
        return cleared;
    return target.execute(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"),
                          {QString(table), counter});
}

Status refuseRows(Connection &target)
{
    for (const TableCopy &copy : tablesToCopy()) {
        Statement any(target, QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(copy.table));
        if (any.next()) {
            return target.failure(
                QStringLiteral("The database %1 already holds Quorvel data; it was left "
                               "untouched. Copy into an empty database, or into a file that does "
                               "not exist yet.")
                    .arg(target.isServer() ? serverName(target.databasePath())
                                           : target.databasePath()));
        }
        if (!any.ok())
            return target.failure(any.errorString());
    }
    return success();
}

Result<CopiedDatabase> copyRows(Connection &source, Connection &target)
{
    if (auto empty = refuseRows(target); !empty)
        return empty.failure();
    CopiedDatabase copied;
    for (const TableCopy &copy : tablesToCopy()) {
        qint64 highest = 0;
        if (auto done = copyTable(source, target, copy, copied, highest); !done)
            return done.failure();
        const QLatin1StringView key = tables::keyOf(QString(copy.table));
        if (key.isEmpty())
            continue;
        const auto counter = handedOut(source, copy.table, key);
        if (!counter)
            return counter.failure();
        if (auto carried =
                carryCounter(target, copy.table, key, std::max(highest, counter.value()));
            !carried)
            return carried.failure();
    }
    if (!source.isServer())
        return copied;
    // Only the limits of the projects copied: a login that may not see a
    // limited project copies neither it nor its limits.
    using A = tables::ProjectAccess;
    const TableCopy limits{A::table, A::projectId, &CopiedDatabase::projectLimits,
                           QStringLiteral("%1 IN (SELECT %2 FROM %3)")
                               .arg(A::projectId, tables::Project::id, tables::Project::table)};
    if (target.isServer()) {
        qint64 highest = 0;
        if (auto done = copyTable(source, target, limits, copied, highest); !done)
            return done.failure();
        return copied;
    }
    // A file has no roles: everyone who opens it sees every project.
    auto left = source.select(
        QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(limits.table, limits.where));
    if (!left)
        return left.failure();
    copied.limitsLeftBehind = left.value().next() ? left.value().value(0).toLongLong() : 0;
    return copied;
}

// Whether the target can take the copy, making it where it is to be made.
Status prepareTarget(const QString &to, bool &madeFile)
{
    const auto refused = [&](const QString &detail) {
        return Failure{copyAction, detail, shown(to)};
    };
    if (!isServerAddress(to)) {
        auto created = createDatabase(to);
        if (!created)
            return refused(created.failure().detail);
        madeFile = true;
        return success();
    }
    const DatabaseCheck found = inspectDatabase(to);
    switch (found.kind) {
    case DatabaseCheck::Empty:
        if (auto created = createDatabase(to); !created)
            return refused(created.failure().detail);
        return success();
    case DatabaseCheck::Quorvel:
        // Its rows are looked for inside the copy's own transaction.
        return success();
    case DatabaseCheck::Unreadable:
        return refused(found.detail);
    default:
        return refused(QStringLiteral("The database %1 cannot take the copy: %2 It was left "
                                      "untouched. Copy into an empty database (createdb).")
                           .arg(serverName(to), found.detail));
    }
}

} // namespace

Result<CopiedDatabase> copyDatabase(const QString &from, const QString &to)
{
    // The original is looked at first: nothing is made for a copy of
    // something that is not there or not a Quorvel database.
    const DatabaseCheck original = inspectDatabase(from);
    if (original.kind == DatabaseCheck::Missing)
        return Failure{copyAction, QStringLiteral("There is no database to copy at %1.").arg(from),
                       shown(from)};
    if (original.kind != DatabaseCheck::Quorvel)
        return Failure{copyAction,
                       QStringLiteral("The database to copy cannot be read as a Quorvel "
                                      "database: %1")
                           .arg(original.detail),
                       shown(from)};

    bool madeFile = false;
    if (auto ready = prepareTarget(to, madeFile); !ready)
        return ready.failure();
    auto copied = read(from, copyAction, [&](Connection &source) -> Result<CopiedDatabase> {
        // One snapshot of the original, however long the copy takes.
        if (auto begun = source.beginRead(); !begun)
            return begun.failure();
        return write(to, copyAction, [&](Connection &target) { return copyRows(source, target); });
    });
    // A file that holds no copy would stand in the way of the next try.
    if (!copied && madeFile)
        QFile::remove(to);
    return copied;
}

} // namespace store
