#include "xmltv/XmltvStoreWriter.h"

#include "store/Connection.h"
#include "store/Gone.h"
#include "store/ProgrammeRow.h"
#include "store/Server.h"
#include "store/ServerStatement.h"
#include "store/Tables.h"
#include "times/ProgrammeSpan.h"
#include "xmltv/XmltvTime.h"
#include "xmltv/XmltvWriter.h"

#include <QTimeZone>

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iterator>
#include <string_view>

using store::Connection;
using store::Status;

namespace xmltv::import {

namespace {

using Stored = store::tables::Programme;
using ChannelColumn = store::tables::Channel;
using Kept = store::tables::ChannelXmltv;

// Every column but the identifier, which the store gives.
store::ColumnNames insertedColumns()
{
    store::ColumnNames columns = store::programmeColumns();
    columns.removeOne(Stored::id);
    return columns;
}

// Text that is absent, or empty, is stored as no value, as the programme
// editor leaves a column it was given nothing for.
std::string_view orNull(std::string_view text)
{
    return text.empty() ? std::string_view() : text;
}

// Writes value as two digits at out.
void putTwoDigits(char *out, int value)
{
    out[0] = char('0' + value / 10);
    out[1] = char('0' + value % 10);
}

// Writes the timestamp as "yyyymmddhhmmss +hhmm" at out, 20 bytes.
void putTimestamp(char *out, const Timestamp &t)
{
    putTwoDigits(out, t.year / 100);
    putTwoDigits(out + 2, t.year % 100);
    putTwoDigits(out + 4, t.month);
    putTwoDigits(out + 6, t.day);
    putTwoDigits(out + 8, t.hour);
    putTwoDigits(out + 10, t.minute);
    putTwoDigits(out + 12, t.second);
    out[14] = ' ';
    out[15] = t.offset < 0 ? '-' : '+';
    const int minutes = std::abs(t.offset) / 60;
    putTwoDigits(out + 16, minutes / 60);
    putTwoDigits(out + 18, minutes % 60);
}

qint64 instantOf(const Timestamp &t)
{
    return t.wallSeconds() - t.offset;
}

} // namespace

GuideStore::GuideStore(Connection &db, qint32 projectID, const QTimeZone &zone,
                       const ImportCancel *cancel)
    : m_db(db), m_projectID(projectID), m_zone(zone), m_cancel(cancel)
{
    for (int c = 0; c < childColumnCount; ++c) {
        const ChildColumn &child = programmeChildren[c];
        m_childTexts[std::size_t(c)] = store::textMember<std::string_view>(child.column);
        if (child.attribute) {
            m_childAttributes[std::size_t(c)] =
                store::textMember<std::string_view>(child.attributeColumn);
        }
    }
}

Status GuideStore::prepare()
{
    using Project = store::tables::Project;
    if (auto project = store::requireRow(m_db, Project::table, Project::id, m_projectID); !project)
        return project;

    auto channels =
        m_db.select(QStringLiteral("SELECT c.%1, c.%2, x.%3 FROM %4 c LEFT JOIN %5 x USING (%1) "
                                   "WHERE c.%6 = ? ORDER BY c.%1")
                        .arg(ChannelColumn::id, ChannelColumn::name, Kept::xmltvId,
                             ChannelColumn::table, Kept::table, ChannelColumn::projectId),
                    {m_projectID});
    if (!channels)
        return channels.failure();
    for (QSqlQuery &q = channels.value(); q.next();) {
        const qint64 id = store::field(q, ChannelColumn::id).toLongLong();
        const QString name = store::text(q, ChannelColumn::name);
        const QString xmltvId = store::text(q, Kept::xmltvId);
        m_spans.insert(id, Span());
        // A channel without an id of its own is known in guides by the id
        // the export makes for it.
        if (!xmltvId.isEmpty()) {
            m_channelsById.insert(xmltvId, id);
        } else {
            m_channelsById.insert(channelXmltvId(id), id);
            if (!m_channelsByName.contains(name))
                m_channelsByName.insert(name, id);
        }
    }
    auto last = m_db.select(
        QStringLiteral("SELECT coalesce(max(%1), 0) FROM %2").arg(Stored::id, Stored::table));
    if (!last)
        return last.failure();
    if (last.value().next())
        m_lastProgrammeBefore = last.value().value(0).toLongLong();

    // The programmes go in straight through SQLite, on the connection's own
    // handle and so inside its transaction: through QSqlQuery every value
    // would become a QVariant of UTF-16 text on the way.
    // Each statement of many rows keeps what it changed until it is done, to
    // undo it alone if it fails. By default that goes to a temporary file
    // once it passes 64 KiB, which at a million programmes came to hundreds
    // of megabytes written and thrown away. One statement's rows are a few
    // pages, so in memory it stays small; the setting lasts as long as this
    // connection, which is the import's own.
    if (sqlite3 *handle = store::sqliteHandle(m_db);
        handle &&
        sqlite3_exec(handle, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr) != SQLITE_OK)
        return m_db.failure(QString::fromUtf8(sqlite3_errmsg(handle)));
    static_assert(rowsPerInsert == 1 << (insertSizes - 1));
    const store::ColumnNames columns = insertedColumns();
    m_binder.emplace(columns);
    // A server takes the rows through COPY instead (copy()), unless the
    // programmes' row-level security applies to the user: the server
    // refuses COPY into such a table, so an editor's rows go in as a file's do.
    if (m_db.isServer()) {
        auto limited = m_db.select(QStringLiteral("SELECT row_security_active(?)"),
                                   {QString(Stored::table).toLower()});
        if (!limited)
            return limited.failure();
        m_copies = !(limited.value().next() && limited.value().value(0).toBool());
        if (m_copies)
            return store::success();
    }
    for (int i = 0; i < insertSizes; ++i) {
        const int rows = rowsPerInsert >> i;
        auto &insert = m_inserts[std::size_t(i)];
        insert.emplace(m_db, store::insertStatement(Stored::table, columns, rows));
        if (!insert->ok())
            return m_db.failure(insert->errorString());
    }
    return store::success();
}

Status GuideStore::storeChannel(const ReadChannel &channel)
{
    const QVariant extra = channel.extra.isEmpty() ? QVariant() : QVariant(channel.extra);
    if (const auto found = m_channelsById.constFind(channel.xmltvId);
        found != m_channelsById.cend()) {
        ++m_done.channelsMatchedById;
        m_channelIDs.append(*found);
        // The newer guide's details of the channel replace the older's; the
        // columns stay as the user has them.
        if (!channel.extra.isEmpty()) {
            if (auto updated = m_db.execute(
                    QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?, ?) ON CONFLICT (%2) "
                                   "DO UPDATE SET %3 = excluded.%3")
                        .arg(Kept::table, Kept::channelId, Kept::xmltvExtra),
                    {*found, extra});
                !updated)
                return updated;
        }
        return store::success();
    }
    if (const auto found = m_channelsByName.constFind(channel.name);
        found != m_channelsByName.cend()) {
        const qint64 id = *found;
        ++m_done.channelsMatchedByName;
        m_channelIDs.append(id);
        // From now on it is known by the id: another channel of the file with
        // the same name is another channel.
        m_channelsByName.erase(found);
        m_channelsById.insert(channel.xmltvId, id);
        return m_db.execute(
            QStringLiteral(
                "INSERT INTO %1 (%2, %3, %4) VALUES (?, ?, ?) ON CONFLICT (%2) DO UPDATE "
                "SET %3 = excluded.%3, %4 = excluded.%4")
                .arg(Kept::table, Kept::channelId, Kept::xmltvId, Kept::xmltvExtra),
            {id, channel.xmltvId, extra});
    }
    // As the channel editor saves a channel: every box's text, empty or not.
    auto added = m_db.insert(ChannelColumn::table,
                             {{ChannelColumn::projectId, m_projectID},
                              {ChannelColumn::name, store::typedText(channel.name)},
                              {ChannelColumn::number, store::typedText(channel.number)},
                              {ChannelColumn::channelUrl, store::typedText(channel.channelURL)},
                              {ChannelColumn::logoUrl, store::typedText(channel.logoURL)},
                              {ChannelColumn::dataUrl, store::typedText(QString())},
                              {ChannelColumn::updateFrequency, store::typedText(QString())}});
    if (!added)
        return added.failure();
    if (auto kept = m_db.insert(Kept::table, {{Kept::channelId, added.value()},
                                              {Kept::xmltvId, channel.xmltvId},
                                              {Kept::xmltvExtra, extra}});
        !kept)
        return kept.failure();
    ++m_done.channelsAdded;
    m_channelsById.insert(channel.xmltvId, added.value());
    m_channelIDs.append(added.value());
    return store::success();
}

