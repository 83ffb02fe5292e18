#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

// Start dates, start times and durations are stored exactly as the user typed
// them. This is the one place that says which typed forms are a real date,
// time or length: the programme list's start order (worked out by SQLite from
// the SQL below) and everything that reads a start in C++ (the guide export,
// overlap checks) agree because both come from the one table of forms here.
//
// Blanks (space, tab, line breaks) around a value are ignored; anything else
// that does not fit a form, or fits one but names no real date or time (31 April,
// 29 February outside a leap year, hour 24, minute 60), gives nothing.
namespace store {

// yyyy-mm-dd, dd/mm/yyyy or yyyymmdd; day and month may have one digit in the
// two forms with separators. Years 0001 to 9999.
std::optional<QDate> readTypedDate(const QString &typed);

// hh:mm, h:mm, hh:mm:ss, h:mm:ss or hhmm, on the 24-hour clock.
std::optional<QTime> readTypedTime(const QString &typed);

// A length in whole minutes: "90", "1:30", "01:30:00", "1h30", "1h 30m", "90m", "2h".
// Minutes after hours must be below 60.
std::optional<int> readTypedDuration(const QString &typed);

// The forms, each written with Y, M, D, h, m and s for one digit of the year,
// month, day, hour, minute and second; every other character stands for
// itself. The most common form comes first.
const QList<QLatin1StringView> &typedDateForms();
const QList<QLatin1StringView> &typedTimeForms();

// SQL expressions that give the sort key of a typed start date or time held in
// `column`: '0' and the value as yyyy-mm-dd or hh:mm:ss when it reads as a date
// or time, so readable values sort in time order; '1' and the text as stored
// otherwise, so the rest follows, as text. schema.sql holds these very
// expressions for its generated columns; they use only SQLite's own functions,
// so any SQLite tool can open, read and write the database. For a server,
// the same rule in PostgreSQL's SQL.
QString startDateKeySql(const QString &column, bool server = false);
QString startTimeKeySql(const QString &column, bool server = false);

} // namespace store
