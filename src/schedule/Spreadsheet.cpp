#include "schedule/Spreadsheet.h"

#include "schedule/ScheduleTimes.h"
#include "store/TypedTimes.h"

#include "times/ZoneTime.h"

#include <QRegularExpression>
#include <QStringList>

namespace schedule {

using store::readTypedDate;
using store::readTypedDuration;
using store::readTypedTime;

namespace {

QString cell(const QString &text)
{
    if (!text.contains(u'\t') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

struct Cells
{
    QList<QStringList> rows;
    QString error;
};

// Splits the text into rows of cells. A quote opens a quoted cell only at
// the start of a cell, as spreadsheets write them; elsewhere it is text.
Cells splitCells(const QString &text)
{
    Cells result;
    QStringList row;
    QString current;
    bool quoted = false;
    bool cellStarted = false;
    const qsizetype n = text.size();
    auto endRow = [&] {
        row << current;
        result.rows << row;
        row.clear();
        current.clear();
        cellStarted = false;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    current += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += c;
            }
            continue;
        }
        if (c == u'"' && !cellStarted) {
            quoted = true;
            cellStarted = true;
        } else if (c == u'\t') {
            row << current;
            current.clear();
            cellStarted = false;
        } else if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') {
            continue;
        } else if (c == u'\n') {
            endRow();
        } else {
            current += c;
            cellStarted = true;
        }
    }
    if (quoted) {
        result.error =
            QStringLiteral("Row %1: a quoted cell is never closed.").arg(result.rows.size() + 1);
        return result;
    }
    // The line break after the last row leaves nothing behind it.
    if (cellStarted || !row.isEmpty())
        endRow();
    return result;
}

bool blank(const QStringList &row)
{
    for (const QString &c : row) {
        if (!c.isEmpty())
            return false;
    }
    return true;
}

// The table column a header cell names, or -1.
int namedColumn(const QString &header)
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (header.trimmed().compare(columnTitle(column), Qt::CaseInsensitive) == 0)
            return column;
    }
    return -1;
}

QStringList allTitles(bool withEnd)
{
    QStringList titles;
    for (int column = 0; column < ColumnCount; ++column) {
        if (withEnd || column != End)
            titles << columnTitle(column);
    }
    return titles;
}

struct EndTime
{
    QTime time;
    // Days after the start's date; nothing when the cell does not say.
    std::optional<int> days;
};

// An End cell as the table writes it, a time and "+N" for the days after
// the start's date, or a time alone.
std::optional<EndTime> readEnd(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(.*?)(?:\\s*\\+\\s*([0-9]{1,3}))?$"));
    const auto match = form.match(text.trimmed());
    const auto time = readTypedTime(match.captured(1));
    if (!match.hasMatch() || !time)
        return std::nullopt;
    EndTime end{*time, std::nullopt};
    if (match.hasCaptured(2))
        end.days = match.captured(2).toInt();
    return end;
}

// The minutes from the programme's start to the End cell, by the wall clock
// in zone as the table's End column counts them; an End with no days that
// comes before the start is on the next day.
int minutesTo(const Programme &p, const EndTime &end, const QTimeZone &zone)
{
    const QDate date = *readTypedDate(p.startDate);
    const qint64 start = times::instantOf(date, *readTypedTime(p.startTime), zone);
    int days = end.days.value_or(0);
    qint64 stop = times::instantOf(date.addDays(days), end.time, zone);
    if (!end.days && stop < start)
        stop = times::instantOf(date.addDays(++days), end.time, zone);
    return int((stop - start) / 60);
}

} // namespace

QString toSpreadsheet(const QList<Programme> &programmes, const QTimeZone &zone)
{
    QString text;
    for (const Programme &p : programmes) {
        QStringList cells;
        for (int column = 0; column < ColumnCount; ++column)
            cells << cell(column == End ? endText(p, zone) : cellText(p, column));
        text += cells.join(u'\t') + u'\n';
    }
    return text;
}

