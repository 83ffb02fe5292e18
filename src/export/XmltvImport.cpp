#include "export/XmltvImport.h"

#include "export/XmltvTime.h"
#include "store/Connection.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

using store::Connection;
using store::Failure;
using store::Result;
using store::Status;

// The import reads the file on a thread of its own while the calling thread
// stores what has been read: parsing XML and storing rows cost about the
// same, so a large guide comes in nearly twice as fast. The reading thread
// touches no store object, and the store work stays on the calling thread
// inside one transaction, so a failure on either side leaves nothing behind.
namespace xmltv {

namespace {

// Text that is absent, or empty, is stored as no value, as the programme
// editor leaves a column it was given nothing for.
QVariant optionalText(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

// Writes value as two digits at out.
void putTwoDigits(QChar *out, int value)
{
    out[0] = QChar(u'0' + value / 10);
    out[1] = QChar(u'0' + value % 10);
}

// yyyy-mm-dd. Built by hand: the import makes one for every programme.
QString storedDate(QDate date)
{
    QString text(10, u'-');
    QChar *out = text.data();
    putTwoDigits(out, date.year() / 100);
    putTwoDigits(out + 2, date.year() % 100);
    putTwoDigits(out + 5, date.month());
    putTwoDigits(out + 8, date.day());
    return text;
}

// hh:mm, the form people type; the seconds only when there are some, so
// that nothing the file says is lost.
QString storedTime(QTime time)
{
    QString text(time.second() != 0 ? 8 : 5, u':');
    QChar *out = text.data();
    putTwoDigits(out, time.hour());
    putTwoDigits(out + 3, time.minute());
    if (time.second() != 0)
        putTwoDigits(out + 6, time.second());
    return text;
}

// What the reading thread hands over. Channels are numbered in the order the
// file defines them; a programme names its channel by that number.
struct ReadChannel
{
    QString name;
    QString logoURL;
    QString channelURL;
};

struct ReadProgramme
{
    qsizetype channel = 0;
    Timestamp start;
    // How long it runs, when the file says.
    std::optional<qint64> seconds;
    QString title;
    QString desc;
    QString category;
};

struct Batch
{
    QList<ReadChannel> channels;
    QList<ReadProgramme> programmes;
};

// Where in the file something is wrong, and what.
struct FileProblem
{
    qint64 line = 0;
    qint64 column = 0;
    QString what;
};

// Batches from the reading thread to the storing one. The reading side
// waits while a few batches are waiting already, so memory stays small
// however large the file.
class Handoff
{
public:
    // False once the storing side has given up: the reading side then stops.
    bool put(Batch batch)
    {
        std::vector<Batch> spent;
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_batches.size() < maxWaiting || m_gaveUp; });
        if (m_gaveUp)
            return false;
        m_batches.push_back(std::move(batch));
        spent.swap(m_spent);
        m_changed.notify_all();
        lock.unlock();
        // The batches the storing side is done with end here, on the thread
        // that made their text: freeing memory in another thread's heap
        // would make the two threads wait on each other's allocator.
        return true;
    }

    void giveBack(Batch batch)
    {
        const std::lock_guard lock(m_mutex);
        m_spent.push_back(std::move(batch));
    }

    void finish(std::optional<FileProblem> problem)
    {
        const std::lock_guard lock(m_mutex);
        m_problem = std::move(problem);
        m_finished = true;
        m_changed.notify_all();
    }

    // The next batch; nothing once the reading side has finished and every
    // batch has been taken.
    std::optional<Batch> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_batches.empty() || m_finished; });
        // A faulty file imports nothing: what is left need not be stored.
        if (m_batches.empty() || m_problem)
            return std::nullopt;
        Batch batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_changed.notify_all();
        return batch;
    }

    void giveUp()
    {
        const std::lock_guard lock(m_mutex);
        m_gaveUp = true;
        m_changed.notify_all();
    }

    // Once take() has returned nothing: what was wrong with the file, if anything.
    const std::optional<FileProblem> &problem() const { return m_problem; }

private:
    static constexpr size_t maxWaiting = 4;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_batches;
    std::vector<Batch> m_spent;
    bool m_finished = false;
    bool m_gaveUp = false;
    std::optional<FileProblem> m_problem;
};

// Reads the guide and checks everything about it that needs no store.
class GuideReader
{
public:
    GuideReader(const QString &path, Handoff &handoff) : m_path(path), m_handoff(handoff) {}

    void run();

private:
    struct Where
    {
        qint64 line = 0;
        qint64 column = 0;
    };

    // Handed over this many programmes at a time.
    static constexpr qsizetype programmesPerBatch = 2048;

