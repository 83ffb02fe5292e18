#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>
#include <string>
#include <string_view>

// XMLTV's times: "YYYYMMDDhhmmss +zzzz", a wall-clock time with the offset
// from UTC in force there.
namespace xmltv {

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

// The instant as "YYYYMMDDhhmmss +zzzz" with the offset zone has at that instant.
QString timestamp(qint64 instant, const QTimeZone &zone);
// The same, added to out in UTF-8.
void appendTimestamp(std::string &out, qint64 instant, ZoneOffsets &zone);
// The same with the given offset, seconds east of UTC.
void appendTimestamp(std::string &out, qint64 instant, int offset);
// The longest text formatTimestamp writes.
inline constexpr std::size_t timestampCapacity = 48;
// The same written at `at`, which has room for timestampCapacity
// characters; the number written.
std::size_t formatTimestamp(char *at, qint64 instant, int offset);

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

// Seconds from start to stop, or nothing when their zones cannot be compared.
std::optional<qint64> secondsBetween(const Timestamp &start, const Timestamp &stop);

// A programme's start and stop as the store has them.
struct StoredProgrammeTimes
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

// An instant, and the offset to write it with when the guide gave one.
struct GuideInstant
{
    qint64 instant = 0;
    std::optional<int> offset;
};

struct GuideTimes
{
    GuideInstant start;
    std::optional<GuideInstant> stop;
};

// The instants a stored programme stands for. The instants an imported guide
// gave hold while the start date and time (and, for the stop, the duration)
// are still the texts the import wrote; once the user has changed them, the
// typed text rules, read in zone. Nothing when the start cannot be read.
std::optional<GuideTimes> storedTimes(const StoredProgrammeTimes &stored, const QTimeZone &zone);

} // namespace xmltv