store::ProgrammeRowUtf8 GuideStore::rowOf(MadeTexts &made, const Batch &batch,
                                          const ReadProgramme &programme)
{

    // yyyy-mm-dd
    const Timestamp &start = programme.start;
    putTwoDigits(made.date, start.year / 100);
    putTwoDigits(made.date + 2, start.year % 100);
    made.date[4] = made.date[7] = '-';
    putTwoDigits(made.date + 5, start.month);
    putTwoDigits(made.date + 8, start.day);
    // hh:mm, the form people type; the seconds only when there are some, so
    // that nothing the file says is lost.
    putTwoDigits(made.time, start.hour);
    made.time[2] = made.time[5] = ':';
    putTwoDigits(made.time + 3, start.minute);
    putTwoDigits(made.time + 6, start.second);
    // Whole minutes, rounded.
    std::string_view minutes;
    if (programme.seconds && *programme.seconds > 0) {
        const auto written = std::to_chars(std::begin(made.minutes), std::end(made.minutes),
                                           (*programme.seconds + 30) / 60);
        minutes = std::string_view(made.minutes, std::size_t(written.ptr - made.minutes));
    }

    const qint64 channelID = m_channelIDs.at(programme.channel);
    const std::string_view timeText(made.time, start.second != 0 ? 8 : 5);

    // The file's instants, when its offsets are known, and the texts they
    // stand beside: the export keeps to the instants while these are unchanged.
    std::string_view startText, stopText, typed;
    if (start.unknownZone.isEmpty()) {
        putTimestamp(made.start, start);
        startText = std::string_view(made.start, sizeof made.start);
        const qint64 startInstant = instantOf(start);
        qint64 end = startInstant;
        if (programme.stop && programme.stop->unknownZone.isEmpty()) {
            putTimestamp(made.stop, *programme.stop);
            stopText = std::string_view(made.stop, sizeof made.stop);
            end = instantOf(*programme.stop);
        }
        char *out = made.typed;
        out = std::copy(made.date, made.date + sizeof made.date, out);
        *out++ = '\n';
        out = std::copy(timeText.begin(), timeText.end(), out);
        *out++ = '\n';
        out = std::copy(minutes.begin(), minutes.end(), out);
        typed = std::string_view(made.typed, std::size_t(out - made.typed));

        if (const auto span = m_spans.find(channelID); span != m_spans.end()) {
            Span &s = *span;
            if (!s.any) {
                s = Span{startInstant, end, startInstant, true};
            } else {
                s.from = std::min(s.from, startInstant);
                s.stopsBefore = std::max(s.stopsBefore, end);
                s.startsUpTo = std::max(s.startsUpTo, startInstant);
            }
        }
    }

    store::ProgrammeRowUtf8 stored;
    stored.channelID = channelID;

    stored.startDate = std::string_view(made.date, sizeof made.date);
    stored.startTime = timeText;
    stored.duration = orNull(minutes);
    for (int c = 0; c < childColumnCount; ++c) {
        stored.*m_childTexts[std::size_t(c)] =
            orNull(batch.textOf(programme.texts[std::size_t(c)]));
        if (const auto attribute = m_childAttributes[std::size_t(c)])
            stored.*attribute = orNull(batch.textOf(programme.attributes[std::size_t(c)]));
    }
    stored.xmltvStart = orNull(startText);
    stored.xmltvStop = orNull(stopText);
    stored.xmltvTyped = orNull(typed);
    stored.xmltvExtra = orNull(batch.textOf(programme.extra));
    return stored;
}

