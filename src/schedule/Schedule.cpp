#include "schedule/Schedule.h"

#include "store/Connection.h"
#include "store/SqliteStatement.h"

#include <sqlite3.h>

#include <limits>
#include <memory>

using store::Connection;
using store::Result;
using store::Status;

namespace schedule {

namespace {

// The store column behind each table column; End is worked out, never stored.
const char16_t *const storeColumns[ColumnCount] = {u"startDate",    u"startTime",     u"duration",
                                                   nullptr,         u"programmeName", u"category",
                                                   u"programmeDesc"};

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
    return programmeID == other.programmeID;
}

Result<QList<Programme>> loadSchedule(const QString &databasePath, qint32 channelID)
{
    return store::read(
        databasePath, QStringLiteral("Could not read the channel's schedule"),
        [&](Connection &db) -> Result<QList<Programme>> {
            // Straight from SQLite: a channel may hold a hundred thousand
            // programmes, and a QVariant for each of their values cost more
            // than reading them.
            sqlite3 *handle = store::sqliteHandle(db);
            if (!handle)
                return db.failure(QStringLiteral("The database is not an SQLite database."));
            sqlite3_stmt *statement = nullptr;
            const char *sql = "SELECT programmeID, startDate, startTime, duration, programmeName, "
                              "category, programmeDesc FROM ProgrammeData WHERE channelID = ? "
                              "ORDER BY startDateKey, startTimeKey, programmeID";
            if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) != SQLITE_OK)
                return db.failure(QString::fromUtf8(sqlite3_errmsg(handle)));
            const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> owned(statement,
                                                                               sqlite3_finalize);
            sqlite3_bind_int64(statement, 1, channelID);
            // An empty text read back is still a value: it must not turn into
            // NULL when an undo writes it again.
            auto text = [statement](int column) {
                if (sqlite3_column_type(statement, column) == SQLITE_NULL)
                    return QString();
                const auto *bytes =
                    reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
                const int size = sqlite3_column_bytes(statement, column);
                return size == 0 ? QStringLiteral("") : QString::fromUtf8(bytes, size);
            };
            QList<Programme> programmes;
            int step;
            while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
                programmes.append({qint32(sqlite3_column_int64(statement, 0)), text(1), text(2),
                                   text(3), text(4), text(5), text(6)});
            }
            if (step != SQLITE_DONE)
                return db.failure(QString::fromUtf8(sqlite3_errmsg(handle)));
            return programmes;
        });
}

Status changeValue(const QString &databasePath, qint32 programmeID, int column, const QString &text)
{
    return store::write(
        databasePath, QStringLiteral("Could not store the change"), [&](Connection &db) -> Status {
            if (column < 0 || column >= ColumnCount || !storeColumns[column])
                return db.failure(
                    QStringLiteral("The %1 column cannot be changed.").arg(columnTitle(column)));
            auto found = db.select(
                QStringLiteral("SELECT 1 FROM ProgrammeData WHERE programmeID = ?"), {programmeID});
            if (!found)
                return found.failure();
            if (!found.value().next())
                return db.failure(QStringLiteral("The programme is no longer in the database."));
            return db.update(QStringLiteral("ProgrammeData"),
                             {{QString::fromUtf16(storeColumns[column]), bound(text)}},
                             QStringLiteral("programmeID"), programmeID);
        });
}

Result<QList<qint32>> addProgrammes(const QString &databasePath, qint32 channelID,
                                    const QList<Programme> &programmes)
{
    return store::write(
        databasePath, QStringLiteral("Could not add the programmes"),
        [&](Connection &db) -> Result<QList<qint32>> {
            // Prepared once: a repeat adds thousands of rows in one go.
            auto taken = db.prepare(QStringLiteral("SELECT 1 FROM ProgrammeData "
                                                   "WHERE programmeID = ?"));
            if (!taken)
                return taken.failure();
            auto insert = db.prepare(
                QStringLiteral("INSERT INTO ProgrammeData (programmeID, channelID, startDate, "
                               "startTime, duration, programmeName, category, programmeDesc) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
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

Status removeProgrammes(const QString &databasePath, const QList<qint32> &programmeIDs)
{
    return store::write(databasePath, QStringLiteral("Could not delete the programmes"),
                        [&](Connection &db) -> Status {
                            auto remove = db.prepare(
                                QStringLiteral("DELETE FROM ProgrammeData WHERE programmeID = ?"));
                            if (!remove)
                                return remove.failure();
                            for (qint32 id : programmeIDs) {
                                remove.value().bindValue(0, id);
                                if (auto done = db.execute(remove.value()); !done)
                                    return done.failure();
                            }
                            return store::success();
                        });
}

} // namespace schedule
