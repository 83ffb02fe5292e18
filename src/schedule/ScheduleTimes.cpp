#include "schedule/ScheduleTimes.h"

#include "programmes/Programmes.h"
#include "store/TypedTimes.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace schedule {

using store::readTypedDate;
using store::readTypedDuration;
using store::readTypedTime;

namespace {

// The blanks before and after a typed value, kept when it is written again.
struct Blanks
{
    QString before;
    QString core;
    QString after;
};

Blanks split(const QString &typed)
{
    int first = 0;
    while (first < typed.size() && typed.at(first).isSpace())
        ++first;
    int last = int(typed.size());
    while (last > first && typed.at(last - 1).isSpace())
        --last;
    return {typed.left(first), typed.mid(first, last - first), typed.mid(last)};
}

QString padded(int value, qsizetype width)
{
    return QString::number(value).rightJustified(width, u'0');
}

const QRegularExpression &isoDate()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    return re;
}

const QRegularExpression &dayFirstDate()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    return re;
}

const QRegularExpression &clockTime()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})(:\\d{2})?$"));
    return re;
}

QString plural(int count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

// "45 minutes", "1 hour 30 minutes", "214 days 14 hours": a gap of weeks
// read in minutes ("309000 minutes") says nothing at a glance.
QString minutesText(qint64 seconds)
{
    const qint64 minutes = (seconds + 59) / 60;
    const qint64 parts[] = {minutes / (24 * 60), minutes / 60 % 24, minutes % 60};
    const QString names[][2] = {{QStringLiteral("day"), QStringLiteral("days")},
                                {QStringLiteral("hour"), QStringLiteral("hours")},
                                {QStringLiteral("minute"), QStringLiteral("minutes")}};
    QStringList said;
    for (int i = 0; i < 3; ++i) {
        if (parts[i] != 0)
            said << plural(int(parts[i]), names[i][0], names[i][1]);
    }
    return said.isEmpty() ? plural(0, names[2][0], names[2][1]) : said.join(u' ');
}

// Reads each distinct typed value once: a channel's hundred thousand
// programmes share a few thousand dates and a few dozen times and lengths,
// and looking one up costs far less than reading it again.
template<typename T, std::optional<T> (*read)(const QString &)> class Memo
{
public:
    std::optional<T> operator()(const QString &typed)
    {
        // Programmes in start order mostly share the date and the length of
        // the one before.
        if (m_hasLast && typed == m_lastTyped && typed.isNull() == m_lastTyped.isNull())
            return m_last;
        auto found = m_read.constFind(typed);
        if (found == m_read.constEnd())
            found = m_read.insert(typed, read(typed));
        m_hasLast = true;
        m_lastTyped = typed;
        m_last = *found;
        return m_last;
    }

private:
    QHash<QString, std::optional<T>> m_read;
    bool m_hasLast = false;
    QString m_lastTyped;
    std::optional<T> m_last;
};

} // namespace

QString writeDateLike(const QString &typed, QDate date)
{
    const Blanks b = split(typed);
    QString written;
    if (auto m = isoDate().match(b.core); m.hasMatch()) {
        written = QStringLiteral("%1-%2-%3")
                      .arg(padded(date.year(), 4), padded(date.month(), m.capturedLength(2)),
                           padded(date.day(), m.capturedLength(3)));
    } else if (auto d = dayFirstDate().match(b.core); d.hasMatch()) {
        written = QStringLiteral("%1/%2/%3")
                      .arg(padded(date.day(), d.capturedLength(1)),
                           padded(date.month(), d.capturedLength(2)), padded(date.year(), 4));
    } else if (b.core.size() == 8 && readTypedDate(b.core)) {
        written = date.toString(QStringLiteral("yyyyMMdd"));
    } else {
        return date.toString(Qt::ISODate);
    }
    return b.before + written + b.after;
}

QString writeTimeLike(const QString &typed, QTime time)
{
    const Blanks b = split(typed);
    QString written;
    if (auto m = clockTime().match(b.core); m.hasMatch()) {
        written = padded(time.hour(), m.capturedLength(1)) + u':' + padded(time.minute(), 2);
        if (m.hasCaptured(3))
            written += u':' + padded(time.second(), 2);
    } else if (b.core.size() == 4 && readTypedTime(b.core)) {
        written = padded(time.hour(), 2) + padded(time.minute(), 2);
    } else {
        return time.toString(QStringLiteral("HH:mm"));
    }
    return b.before + written + b.after;
}

namespace {

// The wall clock in zone at the instant.
QDateTime wallClock(qint64 instant, times::ZoneOffsets &zone)
{
    return QDateTime::fromSecsSinceEpoch(instant + zone.at(instant), Qt::UTC);
}

} // namespace

times::ProgrammeSpan spanOf(const Programme &programme, times::ZoneOffsets &zone)
{
    return times::programmeSpan(programme, zone);
}

