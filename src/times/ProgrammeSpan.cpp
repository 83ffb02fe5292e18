#include "times/ProgrammeSpan.h"

#include "store/TypedTimes.h"

namespace times {

namespace {

std::optional<Instant> keptInstant(std::string_view utf8)
{
    if (utf8.empty())
        return std::nullopt;
    const auto read = readTimestamp(utf8);
    if (!read || !read->unknownZone.isEmpty())
        return std::nullopt;
    return Instant{read->wallSeconds() - read->offset, read->offset};
}

std::optional<Instant> keptInstant(QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    return keptInstant(std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

} // namespace

TypedReading readTyped(const store::ProgrammeRow &stored)
{
    return {store::readTypedDate(stored.startDate), store::readTypedTime(stored.startTime),
            store::readTypedDuration(stored.duration)};
}

ProgrammeSpan programmeSpan(const store::ProgrammeRow &stored, ZoneOffsets &zone)
{
    return programmeSpan(stored, readTyped(stored), zone);
}

ProgrammeSpan programmeSpan(const store::ProgrammeRow &stored, const QTimeZone &zone)
{
    ZoneOffsets offsets(zone);
    return programmeSpan(stored, offsets);
}

namespace {

// The few things the rule below does with a text, for both kinds of view.
qsizetype nextBreak(QStringView text, qsizetype from)
{
    return text.indexOf(u'\n', from);
}
qsizetype nextBreak(std::string_view text, qsizetype from)
{
    const std::size_t at = text.find('\n', std::size_t(from));
    return at == std::string_view::npos ? -1 : qsizetype(at);
}
QStringView part(QStringView text, qsizetype from, qsizetype length = -1)
{
    return length < 0 ? text.sliced(from) : text.sliced(from, length);
}
std::string_view part(std::string_view text, qsizetype from, qsizetype length = -1)
{
    return text.substr(std::size_t(from),
                       length < 0 ? std::string_view::npos : std::size_t(length));
}

template<typename View>
ProgrammeSpan spanOf(View startDate, View startTime, View duration, View xmltvStart, View xmltvStop,
                     View typed, const TypedReading &read, ZoneOffsets &zone)
{
    ProgrammeSpan span;
    span.dateUnread = !read.date;
    span.timeUnread = !read.time;
    span.durationUnread = !read.minutes;

    // The import writes its texts as "date\ntime\nduration".
    const qsizetype firstBreak = nextBreak(typed, 0);
    const qsizetype secondBreak = firstBreak < 0 ? -1 : nextBreak(typed, firstBreak + 1);
    const bool asImported = secondBreak >= 0 && nextBreak(typed, secondBreak + 1) < 0 &&
                            part(typed, 0, firstBreak) == startDate &&
                            part(typed, firstBreak + 1, secondBreak - firstBreak - 1) == startTime;
    if (asImported)
        span.start = keptInstant(xmltvStart);
    span.keptStart = span.start.has_value();
    if (!span.start && read.date && read.time)
        span.start = Instant{instantOf(*read.date, *read.time, zone, &span.onClock), std::nullopt};
    if (!span.start)
        return span;

    if (span.keptStart && part(typed, secondBreak + 1) == duration) {
        span.keptEnd = true;
        span.end = keptInstant(xmltvStop);
    } else if (read.minutes) {
        span.end = Instant{span.start->at + qint64(*read.minutes) * 60, std::nullopt};
    }
    return span;
}

} // namespace

ProgrammeSpan programmeSpan(const store::ProgrammeRow &stored, const TypedReading &read,
                            ZoneOffsets &zone)
{
    return spanOf<QStringView>(stored.startDate, stored.startTime, stored.duration,
                               stored.xmltvStart, stored.xmltvStop, stored.xmltvTyped, read, zone);
}

ProgrammeSpan programmeSpan(const store::ProgrammeRowUtf8 &stored, const TypedReading &read,
                            ZoneOffsets &zone)
{
    return spanOf(stored.startDate, stored.startTime, stored.duration, stored.xmltvStart,
                  stored.xmltvStop, stored.xmltvTyped, read, zone);
}

} // namespace times
