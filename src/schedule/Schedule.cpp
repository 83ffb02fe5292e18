#include "schedule/Schedule.h"

#include "store/Connection.h"
#include "store/Gone.h"
#include "store/Statement.h"
#include "store/Tables.h"

#include <QRegularExpression>

#include <limits>

using store::Connection;
using store::Result;
using store::Status;

namespace schedule {

namespace {

using Stored = store::tables::Programme;
using Channel = store::tables::Channel;

// What XMLTV's xmltv_ns numbering looks like: three dot-separated parts,
// each empty or a number, the first two perhaps "of" a total ("2/5").
bool readsAsXmltvNs(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*(\d+\s*(/\s*\d+\s*)?)?\.\s*(\d+\s*(/\s*\d+\s*)?)?\.\s*(\d+\s*(/\s*\d+\s*)?)?$)"));
    return form.match(text).hasMatch();
}

// The row's member behind a table column, found by its store column.
QString Programme::*memberOf(int column)
{
    if (column < 0 || column >= ColumnCount || tableColumns[column].stored.isEmpty())
        return nullptr;
    return store::textMember<QString>(tableColumns[column].stored);
}

} // namespace

QString columnTitle(int column)
{
    if (column < 0 || column >= ColumnCount)
        return QString();
    return QString::fromLatin1(tableColumns[column].title);
}

QString programmesText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 programme") : QStringLiteral("%1 programmes").arg(count);
}

QString cellText(const Programme &programme, int column)
{
    const auto member = memberOf(column);
    return member ? programme.*member : QString();
}

void setCellText(Programme &programme, int column, const QString &text)
{
    if (const auto member = memberOf(column))
        programme.*member = text;
    if (column == Episode) {
        programme.episodeSystem = text.isEmpty()         ? QString()
                                  : readsAsXmltvNs(text) ? QStringLiteral("xmltv_ns")
                                                         : QStringLiteral("onscreen");
    }
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
            // Every column but the kept details: a channel may hold a
            // hundred thousand programmes, and those details are only
            // needed back by an undo of a delete, which reads them itself.
            store::ColumnNames columns = store::programmeColumns();
            columns.removeOne(Stored::xmltvExtra);
            const QString sql =
                QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY %4, %5, %6")
                    .arg(store::columnList(columns), Stored::table, Stored::channelId,
                         Stored::startDateKey, Stored::startTimeKey, Stored::id);
            store::Statement rows(db, sql);
            rows.restart(channelID);
            const store::RowReader reader(rows);
            QList<Programme> programmes;
            while (rows.next()) {
                Programme programme;
                reader.read(rows, programme);
                programmes.append(std::move(programme));
            }
            if (!rows.ok())
                return db.failure(rows.errorString());
            return programmes;
        });
}

const store::ColumnNames &shownColumns()
{
    static const store::ColumnNames columns = [] {
        store::ColumnNames stored;
        for (const TableColumn &column : tableColumns) {
            if (!column.stored.isEmpty())
                stored.append(column.stored);
        }
        return stored;
    }();
    return columns;
}

Status changeValue(const QString &databasePath, const Programme &shown, int column,
                   const QString &text)
{
    const qint32 programmeID = shown.programmeID;
    return store::write(
        databasePath, QStringLiteral("Could not store the change"), [&](Connection &db) -> Status {
            if (column < 0 || column >= ColumnCount || tableColumns[column].stored.isEmpty())
                return db.failure(
                    QStringLiteral("The %1 column cannot be changed.").arg(columnTitle(column)));
            if (auto same = store::requireUnchanged(db, Stored::table, Stored::id, programmeID,
                                                    store::readValues(shown, shownColumns()),
                                                    shown.programmeName);
                !same)
                return same;
            Programme row;
            setCellText(row, column, text);
            if (column == Episode) {
                // A numbering a guide named that is neither of the two a
                // person types (dd_progid ...) stays with the episode, so an
                // undone edit gives back the very row.
                if (auto changed = db.execute(
                        QStringLiteral("UPDATE %1 SET %2 = ?, %3 = CASE WHEN %3 IS NULL OR %3 IN "
                                       "('onscreen', 'xmltv_ns') THEN ? ELSE %3 END WHERE %4 = ?")
                            .arg(Stored::table, Stored::episode, Stored::episodeSystem, Stored::id),
                        {store::valuesOf(row, {Stored::episode}).value(0).second,
                         store::valuesOf(row, {Stored::episodeSystem}).value(0).second,
                         programmeID});
                    !changed)
                    return changed;
            } else if (auto changed = db.update(Stored::table,
                                                store::valuesOf(row, {tableColumns[column].stored}),
                                                Stored::id, programmeID);
                       !changed) {
                return changed;
            }
            return store::requireChanged(db, Stored::table);
        });
}