QString endText(const Programme &programme, const QTimeZone &zone)
{
    times::ZoneOffsets offsets(zone);
    const times::ProgrammeSpan span = spanOf(programme, offsets);
    if (!span.start || !span.end)
        return QString();
    const QDateTime end = wallClock(span.end->at, offsets);
    QString text = writeTimeLike(split(programme.startTime).core, end.time());
    // Days past the date the Date column shows.
    const QDate from =
        readTypedDate(programme.startDate).value_or(wallClock(span.start->at, offsets).date());
    const qint64 days = from.daysTo(end.date());
    if (days > 0)
        text += QStringLiteral(" +%1").arg(days);
    return text;
}

QString CheckCount::text() const
{
    QStringList parts;
    if (overlaps)
        parts << plural(overlaps, QStringLiteral("overlap"), QStringLiteral("overlaps"));
    if (gaps)
        parts << plural(gaps, QStringLiteral("gap"), QStringLiteral("gaps"));
    if (unreadable)
        parts << QStringLiteral("%1 unreadable").arg(unreadable);
    if (unnamed)
        parts << QStringLiteral("%1 without a name").arg(unnamed);
    if (clockChanges) {
        parts << plural(clockChanges, QStringLiteral("start at a clock change"),
                        QStringLiteral("starts at a clock change"));
    }
    return parts.isEmpty() ? QStringLiteral("No problems") : parts.join(QStringLiteral(", "));
}

void CheckCount::add(unsigned problems, int sign)
{
    overlaps += problems & Overlap ? sign : 0;
    gaps += problems & Gap ? sign : 0;
    unreadable += problems & Unreadable ? sign : 0;
    unnamed += problems & NoName ? sign : 0;
    clockChanges += problems & ClockChange ? sign : 0;
}

namespace {

RowCheck describe(const Programme &p, const times::ProgrammeSpan &span,
                  std::optional<qint64> nextStart, int gapMinutes)
{
    RowCheck check;
    QStringList said;
    if (span.dateUnread)
        said << QStringLiteral("The date \"%1\" cannot be read.").arg(p.startDate);
    if (span.timeUnread)
        said << QStringLiteral("The start \"%1\" cannot be read.").arg(p.startTime);
    if (span.durationUnread)
        said << QStringLiteral("The duration \"%1\" cannot be read.").arg(p.duration);
    if (!said.isEmpty())
        check.problems |= Unreadable;
    if (std::all_of(p.programmeName.cbegin(), p.programmeName.cend(),
                    [](QChar c) { return c.isSpace(); })) {
        check.problems |= NoName;
        said << QStringLiteral("The programme has no name.");
    }
    if (span.onClock != times::OnClock::Once) {
        check.problems |= ClockChange;
        const QString start = split(p.startTime).core;
        const QString date = split(p.startDate).core;
        said << (span.onClock == times::OnClock::Skipped
                     ? QStringLiteral("The start %1 on %2 does not happen on the clock: it falls "
                                      "in the hour the clocks go forward.")
                           .arg(start, date)
                     : QStringLiteral("The start %1 on %2 happens twice: the clocks go back at "
                                      "that hour.")
                           .arg(start, date));
    }
    if (span.end && nextStart) {
        const qint64 end = span.end->at;
        if (end > *nextStart) {
            check.problems |= Overlap;
            said << QStringLiteral("Overlaps the next programme by %1.")
                        .arg(minutesText(end - *nextStart));
        } else if (*nextStart - end > qint64(qMax(0, gapMinutes)) * 60) {
            check.problems |= Gap;
            said << QStringLiteral("Leaves a gap of %1 before the next programme.")
                        .arg(minutesText(*nextStart - end));
        }
    }
    if (!said.isEmpty())
        check.text = said.join(u'\n');
    return check;
}

std::optional<qint64> startOf(const times::ProgrammeSpan &span)
{
    return span.start ? std::optional<qint64>(span.start->at) : std::nullopt;
}

} // namespace

QList<RowCheck> checkSchedule(const QList<Programme> &programmes, int gapMinutes,
                              const QTimeZone &zone, CheckCount *count)
{
    const qsizetype n = programmes.size();
    // Worked out once: each start is compared with the end before it.
    QList<times::ProgrammeSpan> spans(n);
    Memo<QDate, readTypedDate> dateOf;
    Memo<QTime, readTypedTime> timeOf;
    Memo<int, readTypedDuration> lengthOf;
    times::ZoneOffsets offsets(zone);
    for (qsizetype i = 0; i < n; ++i) {
        const Programme &p = programmes.at(i);
        spans[i] = times::programmeSpan(
            p, {dateOf(p.startDate), timeOf(p.startTime), lengthOf(p.duration)}, offsets);
    }
    QList<RowCheck> checks(n);
    CheckCount counted;
    for (qsizetype i = 0; i < n; ++i) {
        checks[i] = describe(programmes.at(i), spans.at(i),
                             i + 1 < n ? startOf(spans.at(i + 1)) : std::nullopt, gapMinutes);
        counted.add(checks.at(i).problems, 1);
    }
    if (count)
        *count = counted;
    return checks;
}