Status GuideStore::run(store::Statement &insert)
{
    if (!insert.run())
        return m_db.failure(insert.errorString());
    return store::success();
}

Status GuideStore::store(const Batch &batch)
{
    // The connection takes nothing else while rows are being copied.
    if (!batch.channels.isEmpty()) {
        if (auto ended = endCopy(); !ended)
            return ended;
    }
    for (const ReadChannel &channel : batch.channels) {
        if (auto stored = storeChannel(channel); !stored)
            return stored;
    }
    const std::size_t count = batch.programmes.size();
    if (m_copies) {
        if (auto stored = copy(batch); !stored)
            return stored;
        m_done.programmes += qint64(count);
        return store::success();
    }
    // The rows bound point into the batch's text, so none waits for the next batch.
    std::size_t done = 0;
    for (int i = 0; i < insertSizes; ++i) {
        const std::size_t rows = std::size_t(rowsPerInsert >> i);
        store::Statement &insert = *m_inserts[std::size_t(i)];
        for (; count - done >= rows; done += rows) {
            for (std::size_t row = 0; row < rows; ++row) {
                const ReadProgramme &programme = batch.programmes[done + row];
                m_binder->bind(insert, int(row), rowOf(m_made[row], batch, programme));
            }
            if (auto stored = run(insert); !stored)
                return stored;
        }
    }
    m_done.programmes += qint64(count);
    return store::success();
}

