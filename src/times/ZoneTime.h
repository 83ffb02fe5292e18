#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>
#include <string_view>

// Wall clocks and instants in a zone, and the "YYYYMMDDhhmmss +zzzz" times
// XMLTV guides give, which the store keeps beside an imported programme.
namespace times {

// A zone's offsets from UTC, each looked up once for the stretch between two
// of its changes rather than again for every instant: a guide has far more
// programmes than its zone has changes, and asking the zone is slow.
class ZoneOffsets
{
public:
    explicit ZoneOffsets(QTimeZone zone);

    // Seconds east of UTC in force at the instant.
    int at(qint64 instant);

private:
    QTimeZone m_zone;
    // The stretch known to have m_offset, from inclusive, to exclusive.
    qint64 m_from = 1;
    qint64 m_to = 0;
    int m_offset = 0;
};

// Seconds since the epoch of a wall-clock date and time in zone. A time that
// a daylight-saving change skips is taken with the offset in force before
// the change, as if the clocks had not gone forward yet; a time it repeats is
// the first of the two.
qint64 instantOf(QDate date, QTime time, const QTimeZone &zone);
qint64 instantOf(QDate date, QTime time, ZoneOffsets &zone);

// How often a zone's wall clock shows a date and time: once, never (the
// clocks go forward past it) or twice (they go back over it).
enum class OnClock
{
    Once,
    Skipped,
    Repeated
};
// instantOf, also saying how often the clock shows the time.
qint64 instantOf(QDate date, QTime time, ZoneOffsets &zone, OnClock *onClock);

// A time read from an XMLTV file, wall clock as written.
struct Timestamp
{
    // As written, so that nothing works them out again from a day number.
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    // Seconds east of UTC; UTC when the file gives no zone.
    int offset = 0;
    // A zone named by an abbreviation this reader does not know: its offset
    // is unknown, and only a time in the same zone can be compared with it.
    QString unknownZone;

    // Seconds since the epoch, counting the wall clock as if it were UTC.
    qint64 wallSeconds() const;
};

// The text without the blanks XML allows around a value.
std::string_view trimmed(std::string_view text);

// "YYYYMMDDhhmm" or "YYYYMMDDhhmmss", then optionally a zone: "+zzzz",
// "-zzzz" or a known abbreviation such as "UTC" or "BST". Nothing for other text.
std::optional<Timestamp> readTimestamp(std::string_view text);

} // namespace times
