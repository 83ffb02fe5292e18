#pragma once

#include "schedule/Schedule.h"

#include <QList>
#include <QString>
#include <QTimeZone>

// Programmes as the text spreadsheets put on the clipboard: one row a line,
// cells separated by tabs, a cell that holds a tab, a quote or a line break
// between double quotes with its quotes doubled.
namespace schedule {

// The programmes' cells in the table's column order, without a header row;
// End as the table shows it in zone.
QString toSpreadsheet(const QList<Programme> &programmes, const QTimeZone &zone);

struct Pasted
{
    QList<Programme> programmes;
    // Empty when every row could be read; otherwise the first row that could
    // not, by its number in the pasted text (the header counts), and why.
    QString error;
};

// Reads programmes from spreadsheet text: the table's columns, with or
// without End, or any of them in any order under a header row that names
// them. Every row needs a date and a start the schedule can read, and a
// duration, or an End ("07:00", "07:00 +1", "07:00:00") that it is worked
// out from, as the table works End out in zone. An End beside a duration
// must agree with it. Cells are kept exactly as they were; an empty cell
// leaves its column without a value.
Pasted fromSpreadsheet(const QString &text, const QTimeZone &zone);

} // namespace schedule
