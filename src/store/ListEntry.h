#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One line of a list window: the text the user sees, with the identifier of
// its row kept beside it. Commands act on the identifier, never on the text.
struct ListEntry
{
    QString text;
    qint32 id = 0;
};

using ListEntries = QList<ListEntry>;
