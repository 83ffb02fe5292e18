#include "times/ZoneTime.h"

#include <QDateTime>

#include <limits>

namespace times {

namespace {

constexpr qint64 secondsPerDay = 86400;
// QDate's Julian day of 1970-01-01.
constexpr qint64 epochJulianDay = 2440588;

int offsetAt(const QTimeZone &zone, qint64 instant)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
}

// Reads count digits at text[at]; -1 when one of them is not a digit.
int digits(std::string_view text, std::size_t at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::optional<int> abbreviationOffset(std::string_view name)
{
    struct Known
    {
        const char *name;
        int hours;
    };
    // Abbreviations grabbers commonly write, XMLTV's own example BST among
    // them; ambiguous ones (IST, CST) are left unknown.
    static const Known known[] = {
        {"UTC", 0},  {"GMT", 0},  {"Z", 0},    {"UT", 0},   {"WET", 0},  {"WEST", 1}, {"BST", 1},
        {"CET", 1},  {"CEST", 2}, {"MET", 1},  {"MEST", 2}, {"EET", 2},  {"EEST", 3}, {"EST", -5},
        {"EDT", -4}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7},
    };
    const QLatin1String latin1(name.data(), qsizetype(name.size()));
    for (const Known &k : known) {
        if (latin1.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            return k.hours * 3600;
    }
    return std::nullopt;
}

} // namespace

std::string_view trimmed(std::string_view text)
{
    // By hand: find_first_not_of looks each character up in the set with
    // a call of its own, and the import trims four texts a programme.
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && isBlank(text[first]))
        ++first;
    while (end > first && isBlank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

ZoneOffsets::ZoneOffsets(QTimeZone zone) : m_zone(std::move(zone))
{
}

int ZoneOffsets::at(qint64 instant)
{
    if (instant >= m_from && instant < m_to)
        return m_offset;
    m_offset = offsetAt(m_zone, instant);
    m_from = instant;
    m_to = instant + 1;
    if (!m_zone.hasTransitions()) {
        // A fixed offset, as UTC has.
        m_from = std::numeric_limits<qint64>::min();
        m_to = std::numeric_limits<qint64>::max();
        return m_offset;
    }
    const QDateTime now = QDateTime::fromSecsSinceEpoch(instant, Qt::UTC);
    const QTimeZone::OffsetData before = m_zone.previousTransition(now.addSecs(1));
    const QTimeZone::OffsetData after = m_zone.nextTransition(now);
    // No transition on a side: the stretch runs on without end there (a zone
    // such as Etc/UTC says it has transitions and gives none). Looked up
    // afresh every time, it cost the schedule's checks ten times their work.
    const qint64 from = before.atUtc.isValid() ? before.atUtc.toSecsSinceEpoch()
                                               : std::numeric_limits<qint64>::min();
    const qint64 to = after.atUtc.isValid() ? after.atUtc.toSecsSinceEpoch()
                                            : std::numeric_limits<qint64>::max();
    // Kept only where the zone itself agrees at both ends of the stretch.
    if (from <= instant && instant < to &&
        (!before.atUtc.isValid() || offsetAt(m_zone, from) == m_offset) &&
        (!after.atUtc.isValid() || offsetAt(m_zone, to - 1) == m_offset)) {
        m_from = from;
        m_to = to;
    }
    return m_offset;
}

qint64 instantOf(QDate date, QTime time, const QTimeZone &zone)
{
    ZoneOffsets offsets(zone);
    return instantOf(date, time, offsets);
}

qint64 instantOf(QDate date, QTime time, ZoneOffsets &zone)
{
    return instantOf(date, time, zone, nullptr);
}

qint64 instantOf(QDate date, QTime time, ZoneOffsets &zone, OnClock *onClock)
{
    const qint64 wall =
        (date.toJulianDay() - epochJulianDay) * secondsPerDay + time.msecsSinceStartOfDay() / 1000;
    // Offsets a day either side of the wall time cover any change near it;
    // the earlier one first, so a repeated hour resolves to its first pass.
    const int before = zone.at(wall - secondsPerDay);
    const int after = zone.at(wall + secondsPerDay);
    const bool asBefore = zone.at(wall - before) == before;
    const bool asAfter = before != after && zone.at(wall - after) == after;
    if (onClock) {
        *onClock = asBefore && asAfter   ? OnClock::Repeated
                   : asBefore || asAfter ? OnClock::Once
                                         : OnClock::Skipped;
    }
    return asBefore || !asAfter ? wall - before : wall - after;
}

qint64 Timestamp::wallSeconds() const
{
    // Days since 1970-01-01 in the Gregorian calendar, counted in eras of 400
    // years that begin on 1 March, so that a leap day ends its year. QDate
    // gives the same but costs more, and the import asks twice a programme.
    const int y = year - (month <= 2 ? 1 : 0);
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yearOfEra = y - era * 400;
    const qint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const qint64 days = era * 146097 + dayOfEra - 719468;
    return days * secondsPerDay + hour * 3600 + minute * 60 + second;
}

std::optional<Timestamp> readTimestamp(std::string_view text)
{
    text = trimmed(text);
    std::size_t length = 0;
    while (length < text.size() && text[length] >= '0' && text[length] <= '9')
        ++length;
    if (length != 12 && length != 14)
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 4, 2);
    const int day = digits(text, 6, 2);
    const int hour = digits(text, 8, 2);
    const int minute = digits(text, 10, 2);
    const int second = length == 14 ? digits(text, 12, 2) : 0;
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return std::nullopt;
    Timestamp read;
    read.year = year;
    read.month = month;
    read.day = day;
    read.hour = hour;
    read.minute = minute;
    read.second = second;

    const std::string_view zone = trimmed(text.substr(length));
    if (zone.empty())
        return read;
    if ((zone[0] == '+' || zone[0] == '-') && zone.size() == 5) {
        const int hours = digits(zone, 1, 2);
        const int minutes = digits(zone, 3, 2);
        if (hours < 0 || minutes < 0 || minutes >= 60)
            return std::nullopt;
        read.offset = (zone[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
        return read;
    }
    for (const char c : zone) {
        if (!isAsciiLetter(c))
            return std::nullopt;
    }
    if (const auto known = abbreviationOffset(zone))
        read.offset = *known;
    else
        read.unknownZone = QString::fromLatin1(zone.data(), qsizetype(zone.size())).toUpper();
    return read;
}

} // namespace times
