#include "store/Conflict.h"

#include "store/Connection.h"
#include "store/Gone.h"

#include <QStringList>

namespace store {

namespace {

// A synopsis may run to pages; the message shows enough to recognise it.
QString shown(const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("(no value)");
    constexpr qsizetype longest = 60;
    QString line = value.simplified();
    if (line.size() > longest)
        line = line.left(longest - 1) + QChar(0x2026);
    return u'\x201c' + line + u'\x201d';
}

} // namespace

Failure conflictFailure(const Connection &db, const QString &table, const QString &name,
                        const QList<ChangedValue> &changes)
{
    QStringList lines;
    const QString which = name.isEmpty()
                              ? QStringLiteral("this %1").arg(rowKind(table))
                              : QStringLiteral("the %1 %2").arg(rowKind(table), shown(name));
    lines << QStringLiteral("Someone else changed %1 after this window read it, so nothing was "
                            "changed:")
                 .arg(which);
    for (const ChangedValue &change : changes) {
        lines << QStringLiteral("%1: was %2, now %3")
                     .arg(change.title, shown(change.read), shown(change.now));
    }
    Failure failure = db.failure(lines.join(u'\n'));
    failure.changed = table;
    return failure;
}

Status requireUnchanged(Connection &db, const QString &table, const QString &keyColumn, qint64 key,
                        const ReadValues &read, const QString &name)
{
    QStringList columns;
    for (const ReadValue &value : read)
        columns << value.column;
    if (columns.isEmpty())
        columns << keyColumn;
    auto rows = selectRow(db, table, keyColumn, key, columns.join(QStringLiteral(", ")));
    if (!rows)
        return naming(rows.failure(), table, name);
    const QSqlQuery &row = rows.value();
    QList<ChangedValue> changes;
    for (qsizetype i = 0; i < read.size(); ++i) {
        // Null and empty text compare equal: neither is a value to the user.
        const QString now = row.value(int(i)).toString();
        if (now != read.at(i).text)
            changes.append({read.at(i).title, read.at(i).text, now});
    }
    if (!changes.isEmpty())
        return conflictFailure(db, table, name, changes);
    return success();
}

} // namespace store