Pasted fromSpreadsheet(const QString &text, const QTimeZone &zone)
{
    Pasted result;
    Cells cells = splitCells(text);
    if (!cells.error.isEmpty()) {
        result.error = cells.error;
        return result;
    }
    // Which table column each cell of a row goes to.
    QList<int> layout;
    qsizetype firstRow = 0;
    if (!cells.rows.isEmpty()) {
        const QStringList &top = cells.rows.first();
        QList<int> named;
        for (const QString &header : top)
            named << namedColumn(header);
        if (!named.contains(-1) && named.contains(int(Date))) {
            layout = named;
            firstRow = 1;
        }
    }
    for (qsizetype r = firstRow; r < cells.rows.size(); ++r) {
        const QStringList &row = cells.rows.at(r);
        if (blank(row))
            continue;
        const int number = int(r + 1);
        QList<int> columns = layout;
        if (columns.isEmpty()) {
            // Without a header the cells are the table's columns in order,
            // with or without End, with or without the last optional ones:
            // 6, 7, 8 or 9 cells each say which.
            const int full = ColumnCount - optionalColumns;
            const bool withOptional = row.size() >= ColumnCount - 1;
            const bool withEnd = withOptional ? row.size() >= ColumnCount : row.size() >= full;
            for (int column = 0; column < (withOptional ? ColumnCount : full); ++column) {
                if (withEnd || column != End)
                    columns << column;
            }
        }
        // Cells past the last column are allowed only when empty, as a
        // spreadsheet copies a selection a little wider than the data.
        bool fits = row.size() >= columns.size();
        for (qsizetype c = columns.size(); c < row.size(); ++c)
            fits = fits && row.at(c).isEmpty();
        if (!fits) {
            result.error = QStringLiteral("Row %1 has %2; %3 are expected (%4; End and "
                                          "the last %5 may be left out), or a header row that "
                                          "names the columns.")
                               .arg(number)
                               .arg(row.size() == 1 ? QStringLiteral("1 cell")
                                                    : QStringLiteral("%1 cells").arg(row.size()))
                               .arg(ColumnCount)
                               .arg(allTitles(true).join(QStringLiteral(", ")))
                               .arg(optionalColumns);
            result.programmes.clear();
            return result;
        }
        Programme p;
        QString endCell;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (columns.at(c) == End)
                endCell = row.at(c);
            else if (!row.at(c).isEmpty())
                setCellText(p, columns.at(c), row.at(c));
        }
        const auto end = endCell.isEmpty() ? std::nullopt : readEnd(endCell);
        QString wrong;
        if (!readTypedDate(p.startDate))
            wrong = QStringLiteral("the date \"%1\" cannot be read").arg(p.startDate);
        else if (!readTypedTime(p.startTime))
            wrong = QStringLiteral("the start \"%1\" cannot be read").arg(p.startTime);
        else if (!endCell.isEmpty() && !end)
            wrong = QStringLiteral("the end \"%1\" cannot be read").arg(endCell);
        else if (end && minutesTo(p, *end, zone) < 0)
            wrong = QStringLiteral("the end \"%1\" comes before the start").arg(endCell);
        else if (p.duration.isEmpty() && end)
            p.duration = QString::number(minutesTo(p, *end, zone));
        else if (!readTypedDuration(p.duration))
            wrong = QStringLiteral("the duration \"%1\" cannot be read").arg(p.duration);
        else if (end && minutesTo(p, *end, zone) != *readTypedDuration(p.duration))
            wrong = QStringLiteral("the end \"%1\" does not agree with the duration \"%2\", "
                                   "which ends at %3")
                        .arg(endCell, p.duration, endText(p, zone));
        if (!wrong.isEmpty()) {
            result.error = QStringLiteral("Row %1: %2.").arg(number).arg(wrong);
            result.programmes.clear();
            return result;
        }
        result.programmes << p;
    }
    if (result.programmes.isEmpty() && result.error.isEmpty())
        result.error = QStringLiteral("The clipboard holds no programmes.");
    return result;
}

} // namespace schedule
