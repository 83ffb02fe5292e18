#pragma once

#include "schedule/Schedule.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

// What the schedule works out from the typed dates, times and durations:
// ends, checks, repeated copies and the programme that follows another.
// Times are read on the clock as typed; a daylight-saving change moves no
// programme and makes no gap, because the guide lists clock times too.
namespace schedule {

// The date written the way `typed` was: the same form, the same number of
// digits for day and month, the same blanks around it. A form the schedule
// cannot read gives yyyy-mm-dd.
QString writeDateLike(const QString &typed, QDate date);
// The time written the way `typed` was (hh:mm, h:mm, hh:mm:ss or hhmm).
QString writeTimeLike(const QString &typed, QTime time);

// The start as seconds on a running clock, or nothing when the date or the
// start cannot be read.
std::optional<qint64> startSecond(const Programme &programme);
// The end, from the start and the duration, or nothing.
std::optional<qint64> endSecond(const Programme &programme);
// The end as the End column shows it: the clock time in the start's form,
// with "+1" for each day it runs past its start date; empty when either
// the start or the duration cannot be read.
QString endText(const Programme &programme);

enum Problem : unsigned
{
    Overlap = 1,
    Gap = 2,
    Unreadable = 4,
    NoName = 8
};

struct RowCheck
{
    unsigned problems = 0;
    // What is wrong, one sentence a line, for the tooltip and for assistive technology.
    QString text;
};

struct CheckCount
{
    int overlaps = 0;
    int gaps = 0;
    int unreadable = 0;
    int unnamed = 0;

    // "3 overlaps, 1 gap, 2 unreadable", or "No problems" when all are 0.
    QString text() const;
    // Counts a row's problems in (sign 1) or out (sign -1).
    void add(unsigned problems, int sign);
};

// Checks each programme against the next one in the list: an overlap when
// it ends after the next one starts, a gap when the next one starts more
// than gapMinutes after it ends. Also marks starts and durations that cannot
// be read and programmes without a name (blanks only count as none).
QList<RowCheck> checkSchedule(const QList<Programme> &programmes, int gapMinutes,
                              CheckCount *count = nullptr);

// One programme's check against the one after it (none for the last):
// what checkSchedule gives its row, for a change of one row without
// checking the whole channel again.
RowCheck checkProgramme(const Programme &programme, const Programme *next, int gapMinutes);

enum class Every
{
    Day,
    Weekday,
    Week
};

// Either `until` (the last date a copy may start on) or `times` copies.
struct RepeatPlan
{
    Every every = Every::Week;
    std::optional<QDate> until;
    int times = 1;
};

struct Repeated
{
    QList<Programme> copies;
    // Empty when the copies could be made; otherwise why not.
    QString error;
};

// Copies the programmes as one block: each copy of the block moves every
// date by the same number of days, counted from the block's first date, so
// programmes after midnight stay with their evening. Copies carry no
// identifier; their dates are written the way each original was typed.
Repeated repeatProgrammes(const QList<Programme> &programmes, const RepeatPlan &plan);

// The most copies of a block one repeat makes: ten years of days.
constexpr int maximumRepeats = 3660;

// The latest start date of the programmes that can be read; invalid if none.
QDate latestDate(const QList<Programme> &programmes);

// A new programme that starts when `previous` ends, with the date and time
// written the way previous's were; without a readable end, on the same date.
Programme followingProgramme(const Programme &previous);
// A first programme for an empty channel: today at midnight.
Programme firstProgramme(QDate today);

} // namespace schedule