    Where here() const { return {m_xml.lineNumber(), m_xml.columnNumber()}; }
    // Stops the reading with a problem found at `where`.
    void fail(Where where, const QString &what);
    void handOver();

    void readTv();
    void readChannel();
    void readProgramme();
    // The element's text. A child element in it, or an entity the file does
    // not define, is an error of the file, never dropped quietly.
    QString text();
    // The number of the channel with this XMLTV id, or nothing.
    std::optional<qsizetype> channelNumbered(QStringView id);

    QString m_path;
    Handoff &m_handoff;
    QXmlStreamReader m_xml;
    QHash<QString, qsizetype> m_channels;
    // Programmes come grouped by channel: most look-ups are the last one again.
    QString m_lastChannelId;
    qsizetype m_lastChannel = -1;
    Batch m_batch;
    std::optional<FileProblem> m_problem;
    bool m_stopped = false;
};

void GuideReader::run()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_handoff.finish(FileProblem{0, 0, file.errorString()});
        return;
    }
    m_xml.setDevice(&file);
    readTv();
    // Read to the very end: whatever follows the guide must be well-formed too.
    while (!m_xml.atEnd() && !m_xml.hasError())
        m_xml.readNext();
    if (m_xml.hasError() && !m_problem && !m_stopped)
        m_problem = FileProblem{m_xml.lineNumber(), m_xml.columnNumber(), m_xml.errorString()};
    if (!m_problem && !m_stopped)
        handOver();
    m_handoff.finish(std::move(m_problem));
}

void GuideReader::fail(Where where, const QString &what)
{
    if (!m_problem)
        m_problem = FileProblem{where.line, where.column, what};
    m_xml.raiseError(what);
}

void GuideReader::handOver()
{
    if (!m_handoff.put(std::exchange(m_batch, Batch()))) {
        m_stopped = true;
        m_xml.raiseError(QStringLiteral("stopped"));
    }
    m_batch.programmes.reserve(programmesPerBatch);
}

void GuideReader::readTv()
{
    if (!m_xml.readNextStartElement())
        return;
    if (m_xml.name() != u"tv") {
        fail(here(), QStringLiteral("the file's root element is <%1>, where an XMLTV file has <tv>")
                         .arg(m_xml.name()));
        return;
    }
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"channel")
            readChannel();
        else if (m_xml.name() == u"programme")
            readProgramme();
        else
            m_xml.skipCurrentElement();
    }
}

void GuideReader::readChannel()
{
    const Where start = here();
    const QString id = m_xml.attributes().value(QLatin1String("id")).toString();
    if (id.isEmpty()) {
        fail(start, QStringLiteral("a <channel> has no id"));
        return;
    }
    if (m_channels.contains(id)) {
        fail(start, QStringLiteral("the channel id \"%1\" is given to two channels").arg(id));
        return;
    }
    std::optional<QString> name;
    ReadChannel channel;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"display-name") {
            QString read = text();
            if (!name)
                name = std::move(read);
        } else if (m_xml.name() == u"icon") {
            if (channel.logoURL.isEmpty())
                channel.logoURL = m_xml.attributes().value(QLatin1String("src")).toString();
            m_xml.skipCurrentElement();
        } else if (m_xml.name() == u"url") {
            QString read = text();
            if (channel.channelURL.isEmpty())
                channel.channelURL = std::move(read);
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (m_xml.hasError())
        return;
    if (!name) {
        fail(start, QStringLiteral("the channel \"%1\" has no <display-name>").arg(id));
        return;
    }
    channel.name = std::move(*name);
    m_channels.insert(id, m_channels.size());
    m_batch.channels.append(std::move(channel));
}

QString GuideReader::text()
{
    QString read;
    for (;;) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::Characters:
            // Nearly always the one piece of text: taken at its size.
            if (read.isNull())
                read = m_xml.text().toString();
            else
                read += m_xml.text();
            break;
        case QXmlStreamReader::EntityReference:
            fail(here(), QStringLiteral("the entity &%1; is not defined").arg(m_xml.name()));
            return read;
        case QXmlStreamReader::StartElement:
            fail(here(), QStringLiteral("<%1> stands where only text may").arg(m_xml.name()));
            return read;
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::Invalid:
            return read;
        default:
            // Comments and processing instructions are no part of the text.
            break;
        }
    }
}

std::optional<qsizetype> GuideReader::channelNumbered(QStringView id)
{
    if (m_lastChannel >= 0 && id == m_lastChannelId)
        return m_lastChannel;
    const auto found = m_channels.constFind(id.toString());
    if (found == m_channels.cend())
        return std::nullopt;
    m_lastChannelId = found.key();
    m_lastChannel = found.value();
    return m_lastChannel;
}

