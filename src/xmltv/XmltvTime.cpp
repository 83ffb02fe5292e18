#include "xmltv/XmltvTime.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>

namespace xmltv {

namespace {

// QDate's Julian day of 1970-01-01.
constexpr qint64 epochJulianDay = 2440588;
constexpr qint64 secondsPerDay = 86400;

} // namespace

QString timestamp(qint64 instant, const QTimeZone &zone)
{
    ZoneOffsets offsets(zone);
    std::string out;
    appendTimestamp(out, instant, offsets);
    return QString::fromStdString(out);
}

void appendTimestamp(std::string &out, qint64 instant, ZoneOffsets &zone)
{
    appendTimestamp(out, instant, zone.at(instant));
}

void appendTimestamp(std::string &out, qint64 instant, int offset)
{
    char text[timestampCapacity];
    out.append(text, formatTimestamp(text, instant, offset));
}

std::size_t formatTimestamp(char *at, qint64 instant, int offset)
{
    const qint64 wallSeconds = instant + offset;
    qint64 days = wallSeconds / secondsPerDay;
    qint64 seconds = wallSeconds % secondsPerDay;
    if (seconds < 0) {
        seconds += secondsPerDay;
        --days;
    }
    // Consecutive programmes mostly fall on the same day.
    thread_local qint64 lastDay = std::numeric_limits<qint64>::min();
    thread_local int year = 0, month = 0, day = 0;
    if (days != lastDay) {
        QDate::fromJulianDay(days + epochJulianDay).getDate(&year, &month, &day);
        lastDay = days;
    }
    const int minutes = qAbs(offset) / 60;
    std::size_t size = 0;
    if (year < 1 || year > 9999) {
        // Years of other than four digits, as Qt writes them.
        const QDateTime wall = QDateTime::fromSecsSinceEpoch(wallSeconds, Qt::UTC);
        const QByteArray text = wall.toString(QStringLiteral("yyyyMMddhhmmss")).toUtf8();
        size = std::min(std::size_t(text.size()), timestampCapacity - 6);
        std::memcpy(at, text.constData(), size);
    } else {
        const auto put = [&](int from, int value, int count) {
            for (int i = count - 1; i >= 0; --i, value /= 10)
                at[from + i] = char('0' + value % 10);
        };
        put(0, year, 4);
        put(4, month, 2);
        put(6, day, 2);
        put(8, int(seconds / 3600), 2);
        put(10, int(seconds / 60 % 60), 2);
        put(12, int(seconds % 60), 2);
        size = 14;
    }
    at[size++] = ' ';
    at[size++] = offset < 0 ? '-' : '+';
    at[size++] = char('0' + minutes / 60 / 10 % 10);
    at[size++] = char('0' + minutes / 60 % 10);
    at[size++] = char('0' + minutes % 60 / 10);
    at[size++] = char('0' + minutes % 60 % 10);
    return size;
}

std::optional<qint64> secondsBetween(const Timestamp &start, const Timestamp &stop)
{
    if (start.unknownZone != stop.unknownZone)
        return std::nullopt;
    return (stop.wallSeconds() - stop.offset) - (start.wallSeconds() - start.offset);
}

} // namespace xmltv
