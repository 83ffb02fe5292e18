#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// Start dates, start times and durations are stored exactly as the user typed
// them. These read the forms people actually type, so that whatever needs a
// real date, time or length (start order, guide files with times) agrees on
// what a typed value means. Blanks around the value are ignored; anything
// else that does not fit a form gives nothing.
namespace programmes {

// yyyy-mm-dd, dd/mm/yyyy or yyyymmdd; day and month may have one digit in the
// two forms with separators.
std::optional<QDate> readTypedDate(const QString &typed);

// hh:mm, h:mm, hh:mm:ss or hhmm, on the 24-hour clock.
std::optional<QTime> readTypedTime(const QString &typed);

// A length in whole minutes: "90", "1:30", "1h30", "1h 30m", "90m", "2h".
// Minutes after hours must be below 60.
std::optional<int> readTypedDuration(const QString &typed);

} // namespace programmes
