#include "export/XmltvTime.h"

#include <QDateTime>

namespace xmltv {

namespace {

constexpr qint64 secondsPerDay = 86400;
// QDate's Julian day of 1970-01-01.
constexpr qint64 epochJulianDay = 2440588;

int offsetAt(const QTimeZone &zone, qint64 instant)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
}

// Reads count digits at text[at]; -1 when one of them is not a digit.
int digits(QStringView text, qsizetype at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[at + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

std::optional<int> abbreviationOffset(QStringView name)
{
    struct Known
    {
        const char16_t *name;
        int hours;
    };
    // Abbreviations grabbers commonly write, XMLTV's own example BST among
    // them; ambiguous ones (IST, CST) are left unknown.
    static const Known known[] = {
        {u"UTC", 0},  {u"GMT", 0},  {u"Z", 0},    {u"UT", 0},   {u"WET", 0},
        {u"WEST", 1}, {u"BST", 1},  {u"CET", 1},  {u"CEST", 2}, {u"MET", 1},
        {u"MEST", 2}, {u"EET", 2},  {u"EEST", 3}, {u"EST", -5}, {u"EDT", -4},
        {u"MST", -7}, {u"MDT", -6}, {u"PST", -8}, {u"PDT", -7},
    };
    for (const Known &k : known) {
        if (name.compare(QStringView(k.name), Qt::CaseInsensitive) == 0)
            return k.hours * 3600;
    }
    return std::nullopt;
}

} // namespace

qint64 instantOf(QDate date, QTime time, const QTimeZone &zone)
{
    const qint64 wall =
        (date.toJulianDay() - epochJulianDay) * secondsPerDay + time.msecsSinceStartOfDay() / 1000;
    // Offsets a day either side of the wall time cover any change near it;
    // the earlier one first, so a repeated hour resolves to its first pass.
    const int before = offsetAt(zone, wall - secondsPerDay);
    const int after = offsetAt(zone, wall + secondsPerDay);
    for (const int offset : {before, after}) {
        if (offsetAt(zone, wall - offset) == offset)
            return wall - offset;
    }
    return wall - before;
}

QString timestamp(qint64 instant, const QTimeZone &zone)
{
    const int offset = offsetAt(zone, instant);
    const QDateTime wall = QDateTime::fromSecsSinceEpoch(instant + offset, Qt::UTC);
    const int minutes = qAbs(offset) / 60;
    return QStringLiteral("%1 %2%3%4")
        .arg(wall.toString(QStringLiteral("yyyyMMddhhmmss")),
             offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

qint64 Timestamp::wallSeconds() const
{
    return (date.toJulianDay() - epochJulianDay) * secondsPerDay +
           time.msecsSinceStartOfDay() / 1000;
}

std::optional<Timestamp> readTimestamp(QStringView text)
{
    text = text.trimmed();
    qsizetype length = 0;
    while (length < text.size() && text[length].isDigit())
        ++length;
    if (length != 12 && length != 14)
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 4, 2);
    const int day = digits(text, 6, 2);
    const int hour = digits(text, 8, 2);
    const int minute = digits(text, 10, 2);
    const int second = length == 14 ? digits(text, 12, 2) : 0;
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 ||
        !QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second)) {
        return std::nullopt;
    }
    Timestamp read;
    read.date = QDate(year, month, day);
    read.time = QTime(hour, minute, second);

    const QStringView zone = text.mid(length).trimmed();
    if (zone.isEmpty())
        return read;
    if ((zone[0] == u'+' || zone[0] == u'-') && zone.size() == 5) {
        const int hours = digits(zone, 1, 2);
        const int minutes = digits(zone, 3, 2);
        if (hours < 0 || minutes < 0 || minutes >= 60)
            return std::nullopt;
        read.offset = (zone[0] == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
        return read;
    }
    for (const QChar c : zone) {
        if (!c.isLetter() || c.unicode() > 127)
            return std::nullopt;
    }
    if (const auto known = abbreviationOffset(zone))
        read.offset = *known;
    else
        read.unknownZone = zone.toString().toUpper();
    return read;
}

std::optional<qint64> secondsBetween(const Timestamp &start, const Timestamp &stop)
{
    if (start.unknownZone != stop.unknownZone)
        return std::nullopt;
    return (stop.wallSeconds() - stop.offset) - (start.wallSeconds() - start.offset);
}

} // namespace xmltv
