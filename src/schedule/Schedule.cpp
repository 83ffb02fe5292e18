#include "schedule/Schedule.h"

#include "store/Connection.h"
#include "store/Gone.h"
#include "store/SqliteStatement.h"
#include "store/Tables.h"

#include <limits>

using store::Connection;
using store::Result;
using store::Status;

namespace schedule {

namespace {

using Stored = store::tables::Programme;
using Channel = store::tables::Channel;

// The store column behind each table column; End is worked out, never stored.
const QLatin1StringView storeColumns[ColumnCount] = {
    Stored::startDate, Stored::startTime, Stored::duration, {},
    Stored::name,      Stored::category,  Stored::desc};

QVariant bound(const QString &text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

} // namespace

QString columnTitle(int column)
{
    switch (column) {
    case Date:
        return QStringLiteral("Date");
    case Start:
        return QStringLiteral("Start");
    case Duration:
        return QStringLiteral("Duration");
    case End:
        return QStringLiteral("End");
    case Name:
        return QStringLiteral("Name");
    case Category:
        return QStringLiteral("Category");
    case Synopsis:
        return QStringLiteral("Synopsis");
    }
    return QString();
}

QString programmesText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 programme") : QStringLiteral("%1 programmes").arg(count);
}

QString Programme::value(int column) const
{
    switch (column) {
    case Date:
        return startDate;
    case Start:
        return startTime;
    case Duration:
        return duration;
    case Name:
        return programmeName;
    case Category:
        return category;
    case Synopsis:
        return programmeDesc;
    }
    return QString();
}

void Programme::setValue(int column, const QString &text)
{
    switch (column) {
    case Date:
        startDate = text;
        break;
    case Start:
        startTime = text;
        break;
    case Duration:
        duration = text;
        break;
    case Name:
        programmeName = text;
        break;
    case Category:
        category = text;
        break;
    case Synopsis:
        programmeDesc = text;
        break;
    }
}

bool Programme::operator==(const Programme &other) const
{
    for (int column = 0; column < ColumnCount; ++column) {
        const QString mine = value(column);
        const QString theirs = other.value(column);
        if (mine.isNull() != theirs.isNull() || mine != theirs)
            return false;
    }
    const auto same = [](const QString &a, const QString &b) {
        return a.isNull() == b.isNull() && a == b;
    };
    return programmeID == other.programmeID && same(kept.start, other.kept.start) &&
           same(kept.stop, other.kept.stop) && same(kept.typed, other.kept.typed) &&
           same(kept.extra, other.kept.extra);
}

Result<QList<Programme>> loadSchedule(const QString &databasePath, qint32 channelID)
{
    return store::read(
        databasePath, QStringLiteral("Could not read the channel's schedule"),
        [&](Connection &db) -> Result<QList<Programme>> {
            if (auto channel = store::requireRow(db, Channel::table, Channel::id, channelID);
                !channel)
                return channel.failure();
            // Straight from SQLite: a channel may hold a hundred thousand
            // programmes, and a QVariant for each of their values cost more
            // than reading them.
            const QString sql =
                QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7, %8, %9, %10 FROM %11 "
                               "WHERE %12 = ? ORDER BY %13, %14, %1")
                    .arg(Stored::id, Stored::startDate, Stored::startTime, Stored::duration,
                         Stored::name, Stored::category, Stored::desc, Stored::xmltvStart,
                         Stored::xmltvStop)
                    .arg(Stored::xmltvTyped, Stored::table, Stored::channelId, Stored::startDateKey,
                         Stored::startTimeKey);
            store::SqliteStatement rows(store::sqliteHandle(db), sql);
            rows.restart(channelID);
            // An empty text read back is still a value: it must not turn into
            // NULL when an undo writes it again.
            const auto text = [&rows](int column) {
                const std::string_view value = rows.text(column);
                if (!value.data())
                    return QString();
                return value.empty() ? QStringLiteral("") : store::fromUtf8(value);
            };
            QList<Programme> programmes;
            while (rows.next()) {
                // The guide's instants too, which say when an imported
                // programme runs while its typed times are unchanged.
                programmes.append({qint32(rows.integer(0)),
                                   text(1),
                                   text(2),
                                   text(3),
                                   text(4),
                                   text(5),
                                   text(6),
                                   {text(7), text(8), text(9), QString()}});
            }
            if (!rows.ok())
                return db.failure(rows.errorString());
            return programmes;
        });
}

