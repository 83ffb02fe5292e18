#include "times/ProgrammeSpan.h"

#include "store/TypedTimes.h"

namespace times {

namespace {

std::optional<Instant> keptInstant(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const QByteArray utf8 = text.toUtf8();
    const auto read = readTimestamp(std::string_view(utf8.constData(), std::size_t(utf8.size())));
    if (!read || !read->unknownZone.isEmpty())
        return std::nullopt;
    return Instant{read->wallSeconds() - read->offset, read->offset};
}

} // namespace

TypedReading readTyped(const StoredTimes &stored)
{
    return {store::readTypedDate(stored.startDate), store::readTypedTime(stored.startTime),
            store::readTypedDuration(stored.duration)};
}

ProgrammeSpan programmeSpan(const StoredTimes &stored, ZoneOffsets &zone)
{
    return programmeSpan(stored, readTyped(stored), zone);
}

ProgrammeSpan programmeSpan(const StoredTimes &stored, const QTimeZone &zone)
{
    ZoneOffsets offsets(zone);
    return programmeSpan(stored, offsets);
}

ProgrammeSpan programmeSpan(const StoredTimes &stored, const TypedReading &read, ZoneOffsets &zone)
{
    ProgrammeSpan span;
    span.dateUnread = !read.date;
    span.timeUnread = !read.time;
    span.durationUnread = !read.minutes;

    // The import writes its texts as "date\ntime\nduration".
    const QStringView typed(stored.xmltvTyped);
    const qsizetype firstBreak = typed.indexOf(u'\n');
    const qsizetype secondBreak = firstBreak < 0 ? -1 : typed.indexOf(u'\n', firstBreak + 1);
    const bool asImported =
        secondBreak >= 0 && typed.indexOf(u'\n', secondBreak + 1) < 0 &&
        typed.first(firstBreak) == stored.startDate &&
        typed.sliced(firstBreak + 1, secondBreak - firstBreak - 1) == stored.startTime;
    if (asImported)
        span.start = keptInstant(stored.xmltvStart);
    span.keptStart = span.start.has_value();
    if (!span.start && read.date && read.time)
        span.start = Instant{instantOf(*read.date, *read.time, zone, &span.onClock), std::nullopt};
    if (!span.start)
        return span;

    if (span.keptStart && typed.sliced(secondBreak + 1) == stored.duration) {
        span.keptEnd = true;
        span.end = keptInstant(stored.xmltvStop);
    } else if (read.minutes) {
        span.end = Instant{span.start->at + qint64(*read.minutes) * 60, std::nullopt};
    }
    return span;
}

} // namespace times
