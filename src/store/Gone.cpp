#include "store/Gone.h"

#include "store/Connection.h"
#include "store/Tables.h"

namespace store {

QString rowKind(const QString &table)
{
    if (table == tables::Project::table)
        return QStringLiteral("project");
    if (table == tables::Channel::table)
        return QStringLiteral("channel");
    if (table == tables::Programme::table)
        return QStringLiteral("programme");
    return QStringLiteral("row");
}

QString goneText(const QString &table, const QString &name)
{
    const QString which = name.isEmpty()
                              ? QStringLiteral("The selected %1").arg(rowKind(table))
                              : QStringLiteral("The %1 \"%2\"").arg(rowKind(table), name);
    return which + QStringLiteral(" is no longer in the database: another program deleted it. The "
                                  "list now shows what the database holds.");
}

QString deletedElsewhereText(const QString &table, const QString &name)
{
    const QString which = name.isEmpty()
                              ? QStringLiteral("The %1 you had open").arg(rowKind(table))
                              : QStringLiteral("The %1 \"%2\"").arg(rowKind(table), name);
    return which + QStringLiteral(" was deleted by someone else (in another Quorvel, or with "
                                  "quorvel-cli) while you had it open. Quorvel now shows what "
                                  "the database holds.");
}

Failure goneFailure(const Connection &db, const QString &table)
{
    Failure failure = db.failure(goneText(table));
    failure.gone = table;
    return failure;
}

Failure naming(Failure failure, const QString &table, const QString &name)
{
    if (failure.gone == table)
        failure.detail = goneText(table, name);
    return failure;
}

Result<QSqlQuery> selectRow(Connection &db, const QString &table, const QString &keyColumn,
                            qint64 id, const QString &columns)
{
    auto rows = db.select(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(columns, table, keyColumn), {id});
    if (!rows)
        return rows.failure();
    if (!rows.value().next())
        return goneFailure(db, table);
    return rows;
}

Status requireRow(Connection &db, const QString &table, const QString &keyColumn, qint64 id)
{
    if (auto found = selectRow(db, table, keyColumn, id, QStringLiteral("1")); !found)
        return found.failure();
    return success();
}

Status requireRow(const QString &databasePath, const QString &action, const QString &table,
                  const QString &keyColumn, qint64 id)
{
    return read(databasePath, action,
                [&](Connection &db) { return requireRow(db, table, keyColumn, id); });
}

Status requireChanged(Connection &db, const QString &table)
{
    if (db.changedRows() == 0)
        return goneFailure(db, table);
    return success();
}

} // namespace store