Status changeValue(const QString &databasePath, qint32 programmeID, int column, const QString &text)
{
    return store::write(
        databasePath, QStringLiteral("Could not store the change"), [&](Connection &db) -> Status {
            if (column < 0 || column >= ColumnCount || storeColumns[column].isEmpty())
                return db.failure(
                    QStringLiteral("The %1 column cannot be changed.").arg(columnTitle(column)));
            if (auto changed = db.update(Stored::table, {{storeColumns[column], bound(text)}},
                                         Stored::id, programmeID);
                !changed)
                return changed;
            return store::requireChanged(db, Stored::table);
        });
}

Result<QList<qint32>> addProgrammes(const QString &databasePath, qint32 channelID,
                                    const QList<Programme> &programmes)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the programmes"),
        [&](Connection &db) -> Result<QList<qint32>> {
            if (auto channel = store::requireRow(db, Channel::table, Channel::id, channelID);
                !channel)
                return channel.failure();
            // Prepared once: a repeat adds thousands of rows in one go.
            auto taken = db.prepare(
                QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(Stored::table, Stored::id));
            if (!taken)
                return taken.failure();
            auto insert =
                db.prepare(QStringLiteral("INSERT INTO %1 (%2, %3, %4, %5, %6, %7, %8, %9, %10, "
                                          "%11, %12, %13) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                          "?, ?)")
                               .arg(Stored::table, Stored::id, Stored::channelId, Stored::startDate,
                                    Stored::startTime, Stored::duration, Stored::name,
                                    Stored::category, Stored::desc)
                               .arg(Stored::xmltvStart, Stored::xmltvStop, Stored::xmltvTyped,
                                    Stored::xmltvExtra));
            if (!insert)
                return insert.failure();
            QList<qint32> ids;
            ids.reserve(programmes.size());
            for (const Programme &p : programmes) {
                QVariant id;
                if (p.programmeID > 0) {
                    taken.value().bindValue(0, p.programmeID);
                    if (auto looked = db.execute(taken.value()); !looked)
                        return looked.failure();
                    if (!taken.value().next())
                        id = p.programmeID;
                    taken.value().finish();
                }
                QSqlQuery &q = insert.value();
                q.bindValue(0, id);
                q.bindValue(1, channelID);
                q.bindValue(2, bound(p.startDate));
                q.bindValue(3, bound(p.startTime));
                q.bindValue(4, bound(p.duration));
                q.bindValue(5, bound(p.programmeName));
                q.bindValue(6, bound(p.category));
                q.bindValue(7, bound(p.programmeDesc));
                q.bindValue(8, bound(p.kept.start));
                q.bindValue(9, bound(p.kept.stop));
                q.bindValue(10, bound(p.kept.typed));
                q.bindValue(11, bound(p.kept.extra));
                if (auto added = db.execute(q); !added)
                    return added.failure();
                const qint64 given = q.lastInsertId().toLongLong();
                if (given <= 0 || given > std::numeric_limits<qint32>::max())
                    return db.failure(QStringLiteral("The store gave a new programme an "
                                                     "identifier the program cannot hold."));
                ids.append(qint32(given));
            }
            return ids;
        });
}

Result<QList<Programme::Kept>> removeProgrammes(const QString &databasePath,
                                                const QList<qint32> &programmeIDs)
{
    return store::write(
        databasePath, QStringLiteral("Could not delete the programmes"),
        [&](Connection &db) -> Result<QList<Programme::Kept>> {
            auto read =
                db.prepare(QStringLiteral("SELECT %1, %2, %3, %4 FROM %5 WHERE %6 = ?")
                               .arg(Stored::xmltvStart, Stored::xmltvStop, Stored::xmltvTyped,
                                    Stored::xmltvExtra, Stored::table, Stored::id));
            if (!read)
                return read.failure();
            auto remove = db.prepare(
                QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Stored::table, Stored::id));
            if (!remove)
                return remove.failure();
            QList<Programme::Kept> kept;
            kept.reserve(programmeIDs.size());
            for (qint32 id : programmeIDs) {
                QSqlQuery &row = read.value();
                row.bindValue(0, id);
                if (auto looked = db.execute(row); !looked)
                    return looked.failure();
                Programme::Kept was;
                if (row.next()) {
                    was = {row.value(0).toString(), row.value(1).toString(),
                           row.value(2).toString(), row.value(3).toString()};
                }
                row.finish();
                kept.append(was);
                remove.value().bindValue(0, id);
                if (auto done = db.execute(remove.value()); !done)
                    return done.failure();
                if (auto changed = store::requireChanged(db, Stored::table); !changed)
                    return changed.failure();
            }
            return kept;
        });
}

} // namespace schedule