namespace {

store::Status makeMoves(Connection &db, const QList<Move> &moves)
{
    for (const Move &move : moves) {
        // Moving a programme someone else has moved meanwhile would undo their move.
        if (!move.fromDate.isNull() || !move.fromTime.isNull()) {
            if (auto same = store::requireUnchanged(
                    db, Stored::table, Stored::id, move.programmeID,
                    {{Stored::startDate, QStringLiteral("Date"), move.fromDate},
                     {Stored::startTime, QStringLiteral("Start"), move.fromTime}},
                    move.name);
                !same)
                return same;
        }
        if (auto moved = db.update(Stored::table,
                                   {{Stored::startDate, store::typedText(move.startDate)},
                                    {Stored::startTime, store::typedText(move.startTime)}},
                                   Stored::id, move.programmeID);
            !moved)
            return moved;
        if (auto changed = store::requireChanged(db, Stored::table); !changed)
            return changed;
    }
    return store::success();
}

} // namespace

Result<QList<qint32>> addProgrammes(const QString &databasePath, qint32 channelID,
                                    const QList<Programme> &programmes, const QList<Move> &moves)
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
            // A row given back by undo keeps its identifier; a new one is
            // given the next by the store, which a server does only when the
            // column is left out altogether.
            const store::ColumnNames withId = store::programmeColumns();
            store::ColumnNames withoutId = withId;
            withoutId.removeOne(Stored::id);
            auto insertWithId = db.prepare(store::insertStatement(Stored::table, withId) +
                                           db.returning(Stored::id));
            if (!insertWithId)
                return insertWithId.failure();
            auto insertNew = db.prepare(store::insertStatement(Stored::table, withoutId) +
                                        db.returning(Stored::id));
            if (!insertNew)
                return insertNew.failure();
            QList<qint32> ids;
            ids.reserve(programmes.size());
            for (const Programme &p : programmes) {
                bool keepsId = false;
                if (p.programmeID > 0) {
                    taken.value().bindValue(0, p.programmeID);
                    if (auto looked = db.execute(taken.value()); !looked)
                        return looked.failure();
                    keepsId = !taken.value().next();
                    taken.value().finish();
                }
                Programme row = p;
                row.programmeID = keepsId ? p.programmeID : 0;
                row.channelID = channelID;
                QSqlQuery &q = keepsId ? insertWithId.value() : insertNew.value();
                store::bindRow(q, row, keepsId ? withId : withoutId);
                if (auto added = db.execute(q); !added)
                    return added.failure();
                const qint64 given = db.insertedId(q);
                if (given <= 0 || given > std::numeric_limits<qint32>::max())
                    return db.failure(QStringLiteral("The store gave a new programme an "
                                                     "identifier the program cannot hold."));
                ids.append(qint32(given));
            }
            if (auto moved = makeMoves(db, moves); !moved)
                return moved.failure();
            return ids;
        });
}

Result<QList<Programme>> removeProgrammes(const QString &databasePath,
                                          const QList<Programme> &shown, const QList<Move> &moves)
{
    return store::write(
        databasePath, QStringLiteral("Could not delete the programmes"),
        [&](Connection &db) -> Result<QList<Programme>> {
            auto read = db.prepare(
                QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                    .arg(store::columnList(store::programmeColumns()), Stored::table, Stored::id));
            if (!read)
                return read.failure();
            auto remove = db.prepare(
                QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Stored::table, Stored::id));
            if (!remove)
                return remove.failure();
            QList<Programme> removed;
            removed.reserve(shown.size());
            for (const Programme &programme : shown) {
                const qint32 id = programme.programmeID;
                QSqlQuery &row = read.value();
                row.bindValue(0, id);
                if (auto looked = db.execute(row); !looked)
                    return looked.failure();
                Programme was;
                const bool found = row.next();
                if (found)
                    store::readRow(row, was);
                row.finish();
                if (!found)
                    return store::naming(store::goneFailure(db, Stored::table), Stored::table,
                                         programme.programmeName);
                if (const auto changes = store::changedValues(programme, was, shownColumns());
                    !changes.isEmpty())
                    return store::conflictFailure(db, Stored::table, programme.programmeName,
                                                  changes);
                removed.append(was);
                remove.value().bindValue(0, id);
                if (auto done = db.execute(remove.value()); !done)
                    return done.failure();
                if (auto changed = store::requireChanged(db, Stored::table); !changed)
                    return changed.failure();
            }
            if (auto moved = makeMoves(db, moves); !moved)
                return moved.failure();
            return removed;
        });
}

} // namespace schedule
