#pragma once

#include "schedule/Schedule.h"
#include "times/ProgrammeSpan.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>

// What the schedule works out from the typed dates, times and durations:
// ends, checks, repeated copies and the programme that follows another.
// A programme runs when times::programmeSpan says, as on the guide grid and
// in the XMLTV export: typed starts are the wall clock of a zone, and a
// duration is time that passes, so across a daylight-saving change a
// programme ends an hour earlier or later on the clock than its minutes
// alone would say, and may overlap the next one or leave a gap.
namespace schedule {

// The date written the way `typed` was: the same form, the same number of
// digits for day and month, the same blanks around it. A form the schedule
// cannot read gives yyyy-mm-dd.
QString writeDateLike(const QString &typed, QDate date);
// The time written the way `typed` was (hh:mm, h:mm, hh:mm:ss or hhmm).
QString writeTimeLike(const QString &typed, QTime time);

// When the programme runs in zone.
times::ProgrammeSpan spanOf(const Programme &programme, times::ZoneOffsets &zone);
// The end as the End column shows it: the clock time in zone, in the
// start's form, with "+1" for each day it runs past its start date; empty
// when the start or the end cannot be worked out.
QString endText(const Programme &programme, const QTimeZone &zone);

enum Problem : unsigned
{
    Overlap = 1,
    Gap = 2,
    Unreadable = 4,
    NoName = 8,
    // A typed start the clock skips or shows twice.
    ClockChange = 16
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
    int clockChanges = 0;

    // "3 overlaps, 1 gap, 2 unreadable", or "No problems" when all are 0.
    QString text() const;
    // Counts a row's problems in (sign 1) or out (sign -1).
    void add(unsigned problems, int sign);
};

// Checks each programme against the next one in the list: an overlap when
// it ends after the next one starts, a gap when the next one starts more
// than gapMinutes after it ends. Also marks starts and durations that cannot
// be read, programmes without a name (blanks only count as none) and
// starts the clock of zone skips or shows twice.
QList<RowCheck> checkSchedule(const QList<Programme> &programmes, int gapMinutes,
                              const QTimeZone &zone, CheckCount *count = nullptr);

// One programme's check against the one after it (none for the last):
// what checkSchedule gives its row, for a change of one row without
// checking the whole channel again.
RowCheck checkProgramme(const Programme &programme, const Programme *next, int gapMinutes,
                        const QTimeZone &zone);

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

// A new programme that starts when `previous` ends on the clock of zone,
// with the date and time written the way previous's were, as long as it, and
// no category yet; without a readable end, on the same date.
Programme followingProgramme(const Programme &previous, const QTimeZone &zone);
// Room for `inserted`: the programmes that start at or after it on the same
// day move later by its length, each start written as it was typed. `moves`
// makes the room, `back` takes it away again.
struct Room
{
    QList<Move> moves;
    QList<Move> back;
};
Room makeRoom(const QList<Programme> &programmes, const Programme &inserted, const QTimeZone &zone);

// A first programme for an empty channel: today at midnight.
Programme firstProgramme(QDate today);

} // namespace schedule