void GuideReader::readProgramme()
{
    const Where start = here();
    const QXmlStreamAttributes attributes = m_xml.attributes();
    const QStringView startText = attributes.value(QLatin1String("start"));
    const QStringView stopText = attributes.value(QLatin1String("stop"));
    const QStringView channelText = attributes.value(QLatin1String("channel"));
    if (startText.isEmpty()) {
        fail(start, QStringLiteral("a <programme> has no start"));
        return;
    }
    if (channelText.isEmpty()) {
        fail(start, QStringLiteral("a <programme> has no channel"));
        return;
    }
    const auto channel = channelNumbered(channelText);
    if (!channel) {
        fail(start, QStringLiteral("a <programme> is on the channel \"%1\", which no <channel> "
                                   "before it defines")
                        .arg(channelText));
        return;
    }
    const auto startTime = readTimestamp(startText);
    if (!startTime) {
        fail(start, QStringLiteral("the start \"%1\" cannot be read as a time").arg(startText));
        return;
    }
    std::optional<Timestamp> stopTime;
    if (!stopText.isEmpty()) {
        stopTime = readTimestamp(stopText);
        if (!stopTime) {
            fail(start, QStringLiteral("the stop \"%1\" cannot be read as a time").arg(stopText));
            return;
        }
    }

    std::optional<QString> title;
    std::optional<QString> desc;
    std::optional<QString> category;
    std::optional<qint64> lengthSeconds;
    while (m_xml.readNextStartElement()) {
        const QStringView element = m_xml.name();
        if (element == u"title") {
            QString read = text();
            if (!title)
                title = std::move(read);
        } else if (element == u"desc") {
            QString read = text();
            if (!desc)
                desc = std::move(read);
        } else if (element == u"category") {
            QString read = text();
            if (!category)
                category = std::move(read);
        } else if (element == u"length") {
            const Where at = here();
            const QString units = m_xml.attributes().value(QLatin1String("units")).toString();
            bool ok = false;
            const qint64 value = text().trimmed().toLongLong(&ok);
            const qint64 unit = units == u"seconds"   ? 1
                                : units == u"minutes" ? 60
                                : units == u"hours"   ? 3600
                                                      : 0;
            if (!ok || value < 0 || unit == 0) {
                fail(at,
                     QStringLiteral("the <length> cannot be read as seconds, minutes or hours"));
                return;
            }
            lengthSeconds = value * unit;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (m_xml.hasError())
        return;
    if (!title) {
        fail(start, QStringLiteral("the programme starting %1 has no <title>").arg(startText));
        return;
    }

    // The stop says how long the programme runs; <length> only stands in when
    // there is no stop, as it may count the air time without breaks.
    std::optional<qint64> seconds = lengthSeconds;
    if (stopTime)
        seconds = secondsBetween(*startTime, *stopTime);
    m_batch.programmes.append({*channel, *startTime, seconds, std::move(*title),
                               std::move(desc).value_or(QString()),
                               std::move(category).value_or(QString())});
    if (m_batch.programmes.size() == programmesPerBatch)
        handOver();
}

// Programmes go into the store this many to a statement: a statement per
// programme would cost more than the programme itself.
constexpr int rowsPerInsert = 64;
constexpr int programmeColumns = 7;

QString insertProgrammes(int rows)
{
    QStringList values;
    for (int i = 0; i < rows; ++i)
        values << QStringLiteral("(?, ?, ?, ?, ?, ?, ?)");
    return QStringLiteral("INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, "
                          "startDate, startTime, duration, category) VALUES ") +
           values.join(QStringLiteral(", "));
}

// Stores what the reading thread hands over, on the calling thread.
class GuideStore
{
public:
    GuideStore(Connection &db, qint32 projectID) : m_db(db), m_projectID(projectID) {}

    Status prepare();
    Status store(const Batch &batch);
    // Stores the programmes still waiting for a full statement.
    Status finish();

    const XmltvImport &done() const { return m_done; }

private:
    Status storeChannel(const ReadChannel &channel);
    // Binds the programme to the next row of the many-row insert, and runs
    // that once all its rows are bound.
    Status storeProgramme(const ReadProgramme &programme);
    // A guide repeats its dates, times and lengths endlessly: each text is
    // made once and shared.
    QString dateText(QDate date);
    QString timeText(QTime time);
    QString minutesText(qint64 minutes);

    Connection &m_db;
    qint32 m_projectID;
    QSqlQuery m_insertMany;
    QSqlQuery m_insertOne;
    // Rows of m_insertMany bound and not yet run.
    int m_boundRows = 0;
    // The project's channel of each channel the file defines, in its order.
    QList<qint64> m_channelIDs;
    // The project's channels by name, the first of each name.
    QHash<QString, qint64> m_channelsByName;
    QDate m_lastDate;
    QString m_lastDateText;
    QHash<int, QString> m_timeTexts;
    QHash<qint64, QString> m_minutesTexts;
    XmltvImport m_done;
};

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

    auto many = m_db.prepare(insertProgrammes(rowsPerInsert));
    if (!many)
        return many.failure();
    m_insertMany = std::move(many).value();
    auto one = m_db.prepare(insertProgrammes(1));
    if (!one)
        return one.failure();
    m_insertOne = std::move(one).value();
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

Status GuideStore::store(const Batch &batch)
{
    for (const ReadChannel &channel : batch.channels) {
        if (auto stored = storeChannel(channel); !stored)
            return stored;
    }
    for (const ReadProgramme &programme : batch.programmes) {
        if (auto stored = storeProgramme(programme); !stored)
            return stored;
    }
    return store::success();
}

Status GuideStore::storeProgramme(const ReadProgramme &programme)
{
    QVariant duration(QMetaType::fromType<QString>());
    if (programme.seconds && *programme.seconds > 0)
        duration = minutesText((*programme.seconds + 30) / 60);
    const int first = m_boundRows * programmeColumns;
    m_insertMany.bindValue(first, m_channelIDs.at(programme.channel));
    m_insertMany.bindValue(first + 1, optionalText(programme.title));
    m_insertMany.bindValue(first + 2, optionalText(programme.desc));
    m_insertMany.bindValue(first + 3, dateText(programme.start.date));
    m_insertMany.bindValue(first + 4, timeText(programme.start.time));
    m_insertMany.bindValue(first + 5, duration);
    m_insertMany.bindValue(first + 6, optionalText(programme.category));
    ++m_done.programmes;
    if (++m_boundRows < rowsPerInsert)
        return store::success();
    m_boundRows = 0;
    return m_db.execute(m_insertMany);
}

Status GuideStore::finish()
{
    for (int row = 0; row < m_boundRows; ++row) {
        for (int column = 0; column < programmeColumns; ++column) {
            m_insertOne.bindValue(column, m_insertMany.boundValue(row * programmeColumns + column));
        }
        if (auto inserted = m_db.execute(m_insertOne); !inserted)
            return inserted;
    }
    m_boundRows = 0;
    return store::success();
}

QString GuideStore::dateText(QDate date)
{
    if (date != m_lastDate) {
        m_lastDate = date;
        m_lastDateText = storedDate(date);
    }
    return m_lastDateText;
}

QString GuideStore::timeText(QTime time)
{
    const int key = time.msecsSinceStartOfDay() / 1000;
    auto found = m_timeTexts.find(key);
    if (found == m_timeTexts.end())
        found = m_timeTexts.insert(key, storedTime(time));
    return *found;
}

QString GuideStore::minutesText(qint64 minutes)
{
    auto found = m_minutesTexts.find(minutes);
    if (found == m_minutesTexts.end())
        found = m_minutesTexts.insert(minutes, QString::number(minutes));
    return *found;
}

Result<XmltvImport> storeGuide(Connection &db, qint32 projectID, const QString &path)
{
    GuideStore guide(db, projectID);
    if (auto prepared = guide.prepare(); !prepared)
        return prepared.failure();

    Handoff handoff;
    std::thread reading([&] { GuideReader(path, handoff).run(); });
    Status stored = store::success();
    while (auto batch = handoff.take()) {
        stored = guide.store(*batch);
        if (!stored) {
            handoff.giveUp();
            break;
        }
        handoff.giveBack(std::move(*batch));
    }
    reading.join();

    if (!stored)
        return stored.failure();
    if (const auto &problem = handoff.problem()) {
        QString what = problem->what;
        if (!what.endsWith(u'.'))
            what += u'.';
        return Failure{QString(),
                       QStringLiteral("Line %1, column %2: %3")
                           .arg(problem->line)
                           .arg(problem->column)
                           .arg(what),
                       QString()};
    }
    if (auto finished = guide.finish(); !finished)
        return finished.failure();
    return guide.done();
}

} // namespace

Result<XmltvImport> importXmltv(const QString &databasePath, qint32 projectID, const QString &path)
{
    const QString action =
        QStringLiteral("Could not import %1").arg(QDir::toNativeSeparators(path));
    // Checked before the store is opened, so a wrong path says so plainly.
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return Failure{action, file.errorString(), QString()};
    return store::write(databasePath, action,
                        [&](Connection &db) { return storeGuide(db, projectID, path); });
}

} // namespace xmltv
