#pragma once

#include "store/Result.h"

#include <QList>
#include <QString>

// Several editors may have the same row open at once. A window keeps what
// it read; a save, or an undo, compares that with what the row holds now,
// inside its own transaction, and changes nothing when someone else changed
// it in the meantime: nobody's change is overwritten without being seen.
namespace store {

class Connection;

// One column's value as the window read it.
struct ReadValue
{
    QString column;
    // What the user calls the column in a message.
    QString title;
    // Null text for a column without a value, which passes for empty text:
    // the user sees no difference between the two.
    QString text;
};
using ReadValues = QList<ReadValue>;

// A value that someone else changed: as the window read it, and now.
struct ChangedValue
{
    QString title;
    QString read;
    QString now;
};

// The failure of a save over the row of table that someone else changed:
// `name` is the row as the window shows it, `changes` what differs.
Failure conflictFailure(const Connection &db, const QString &table, const QString &name,
                        const QList<ChangedValue> &changes);

// Whether the row of table whose keyColumn holds key still holds `read`; a
// conflict failure naming each value that differs when not, a gone failure
// (store/Gone.h) when the row is no more.
Status requireUnchanged(Connection &db, const QString &table, const QString &keyColumn, qint64 key,
                        const ReadValues &read, const QString &name);

} // namespace store
