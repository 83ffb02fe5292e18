#include "grid/GridLayout.h"

#include "store/Connection.h"
#include "store/TypedTimes.h"
#include "times/ProgrammeSpan.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <utility>

namespace grid {

namespace {

const QHash<QString, Family> &families()
{
    static const QHash<QString, Family> map = [] {
        QHash<QString, Family> m;
        const auto put = [&m](Family family, std::initializer_list<const char16_t *> names) {
            for (const char16_t *name : names)
                m.insert(QString::fromUtf16(name), family);
        };
        put(Family::News,
            {u"News", u"Political", u"Business and Finance", u"Consumer", u"Magazine Programme"});
        put(Family::Drama, {u"Drama", u"Soap", u"Series", u"Science Fiction Series"});
        put(Family::Film, {u"Film"});
        put(Family::Entertainment, {u"Entertainment", u"Adult Entertainment", u"Comedy", u"Sitcom",
                                    u"Game Show", u"Quiz Show", u"Talk Show"});
        put(Family::Children, {u"Childrens", u"Animation", u"Kids Drama"});
        put(Family::Factual, {u"Documentary", u"History Documentary", u"Scientific Documentary",
                              u"Nature", u"Education", u"Health", u"Technology", u"Travel"});
        put(Family::Sport, {u"Sport"});
        put(Family::ArtsAndOther, {u"Arts", u"Music", u"Religious", u"Special Interest", u"Cookery",
                                   u"DIY", u"Fashion", u"Gardening", u"Motoring"});
        return m;
    }();
    return map;
}

QString clock(qint64 instant, const QTimeZone &zone)
{
    return QDateTime::fromSecsSinceEpoch(instant, zone).time().toString(QStringLiteral("hh:mm"));
}

QString dateKey(QDate date)
{
    return u'0' + date.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

Family familyOf(const QString &category)
{
    return families().value(category.trimmed(), Family::ArtsAndOther);
}

QString familyName(Family family)
{
    switch (family) {
    case Family::News:
        return QStringLiteral("News and current affairs");
    case Family::Drama:
        return QStringLiteral("Drama, soap and series");
    case Family::Film:
        return QStringLiteral("Film");
    case Family::Entertainment:
        return QStringLiteral("Entertainment, comedy, games and talk");
    case Family::Children:
        return QStringLiteral("Children and animation");
    case Family::Factual:
        return QStringLiteral("Documentary, nature, history and science");
    case Family::Sport:
        return QStringLiteral("Sport");
    case Family::ArtsAndOther:
    case Family::Count:
        break;
    }
    return QStringLiteral("Music, arts and other");
}

QString Block::accessibleName(const QString &channelName) const
{
    const QString what = category.trimmed().isEmpty() ? QStringLiteral("no category") : category;
    const QString shownName = name.trimmed().isEmpty() ? QStringLiteral("(no name)") : name;
    const QString when = lengthAssumed ? QStringLiteral("%1, length unknown").arg(startText)
                                       : QStringLiteral("%1 to %2").arg(startText, endText);
    return QStringLiteral("%1, %2, %3, %4").arg(shownName, channelName, when, what);
}

QString Block::toolTip(const QString &channelName) const
{
    const QString shownName = name.trimmed().isEmpty() ? QStringLiteral("(no name)") : name;
    QString tip = QStringLiteral("<b>%1</b><br>%2<br>%3")
                      .arg(shownName.toHtmlEscaped(), channelName.toHtmlEscaped(),
                           lengthAssumed ? QStringLiteral("%1, length unknown").arg(startText)
                                         : QStringLiteral("%1 to %2").arg(startText, endText));
    if (!category.trimmed().isEmpty())
        tip += QStringLiteral("<br>") + category.toHtmlEscaped();
    if (!synopsis.trimmed().isEmpty())
        tip += QStringLiteral("<p>%1</p>").arg(synopsis.toHtmlEscaped());
    return tip;
}

QString Unplaced::text() const
{
    return QStringLiteral("%1: %2 (start \u201C%3\u201D on \u201C%4\u201D)")
        .arg(channelName, name.trimmed().isEmpty() ? QStringLiteral("(no name)") : name, startTime,
             startDate);
}

std::optional<qint64> Layout::secondOf(qint64 instant) const
{
    if (instant < dayStart || instant >= dayStart + length)
        return std::nullopt;
    return instant - dayStart;
}

int Layout::blockOf(qint32 programmeID) const
{
    for (int i = 0; i < blocks.size(); ++i) {
        if (blocks.at(i).programmeID == programmeID)
            return i;
    }
    return -1;
}

store::Result<QList<Channel>> loadDay(const QString &databasePath, qint32 projectID, QDate day)
{
    return store::read(
        databasePath, QStringLiteral("Reading the day's programmes"),
        [&](store::Connection &db) -> store::Result<QList<Channel>> {
            if (auto begun = db.beginRead(); !begun)
                return begun.failure();
            using ChannelColumn = store::tables::Channel;
            using Stored = store::tables::Programme;
            auto channels =
                db.select(QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5 = ? ORDER BY %1")
                              .arg(ChannelColumn::id, ChannelColumn::name, ChannelColumn::number,
                                   ChannelColumn::table, ChannelColumn::projectId),
                          {projectID});
            if (!channels)
                return channels.failure();
            QList<Channel> result;
            for (QSqlQuery &q = channels.value(); q.next();) {
                result.append({store::field(q, ChannelColumn::id).toInt(),
                               store::text(q, ChannelColumn::name),
                               store::text(q, ChannelColumn::number),
                               {}});
            }
            // Each channel's days around the one shown (a programme typed for
            // the day before may run into it; one from a guide of a zone ahead
            // may be dated the day after), and its programmes whose date cannot
            // be read (their keys start with '1'), are two ranges of the
            // channel's start index: sought one by one, they come in order
            // without a sort and without reading the channel's other days.
            const store::ColumnNames columns = {
                Stored::id,        Stored::startDate, Stored::startTime, Stored::duration,
                Stored::name,      Stored::category,  Stored::desc,      Stored::xmltvStart,
                Stored::xmltvStop, Stored::xmltvTyped};
            auto rows = db.prepare(
                QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :channel AND %4 >= :from AND "
                               "%4 <= :to ORDER BY %4, %5, %6")
                    .arg(store::columnList(columns), Stored::table, Stored::channelId,
                         Stored::startDateKey, Stored::startTimeKey, Stored::id));
            if (!rows)
                return rows.failure();
            QSqlQuery &programmes = rows.value();
            const std::pair<QVariant, QVariant> ranges[] = {
                {dateKey(day.addDays(-1)), dateKey(day.addDays(1))},
                {QStringLiteral("1"), QStringLiteral("2")}};
            for (Channel &channel : result) {
                for (const auto &[from, to] : ranges) {
                    programmes.bindValue(QStringLiteral(":channel"), channel.channelID);
                    programmes.bindValue(QStringLiteral(":from"), from);
                    programmes.bindValue(QStringLiteral(":to"), to);
                    if (auto read = db.execute(programmes); !read)
                        return read.failure();
                    while (programmes.next()) {
                        Programme programme;
                        store::readRow(programmes, programme);
                        channel.programmes.append(std::move(programme));
                    }
                }
            }
            return result;
        });
}

store::Result<QString> projectName(const QString &databasePath, qint32 projectID)
{
    return store::read(databasePath, QStringLiteral("Reading the project's name"),
                       [&](store::Connection &db) -> store::Result<QString> {
                           using Project = store::tables::Project;
                           auto q = db.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                                  .arg(Project::name, Project::table, Project::id),
                                              {projectID});
                           if (!q)
                               return q.failure();
                           return q.value().next() ? q.value().value(0).toString() : QString();
                       });
}

Layout layOut(const QList<Channel> &channels, QDate day, const QTimeZone &zone)
{
    Layout layout;
    layout.day = day;
    layout.zone = zone;
    times::ZoneOffsets offsets(zone);
    layout.dayStart = times::instantOf(day, QTime(0, 0), offsets);
    layout.length = times::instantOf(day.addDays(1), QTime(0, 0), offsets) - layout.dayStart;

    // Hour lines where the wall clock shows a whole hour: a skipped hour has
    // none, a repeated one two. Offsets change by whole quarter hours.
    for (qint64 s = 0; s < layout.length; s += 15 * 60) {
        const QTime wall = QDateTime::fromSecsSinceEpoch(layout.dayStart + s, zone).time();
        if (wall.minute() == 0)
            layout.hours.append({s, wall.hour()});
    }

    const qint64 dayEnd = layout.dayStart + layout.length;
    for (const Channel &channel : channels) {
        ChannelRow row{
            channel.channelID, channel.name, channel.number, 1, int(layout.blocks.size()), 0};
        const int channelIndex = int(layout.channels.size());
        QList<Block> blocks;
        for (const Programme &p : channel.programmes) {
            const times::ProgrammeSpan span = times::programmeSpan(p, offsets);
            if (!span.start) {
                // A start that cannot be read belongs to no place on the
                // grid; it is listed, once, on the day its date names, or
                // on every day when the date itself cannot be read.
                if (span.dateUnread || store::readTypedDate(p.startDate) == day)
                    layout.unplaced.append({channel.channelID, qint32(p.programmeID), channel.name,
                                            p.programmeName, p.startDate, p.startTime});
                continue;
            }
            const qint64 start = span.start->at;
            const qint64 end = span.end ? span.end->at : start + qint64(assumedMinutes) * 60;
            // A programme of no length still shows, at its start.
            const bool inside = end > layout.dayStart ? start < dayEnd : start == layout.dayStart;
            if (!inside)
                continue;
            Block b;
            b.channel = channelIndex;
            b.programmeID = p.programmeID;
            b.from = std::max(start, layout.dayStart) - layout.dayStart;
            b.to = std::min(end, dayEnd) - layout.dayStart;
            b.startsBefore = start < layout.dayStart;
            b.endsAfter = end > dayEnd;
            b.lengthAssumed = !span.end;
            b.startText =
                span.keptStart
                    ? clock(start, zone)
                    : store::readTypedTime(p.startTime)->toString(QStringLiteral("hh:mm"));
            b.endText = clock(end, zone);
            b.name = p.programmeName;
            b.category = p.category;
            b.synopsis = p.programmeDesc;
            b.family = familyOf(p.category);
            blocks.append(b);
        }
        std::stable_sort(blocks.begin(), blocks.end(), [](const Block &a, const Block &b) {
            return a.from != b.from ? a.from < b.from : a.to < b.to;
        });
        // Each block takes the highest sub-row that is free by its start, so
        // programmes that overlap stack and the rest stay on one line.
        QList<qint64> laneEnds;
        for (Block &b : blocks) {
            int lane = 0;
            while (lane < laneEnds.size() && laneEnds.at(lane) > b.from)
                ++lane;
            if (lane == laneEnds.size())
                laneEnds.append(0);
            // A block of no length keeps its sub-row to itself.
            laneEnds[lane] = std::max(b.to, b.from + 1);
            b.lane = lane;
        }
        row.lanes = std::max(1, int(laneEnds.size()));
        row.blockCount = int(blocks.size());
        layout.blocks.append(blocks);
        layout.channels.append(row);
    }
    return layout;
}

} // namespace grid
