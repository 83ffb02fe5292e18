#pragma once

#include "store/ProgrammeRow.h"
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

// The typed texts as store/TypedTimes reads them, for a caller that reads
// each distinct text once.
struct TypedReading
{
    std::optional<QDate> date;
    std::optional<QTime> time;
    std::optional<int> minutes;
};
TypedReading readTyped(const store::ProgrammeRow &stored);

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
// Only the start, the duration and the xmltv columns of the row are read:
// the export's rows are UTF-8 straight from SQLite, a million at a time.
ProgrammeSpan programmeSpan(const store::ProgrammeRow &stored, ZoneOffsets &zone);
ProgrammeSpan programmeSpan(const store::ProgrammeRow &stored, const QTimeZone &zone);
// The same with the typed texts already read.
ProgrammeSpan programmeSpan(const store::ProgrammeRow &stored, const TypedReading &read,
                            ZoneOffsets &zone);
ProgrammeSpan programmeSpan(const store::ProgrammeRowUtf8 &stored, const TypedReading &read,
                            ZoneOffsets &zone);

} // namespace times
