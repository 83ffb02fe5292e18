#include "xmltv/XmltvStoreWriter.h"

#include "store/Connection.h"

#include <sqlite3.h>

#include <charconv>
#include <iterator>
#include <string_view>

using store::Connection;
using store::Status;

namespace xmltv::import {

namespace {

constexpr int programmeColumns = 7;

QByteArray insertProgrammes(int rows)
{
    QByteArrayList values;
    for (int i = 0; i < rows; ++i)
        values << QByteArrayLiteral("(?, ?, ?, ?, ?, ?, ?)");
    return QByteArrayLiteral("INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, "
                             "startDate, startTime, duration, category) VALUES ") +
           values.join(", ");
}

// Writes value as two digits at out.
void putTwoDigits(char *out, int value)
{
    out[0] = char('0' + value / 10);
    out[1] = char('0' + value % 10);
}

} // namespace

Status GuideStore::prepare()
{
    auto project = m_db.select(
        QStringLiteral("SELECT projectID FROM ProjectData WHERE projectID = ?"), {m_projectID});
    if (!project)
        return project.failure();
    if (!project.value().next())
        return m_db.failure(QStringLiteral("There is no project %1.").arg(m_projectID));

    auto channels = m_db.select(QStringLiteral("SELECT channelID, channelName FROM ChannelData "
                                               "WHERE projectID = ? ORDER BY channelID"),
                                {m_projectID});
    if (!channels)
        return channels.failure();
    for (QSqlQuery &q = channels.value(); q.next();) {
        const QString name = q.value(1).toString();
        if (!m_channelsByName.contains(name))
            m_channelsByName.insert(name, q.value(0).toLongLong());
    }

    // The programmes go in straight through SQLite, on the connection's own
    // handle and so inside its transaction: through QSqlQuery every value
    // would become a QVariant of UTF-16 text on the way.
    sqlite3 *handle = store::sqliteHandle(m_db);
    // Each statement of many rows keeps what it changed until it is done, to
    // undo it alone if it fails. By default that goes to a temporary file
    // once it passes 64 KiB, which at a million programmes came to hundreds
    // of megabytes written and thrown away. One statement's rows are a few
    // pages, so in memory it stays small; the setting lasts as long as this
    // connection, which is the import's own.
    if (sqlite3_exec(handle, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr) != SQLITE_OK)
        return m_db.failure(QString::fromUtf8(sqlite3_errmsg(handle)));
    m_insertMany.emplace(handle, insertProgrammes(rowsPerInsert).constData());
    m_insertOne.emplace(handle, insertProgrammes(1).constData());
    for (const auto *insert : {&*m_insertMany, &*m_insertOne}) {
        if (!insert->ok())
            return m_db.failure(insert->errorString());
    }
    return store::success();
}

Status GuideStore::storeChannel(const ReadChannel &channel)
{
    if (const auto found = m_channelsByName.constFind(channel.name);
        found != m_channelsByName.cend()) {
        ++m_done.channelsMatched;
        m_channelIDs.append(*found);
        return store::success();
    }
    // As the channel editor saves a channel: every box's text, empty or not.
    auto added = m_db.insert(QStringLiteral("ChannelData"),
                             {{QStringLiteral("projectID"), m_projectID},
                              {QStringLiteral("channelName"), store::typedText(channel.name)},
                              {QStringLiteral("channelNumber"), store::typedText(QString())},
                              {QStringLiteral("channelURL"), store::typedText(channel.channelURL)},
                              {QStringLiteral("logoURL"), store::typedText(channel.logoURL)},
                              {QStringLiteral("dataURL"), store::typedText(QString())},
                              {QStringLiteral("updateFrequency"), store::typedText(QString())}});
    if (!added)
        return added.failure();
    ++m_done.channelsAdded;
    m_channelsByName.insert(channel.name, added.value());
    m_channelIDs.append(added.value());
    return store::success();
}

void GuideStore::bind(store::SqliteStatement &insert, int row, const Batch &batch,
                      const ReadProgramme &programme)
{
    const int first = row * programmeColumns + 1;
    // Text that is absent, or empty, is stored as no value, as the programme
    // editor leaves a column it was given nothing for.
    const auto bindText = [&](int parameter, std::string_view text) {
        if (text.empty())
            insert.bindNull(parameter);
        else
            insert.bindText(parameter, text);
    };
    MadeTexts &made = m_made[std::size_t(row)];

    // yyyy-mm-dd
    const QDate date = programme.date;
    putTwoDigits(made.date, date.year() / 100);
    putTwoDigits(made.date + 2, date.year() % 100);
    made.date[4] = made.date[7] = '-';
    putTwoDigits(made.date + 5, date.month());
    putTwoDigits(made.date + 8, date.day());
    // hh:mm, the form people type; the seconds only when there are some, so
    // that nothing the file says is lost.
    const QTime time = programme.time;
    putTwoDigits(made.time, time.hour());
    made.time[2] = made.time[5] = ':';
    putTwoDigits(made.time + 3, time.minute());
    putTwoDigits(made.time + 6, time.second());
    // Whole minutes, rounded.
    std::string_view minutes;
    if (programme.seconds && *programme.seconds > 0) {
        const auto written = std::to_chars(std::begin(made.minutes), std::end(made.minutes),
                                           (*programme.seconds + 30) / 60);
        minutes = std::string_view(made.minutes, std::size_t(written.ptr - made.minutes));
    }

    insert.bindInteger(first, m_channelIDs.at(programme.channel));
    bindText(first + 1, batch.textOf(programme.title));
    bindText(first + 2, batch.textOf(programme.desc));
    insert.bindText(first + 3, std::string_view(made.date, sizeof made.date));
    insert.bindText(first + 4, std::string_view(made.time, time.second() != 0 ? 8 : 5));
    bindText(first + 5, minutes);
    bindText(first + 6, batch.textOf(programme.category));
}

Status GuideStore::run(store::SqliteStatement &insert)
{
    if (!insert.run())
        return m_db.failure(insert.errorString());
    return store::success();
}

Status GuideStore::store(const Batch &batch)
{
    for (const ReadChannel &channel : batch.channels) {
        if (auto stored = storeChannel(channel); !stored)
            return stored;
    }
    const std::size_t count = batch.programmes.size();
    const std::size_t whole = count - count % rowsPerInsert;
    for (std::size_t i = 0; i < whole; i += rowsPerInsert) {
        for (int row = 0; row < rowsPerInsert; ++row)
            bind(*m_insertMany, row, batch, batch.programmes[i + std::size_t(row)]);
        if (auto stored = run(*m_insertMany); !stored)
            return stored;
    }
    // The rows bound point into the batch's text, so none waits for the next batch.
    for (std::size_t i = whole; i < count; ++i) {
        bind(*m_insertOne, 0, batch, batch.programmes[i]);
        if (auto stored = run(*m_insertOne); !stored)
            return stored;
    }
    m_done.programmes += qint64(count);
    return store::success();
}

qint64 GuideStore::longestText() const
{
    sqlite3 *handle = store::sqliteHandle(m_db);
    return handle ? sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1) : 0;
}

} // namespace xmltv::import