Status GuideStore::copy(const Batch &batch)
{
    if (batch.programmes.empty())
        return store::success();
    m_copyText.clear();
    for (const ReadProgramme &programme : batch.programmes)
        m_binder->appendCopyLine(m_copyText, rowOf(m_made[0], batch, programme));
    if (!m_copy) {
        m_copy.emplace(store::serverHandle(m_db),
                       QStringLiteral("COPY %1 (%2) FROM STDIN")
                           .arg(Stored::table, store::columnList(insertedColumns()))
                           .toUtf8());
    }
    if (!m_copy->put(m_copyText))
        return m_db.failure(m_copy->errorString());
    return store::success();
}

Status GuideStore::endCopy()
{
    if (!m_copy)
        return store::success();
    const bool ended = m_copy->end();
    const QString why = m_copy->errorString();
    m_copy.reset();
    return ended ? store::success() : m_db.failure(why);
}

Status GuideStore::finish()
{
    // Asked every so many rows: often enough that a cancel is felt at once,
    // seldom enough to cost nothing.
    if (auto ended = endCopy(); !ended)
        return ended;
    constexpr int rowsBetweenLooks = 256;
    const auto cancelled = [&](qint64 row) {
        return row % rowsBetweenLooks == 0 && m_cancel && m_cancel->cancelled();
    };
    QVariantList replaced;
    qint64 looked = 0;
    times::ZoneOffsets zone(m_zone);
    for (auto span = m_spans.cbegin(); span != m_spans.cend(); ++span) {
        if (!span->any)
            continue;
        auto rows = m_db.select(
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND %4 <= ?")
                .arg(store::columnList({Stored::id, Stored::startDate, Stored::startTime,
                                        Stored::duration, Stored::xmltvStart, Stored::xmltvTyped}),
                     Stored::table, Stored::channelId, Stored::id),
            {span.key(), m_lastProgrammeBefore});
        if (!rows)
            return rows.failure();
        const store::RowReader reader(rows.value());
        store::ProgrammeRow row;
        for (QSqlQuery &q = rows.value(); q.next();) {
            if (cancelled(++looked))
                return importCancelled();
            reader.read(q, row);
            const times::ProgrammeSpan runs = times::programmeSpan(row, zone);
            const qint64 start = runs.start ? runs.start->at : 0;
            const bool within = runs.start && start >= span->from &&
                                (start < span->stopsBefore || start <= span->startsUpTo);
            if (within)
                replaced << row.programmeID;
            else
                ++m_done.programmesKept;
        }
    }
    if (replaced.isEmpty())
        return store::success();
    auto remove =
        m_db.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Stored::table, Stored::id));
    if (!remove)
        return remove.failure();
    for (qsizetype i = 0; i < replaced.size(); ++i) {
        if (cancelled(i + 1))
            return importCancelled();
        remove.value().bindValue(0, replaced.at(i));
        if (auto removed = m_db.execute(remove.value()); !removed)
            return removed;
    }
    m_done.programmesReplaced = replaced.size();
    return store::success();
}

qint64 GuideStore::longestText() const
{
    sqlite3 *handle = store::sqliteHandle(m_db);
    return handle ? sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1) : 0;
}

} // namespace xmltv::import
