#pragma once

#include "times/ZoneTime.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>
#include <string_view>

// When a programme runs. Everything that places a programme in time (the
// schedule's End column and checks, the guide grid, the XMLTV export and the
// import's replacing of a stretch) asks here, so all of them agree.
namespace times {

// A programme's start and stop as the store has them.
struct StoredTimes
{
    // As typed, in the editors or by the import.
    QString startDate;
    QString startTime;
    QString duration;
    // What the import kept beside them, empty for a programme made in Quorvel.
    QString xmltvStart;
    QString xmltvStop;
    QString xmltvTyped;
};

// The same as SQLite holds them, in UTF-8: the export goes through a
// million rows and makes no string of its own for any of them.
struct StoredTimesUtf8
{
    std::string_view startDate;
    std::string_view startTime;
    std::string_view duration;
    std::string_view xmltvStart;
    std::string_view xmltvStop;
    std::string_view xmltvTyped;
};

// The typed texts as store/TypedTimes reads them, for a caller that reads
// each distinct text once.
struct TypedReading
{
    std::optional<QDate> date;
    std::optional<QTime> time;
    std::optional<int> minutes;
};
TypedReading readTyped(const StoredTimes &stored);

// An instant, and the offset to show it with when the guide gave one.
struct Instant
{
    qint64 at = 0;
    std::optional<int> offset;
};

struct ProgrammeSpan
{
    // Nothing when the start cannot be read.
    std::optional<Instant> start;
    // Nothing when the duration cannot be read or the guide gave no stop.
    // A length of nothing ends where it starts.
    std::optional<Instant> end;
    // The guide's instants: the start while the typed date and time are the
    // import's texts; the end (or its lack) while the duration is too.
    bool keptStart = false;
    bool keptEnd = false;
    // Which typed texts cannot be read, blank ones included.
    bool dateUnread = false;
    bool timeUnread = false;
    bool durationUnread = false;
    // How often the clock shows a typed start; a guide's start is an instant
    // and happens once.
    OnClock onClock = OnClock::Once;
};

// The instants the guide gave while the texts beside them are unchanged;
// otherwise the typed date and time read as the wall clock in zone, with
// daylight saving, and the duration as time that passes. A start the clock
// skips is taken as if the clocks had not gone forward yet; one it repeats
// is the first of the two.
ProgrammeSpan programmeSpan(const StoredTimes &stored, ZoneOffsets &zone);
ProgrammeSpan programmeSpan(const StoredTimes &stored, const QTimeZone &zone);
// The same with the typed texts already read.
ProgrammeSpan programmeSpan(const StoredTimes &stored, const TypedReading &read, ZoneOffsets &zone);
ProgrammeSpan programmeSpan(const StoredTimesUtf8 &stored, const TypedReading &read,
                            ZoneOffsets &zone);

} // namespace times