RowCheck checkProgramme(const Programme &programme, const Programme *next, int gapMinutes,
                        const QTimeZone &zone)
{
    times::ZoneOffsets offsets(zone);
    return describe(programme, spanOf(programme, offsets),
                    next ? startOf(spanOf(*next, offsets)) : std::nullopt, gapMinutes);
}

Repeated repeatProgrammes(const QList<Programme> &programmes, const RepeatPlan &plan)
{
    Repeated result;
    if (programmes.isEmpty()) {
        result.error = QStringLiteral("Select the programmes to repeat.");
        return result;
    }
    QList<QDate> dates;
    dates.reserve(programmes.size());
    QDate first;
    for (const Programme &p : programmes) {
        const auto date = readTypedDate(p.startDate);
        if (!date) {
            result.error = QStringLiteral("The date \"%1\" of \"%2\" cannot be read, so it "
                                          "cannot be moved.")
                               .arg(p.startDate, p.programmeName);
            return result;
        }
        dates << *date;
        if (!first.isValid() || *date < first)
            first = *date;
    }
    // The dates the block's first day moves to, one for each copy.
    QList<QDate> occurrences;
    QDate next = first;
    while (true) {
        if (!plan.until && occurrences.size() >= plan.times)
            break;
        switch (plan.every) {
        case Every::Day:
            next = next.addDays(1);
            break;
        case Every::Week:
            next = next.addDays(7);
            break;
        case Every::Weekday:
            do {
                next = next.addDays(1);
            } while (next.dayOfWeek() > 5);
            break;
        }
        if (plan.until && next > *plan.until)
            break;
        if (occurrences.size() >= maximumRepeats) {
            result.error = QStringLiteral("That would repeat the programmes more than %1 times.")
                               .arg(maximumRepeats);
            return result;
        }
        occurrences << next;
    }
    result.copies.reserve(occurrences.size() * programmes.size());
    for (const QDate &occurrence : std::as_const(occurrences)) {
        const qint64 shift = first.daysTo(occurrence);
        for (qsizetype i = 0; i < programmes.size(); ++i) {
            Programme copy = programmes.at(i);
            copy.programmeID = 0;
            // A copy is no programme of the guide's.
            copy.xmltvStart.clear();
            copy.xmltvStop.clear();
            copy.xmltvTyped.clear();
            copy.xmltvExtra.clear();
            copy.startDate = writeDateLike(copy.startDate, dates.at(i).addDays(shift));
            result.copies << copy;
        }
    }
    return result;
}

QDate latestDate(const QList<Programme> &programmes)
{
    QDate latest;
    for (const Programme &p : programmes) {
        if (const auto date = readTypedDate(p.startDate);
            date && (!latest.isValid() || *date > latest))
            latest = *date;
    }
    return latest;
}

Programme followingProgramme(const Programme &previous, const QTimeZone &zone)
{
    Programme next;
    // The category is the user's to choose; the length is the one before's.
    next.category = QStringLiteral("");
    next.duration = readTypedDuration(previous.duration) ? previous.duration : QStringLiteral("30");
    times::ZoneOffsets offsets(zone);
    const times::ProgrammeSpan span = spanOf(previous, offsets);
    if (!span.end) {
        next.startDate = previous.startDate;
        return next;
    }
    const QDateTime end = wallClock(span.end->at, offsets);
    next.startDate = writeDateLike(previous.startDate, end.date());
    next.startTime = writeTimeLike(previous.startTime, end.time());
    return next;
}

Room makeRoom(const QList<Programme> &programmes, const Programme &inserted, const QTimeZone &zone)
{
    Room room;
    times::ZoneOffsets offsets(zone);
    const times::ProgrammeSpan span = spanOf(inserted, offsets);
    const auto minutes = readTypedDuration(inserted.duration);
    if (!span.start || !minutes || *minutes == 0)
        return room;
    const qint64 from = span.start->at;
    const QDate day = wallClock(from, offsets).date();
    for (const Programme &p : programmes) {
        const times::ProgrammeSpan starts = spanOf(p, offsets);
        if (!starts.start || starts.start->at < from)
            continue;
        const QDateTime was = wallClock(starts.start->at, offsets);
        // The rest of the day only: tomorrow's schedule stays as it is.
        if (was.date() != day)
            continue;
        const QDateTime moved = was.addSecs(qint64(*minutes) * 60);
        const QString date = writeDateLike(p.startDate, moved.date());
        const QString time = writeTimeLike(p.startTime, moved.time());
        room.moves.append({p.programmeID, date, time, p.startDate, p.startTime, p.programmeName});
        room.back.append({p.programmeID, p.startDate, p.startTime, date, time, p.programmeName});
    }
    return room;
}

Programme firstProgramme(QDate today)
{
    Programme first;
    first.startDate = today.toString(Qt::ISODate);
    first.startTime = QStringLiteral("00:00");
    first.duration = QStringLiteral("30");
    first.category = QStringLiteral("");
    return first;
}

} // namespace schedule
