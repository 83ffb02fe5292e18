#include "xmltv/XmltvImport.h"

#include "store/SqliteStatement.h"
#include "export/Windows1252.h"
#include "xmltv/XmltvTime.h"
#include "store/Connection.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>

#include <expat.h>

#include <array>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

using store::Connection;
using store::Failure;
using store::Result;
using store::Status;

// The import reads the file on a thread of its own while the calling thread
// stores what has been read, so a large guide takes about as long as the
// slower of the two rather than both. The reading thread touches no store
// object, and the store work stays on the calling thread inside one
// transaction, so a failure on either side leaves nothing behind.
//
// Both sides keep the file's text as the UTF-8 it nearly always is: expat
// hands it over in UTF-8 and SQLite stores UTF-8, so a programme's title
// and description are copied once into a batch and once into the store,
// and never become QStrings on the way.
namespace xmltv {

namespace {

// A piece of a batch's text.
struct TextSpan
{
    std::size_t offset = 0;
    std::size_t size = 0;
};

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
    // The start as the file's wall clock gives it.
    QDate date;
    QTime time;
    // How long it runs, when the file says.
    std::optional<qint64> seconds;
    // Empty when the file gives none.
    TextSpan title;
    TextSpan desc;
    TextSpan category;
};

struct Batch
{
    QList<ReadChannel> channels;
    std::vector<ReadProgramme> programmes;
    // The programmes' texts, one after the other: one allocation for a
    // whole batch, kept when the batch is used again.
    std::string text;

    std::string_view textOf(TextSpan span) const { return {text.data() + span.offset, span.size}; }

    void clear()
    {
        channels.clear();
        programmes.clear();
        text.clear();
    }
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
// however large the file; batches the storing side is done with go back to
// the reading side to be filled again.
class Handoff
{
public:
    // Hands the batch over and leaves an empty one in its place. False once
    // the storing side has given up: the reading side then stops.
    bool put(Batch &batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_batches.size() < maxWaiting || m_gaveUp; });
        if (m_gaveUp)
            return false;
        m_batches.push_back(std::move(batch));
        batch = Batch();
        if (!m_spent.empty()) {
            batch = std::move(m_spent.back());
            m_spent.pop_back();
        }
        m_changed.notify_all();
        lock.unlock();
        batch.clear();
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

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The value of the attribute, empty when the element has none.
std::string_view attribute(const XML_Char **attributes, std::string_view name)
{
    for (; attributes[0]; attributes += 2) {
        if (name == attributes[0])
            return attributes[1];
    }
    return {};
}

// Reads the guide and checks everything about it that needs no store.
class GuideReader
{
    Q_DISABLE_COPY_MOVE(GuideReader)

public:
    GuideReader(const QString &path, Handoff &handoff);
    ~GuideReader() { XML_ParserFree(m_parser); }

    void run();

private:
    struct Where
    {
        qint64 line = 0;
        qint64 column = 0;
    };

    // The elements of a <channel> or <programme> whose text the import takes.
    enum class Field
    {
        None,
        DisplayName,
        Url,
        Title,
        Desc,
        Category,
        Length
    };

    // Handed over this many programmes at a time.
    static constexpr std::size_t programmesPerBatch = 2048;
    // Read from the file this many bytes at a time.
    static constexpr int chunkBytes = 256 * 1024;

    static void XMLCALL onStart(void *reader, const XML_Char *name, const XML_Char **attributes);
    static void XMLCALL onEnd(void *reader, const XML_Char *name);
    static void XMLCALL onText(void *reader, const XML_Char *text, int size);
    static void XMLCALL onSkippedEntity(void *reader, const XML_Char *name, int parameterEntity);
    static int XMLCALL onUnknownEncoding(void *, const XML_Char *name, XML_Encoding *info);

    void startElement(std::string_view name, const XML_Char **attributes);
    void endElement();
    void startChannel(const XML_Char **attributes);
    void endChannel();
    void startProgramme(const XML_Char **attributes);
    void endProgramme();
    void endField();

    // Columns count from 1, as editors show them.
    Where here() const
    {
        return {qint64(XML_GetCurrentLineNumber(m_parser)),
                qint64(XML_GetCurrentColumnNumber(m_parser)) + 1};
    }
    // Keeps the first problem found: the one the import reports.
    void note(Where where, const QString &what);
    // Stops the reading, from a handler, with a problem found at `where`.
    void fail(Where where, const QString &what);
    // What expat found wrong, on reading more of the file or its end.
    QString parserError(bool atEnd = false) const;
    void handOver();
    // The number of the channel with this XMLTV id, or nothing.
    std::optional<qsizetype> channelNumbered(std::string_view id);
    void readLength(std::string_view text);

    QString m_path;
    Handoff &m_handoff;
    XML_Parser m_parser;
    std::optional<FileProblem> m_problem;
    bool m_stopped = false;

    // How deep the element being read lies; <tv> is 1.
    int m_depth = 0;
    // The depth of an element the import does not read, while inside it.
    int m_skippingFrom = 0;
    Field m_field = Field::None;
    // Where the text of m_field starts in the batch's text.
    std::size_t m_fieldStart = 0;

    QHash<QByteArray, qsizetype> m_channels;
    // Programmes come grouped by channel: most look-ups are the last one again.
    std::string m_lastChannelId;
    qsizetype m_lastChannel = -1;

    // The <channel> being read.
    bool m_inChannel = false;
    Where m_channelAt;
    std::string m_channelId;
    std::optional<QString> m_channelName;
    ReadChannel m_channel;

    // The <programme> being read.
    bool m_inProgramme = false;
    Where m_programmeAt;
    std::string m_startText;
    ReadProgramme m_programme;
    std::optional<Timestamp> m_start;
    std::optional<Timestamp> m_stop;
    bool m_hasTitle = false;
    bool m_hasDesc = false;
    bool m_hasCategory = false;
    Where m_lengthAt;
    qint64 m_lengthUnit = 0;
    std::optional<qint64> m_lengthSeconds;

    Batch m_batch;
};

GuideReader::GuideReader(const QString &path, Handoff &handoff)
    : m_path(path), m_handoff(handoff), m_parser(XML_ParserCreate(nullptr))
{
    if (!m_parser)
        return;
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, onStart, onEnd);
    XML_SetCharacterDataHandler(m_parser, onText);
    // A guide that names the XMLTV DTD leaves entities it does not define in
    // the document itself to that DTD, which is not read. In text, expat
    // reports such an entity here, and it is an error rather than text
    // dropped quietly; in an attribute value expat leaves it out unreported.
    XML_SetSkippedEntityHandler(m_parser, onSkippedEntity);
    XML_SetUnknownEncodingHandler(m_parser, onUnknownEncoding, nullptr);
}

void GuideReader::run()
{
    QFile file(m_path);
    if (!m_parser) {
        note({}, QStringLiteral("there is not enough memory to read it"));
    } else if (!file.open(QIODevice::ReadOnly)) {
        note({}, file.errorString());
    } else {
        m_batch.programmes.reserve(programmesPerBatch);
        // Parsed in place, in expat's own buffer: the file's bytes are copied once.
        for (bool last = false; !last;) {
            void *buffer = XML_GetBuffer(m_parser, chunkBytes);
            const qint64 read =
                buffer ? file.read(static_cast<char *>(buffer), chunkBytes) : qint64(-1);
            if (read < 0) {
                note(here(), buffer ? file.errorString() : parserError());
                break;
            }
            last = read == 0;
            // Stopped from a handler, the parser fails too, and the
            // problem is known already.
            if (XML_ParseBuffer(m_parser, int(read), last) != XML_STATUS_OK) {
                if (!m_stopped)
                    note(here(), parserError(last));
                break;
            }
        }
    }
    if (!m_problem && !m_stopped)
        handOver();
    m_handoff.finish(std::move(m_problem));
}

void GuideReader::note(Where where, const QString &what)
{
    if (!m_problem)
        m_problem = FileProblem{where.line, where.column, what};
}

void GuideReader::fail(Where where, const QString &what)
{
    note(where, what);
    XML_StopParser(m_parser, XML_FALSE);
}

QString GuideReader::parserError(bool atEnd) const
{
    const XML_Error error = XML_GetErrorCode(m_parser);
    // Expat's words for a file cut short ("no element found", "unclosed
    // token") do not say that the file stops too soon.
    if (atEnd && (error == XML_ERROR_NO_ELEMENTS || error == XML_ERROR_UNCLOSED_TOKEN ||
                  error == XML_ERROR_PARTIAL_CHAR || error == XML_ERROR_UNCLOSED_CDATA_SECTION)) {
        return m_depth == 0 ? QStringLiteral("the file has no <tv> element")
                            : QStringLiteral("the file ends in the middle of the guide");
    }
    return QString::fromUtf8(XML_ErrorString(error));
}

void GuideReader::handOver()
{
    if (!m_handoff.put(m_batch)) {
        m_stopped = true;
        XML_StopParser(m_parser, XML_FALSE);
    }
    m_batch.programmes.reserve(programmesPerBatch);
}

void XMLCALL GuideReader::onStart(void *reader, const XML_Char *name, const XML_Char **attributes)
{
    auto *self = static_cast<GuideReader *>(reader);
    // Expat may still pass on what it had read when it was stopped.
    if (!self->m_problem && !self->m_stopped)
        self->startElement(name, attributes);
}

void XMLCALL GuideReader::onEnd(void *reader, const XML_Char *)
{
    auto *self = static_cast<GuideReader *>(reader);
    if (!self->m_problem && !self->m_stopped)
        self->endElement();
}

void XMLCALL GuideReader::onText(void *reader, const XML_Char *text, int size)
{
    auto *self = static_cast<GuideReader *>(reader);
    // Text comes in pieces, split where the file has a line break or an
    // entity; outside the fields the import reads it is only layout.
    if (self->m_field != Field::None)
        self->m_batch.text.append(text, std::size_t(size));
}

void XMLCALL GuideReader::onSkippedEntity(void *reader, const XML_Char *name, int)
{
    auto *self = static_cast<GuideReader *>(reader);
    self->fail(self->here(),
               QStringLiteral("the entity &%1; is not defined").arg(QString::fromUtf8(name)));
}

// Expat reads UTF-8, UTF-16, ISO-8859-1 and ASCII by itself. Windows-1252
// is added here: guides are often written in it where Latin-1 is meant.
int XMLCALL GuideReader::onUnknownEncoding(void *, const XML_Char *name, XML_Encoding *info)
{
    const QLatin1String encoding(name);
    if (encoding.compare(QLatin1String("windows-1252"), Qt::CaseInsensitive) != 0 &&
        encoding.compare(QLatin1String("cp1252"), Qt::CaseInsensitive) != 0) {
        return XML_STATUS_ERROR;
    }
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t character = exports::windows1252Character(static_cast<unsigned char>(byte));
        // -1: a byte the code page leaves empty is not well-formed text.
        info->map[byte] = character != 0 || byte == 0 ? int(character) : -1;
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

void GuideReader::startElement(std::string_view name, const XML_Char **attributes)
{
    ++m_depth;
    if (m_skippingFrom != 0)
        return;
    if (m_field != Field::None) {
        fail(here(), QStringLiteral("<%1> stands where only text may").arg(fromUtf8(name)));
        return;
    }
    const auto field = [&](Field read) {
        m_field = read;
        m_fieldStart = m_batch.text.size();
    };
    if (m_depth == 1) {
        if (name != "tv") {
            fail(here(),
                 QStringLiteral("the file's root element is <%1>, where an XMLTV file has <tv>")
                     .arg(fromUtf8(name)));
        }
    } else if (m_depth == 2 && name == "channel") {
        startChannel(attributes);
    } else if (m_depth == 2 && name == "programme") {
        startProgramme(attributes);
    } else if (m_depth == 3 && m_inChannel && name == "display-name") {
        field(Field::DisplayName);
    } else if (m_depth == 3 && m_inChannel && name == "url") {
        field(Field::Url);
    } else if (m_depth == 3 && m_inChannel && name == "icon") {
        if (m_channel.logoURL.isEmpty())
            m_channel.logoURL = fromUtf8(attribute(attributes, "src"));
        m_skippingFrom = m_depth;
    } else if (m_depth == 3 && m_inProgramme && name == "title") {
        field(Field::Title);
    } else if (m_depth == 3 && m_inProgramme && name == "desc") {
        field(Field::Desc);
    } else if (m_depth == 3 && m_inProgramme && name == "category") {
        field(Field::Category);
    } else if (m_depth == 3 && m_inProgramme && name == "length") {
        const std::string_view units = attribute(attributes, "units");
        m_lengthUnit = units == "seconds"   ? 1
                       : units == "minutes" ? 60
                       : units == "hours"   ? 3600
                                            : 0;
        m_lengthAt = here();
        field(Field::Length);
    } else {
        m_skippingFrom = m_depth;
    }
}

void GuideReader::endElement()
{
    const int depth = m_depth--;
    if (m_skippingFrom != 0) {
        if (depth == m_skippingFrom)
            m_skippingFrom = 0;
    } else if (m_field != Field::None) {
        endField();
    } else if (m_inChannel) {
        endChannel();
    } else if (m_inProgramme) {
        endProgramme();
    }
}

void GuideReader::endField()
{
    const Field field = std::exchange(m_field, Field::None);
    const std::string_view text = std::string_view(m_batch.text).substr(m_fieldStart);
    // A programme's first title, description and category stay in the
    // batch's text; any other text is taken out again once used.
    const TextSpan span{m_fieldStart, text.size()};
    bool kept = false;
    if (field == Field::Title && !m_hasTitle) {
        m_programme.title = span;
        kept = m_hasTitle = true;
    } else if (field == Field::Desc && !m_hasDesc) {
        m_programme.desc = span;
        kept = m_hasDesc = true;
    } else if (field == Field::Category && !m_hasCategory) {
        m_programme.category = span;
        kept = m_hasCategory = true;
    } else if (field == Field::DisplayName && !m_channelName) {
        m_channelName = fromUtf8(text);
    } else if (field == Field::Url && m_channel.channelURL.isEmpty()) {
        m_channel.channelURL = fromUtf8(text);
    } else if (field == Field::Length) {
        readLength(text);
    }
    if (!kept)
        m_batch.text.resize(m_fieldStart);
}

void GuideReader::readLength(std::string_view text)
{
    text = trimmed(text);
    qint64 value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        m_lengthUnit == 0 || value > std::numeric_limits<qint64>::max() / m_lengthUnit) {
        fail(m_lengthAt,
             QStringLiteral("the <length> cannot be read as seconds, minutes or hours"));
        return;
    }
    m_lengthSeconds = value * m_lengthUnit;
}

void GuideReader::startChannel(const XML_Char **attributes)
{
    m_channelAt = here();
    const std::string_view id = attribute(attributes, "id");
    if (id.empty()) {
        fail(m_channelAt, QStringLiteral("a <channel> has no id"));
        return;
    }
    if (m_channels.contains(QByteArray::fromRawData(id.data(), qsizetype(id.size())))) {
        fail(m_channelAt,
             QStringLiteral("the channel id \"%1\" is given to two channels").arg(fromUtf8(id)));
        return;
    }
    m_inChannel = true;
    m_channelId = id;
    m_channelName.reset();
    m_channel = ReadChannel();
}

void GuideReader::endChannel()
{
    m_inChannel = false;
    if (!m_channelName) {
        fail(m_channelAt,
             QStringLiteral("the channel \"%1\" has no <display-name>").arg(fromUtf8(m_channelId)));
        return;
    }
    m_channel.name = std::move(*m_channelName);
    m_channels.insert(QByteArray(m_channelId.data(), qsizetype(m_channelId.size())),
                      m_channels.size());
    m_batch.channels.append(std::move(m_channel));
}

std::optional<qsizetype> GuideReader::channelNumbered(std::string_view id)
{
    if (m_lastChannel >= 0 && id == m_lastChannelId)
        return m_lastChannel;
    const auto found =
        m_channels.constFind(QByteArray::fromRawData(id.data(), qsizetype(id.size())));
    if (found == m_channels.cend())
        return std::nullopt;
    m_lastChannelId = id;
    m_lastChannel = found.value();
    return m_lastChannel;
}

void GuideReader::startProgramme(const XML_Char **attributes)
{
    m_programmeAt = here();
    const std::string_view startText = attribute(attributes, "start");
    const std::string_view stopText = attribute(attributes, "stop");
    const std::string_view channelText = attribute(attributes, "channel");
    if (startText.empty()) {
        fail(m_programmeAt, QStringLiteral("a <programme> has no start"));
        return;
    }
    if (channelText.empty()) {
        fail(m_programmeAt, QStringLiteral("a <programme> has no channel"));
        return;
    }
    const auto channel = channelNumbered(channelText);
    if (!channel) {
        fail(m_programmeAt, QStringLiteral("a <programme> is on the channel \"%1\", which no "
                                           "<channel> before it defines")
                                .arg(fromUtf8(channelText)));
        return;
    }
    m_start = readTimestamp(startText);
    if (!m_start) {
        fail(m_programmeAt,
             QStringLiteral("the start \"%1\" cannot be read as a time").arg(fromUtf8(startText)));
        return;
    }
    m_stop.reset();
    if (!stopText.empty()) {
        m_stop = readTimestamp(stopText);
        if (!m_stop) {
            fail(
                m_programmeAt,
                QStringLiteral("the stop \"%1\" cannot be read as a time").arg(fromUtf8(stopText)));
            return;
        }
    }
    m_inProgramme = true;
    m_startText = startText;
    m_programme = ReadProgramme();
    m_programme.channel = *channel;
    m_programme.date = m_start->date;
    m_programme.time = m_start->time;
    m_hasTitle = m_hasDesc = m_hasCategory = false;
    m_lengthSeconds.reset();
}

void GuideReader::endProgramme()
{
    m_inProgramme = false;
    if (!m_hasTitle) {
        fail(m_programmeAt,
             QStringLiteral("the programme starting %1 has no <title>").arg(fromUtf8(m_startText)));
        return;
    }
    // The stop says how long the programme runs; <length> only stands in when
    // there is no stop, as it may count the air time without breaks.
    m_programme.seconds = m_stop ? secondsBetween(*m_start, *m_stop) : m_lengthSeconds;
    m_batch.programmes.push_back(m_programme);
    if (m_batch.programmes.size() == programmesPerBatch)
        handOver();
}

// Programmes go into the store this many to a statement: a statement per
// programme would cost more than the programme itself.
constexpr int rowsPerInsert = 64;
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

// Stores what the reading thread hands over, on the calling thread.
class GuideStore
{
public:
    GuideStore(Connection &db, qint32 projectID) : m_db(db), m_projectID(projectID) {}

    Status prepare();
    Status store(const Batch &batch);

    const XmltvImport &done() const { return m_done; }

private:
    // The texts a row is made of that are worked out here rather than read:
    // bound without a copy, they must last until the row's statement has run.
    struct MadeTexts
    {
        char date[10];
        char time[8];
        char minutes[24];
    };

    Status storeChannel(const ReadChannel &channel);
    // Binds the programme to the row numbered from 0 of the statement.
    void bind(store::SqliteStatement &insert, int row, const Batch &batch,
              const ReadProgramme &programme);
    Status run(store::SqliteStatement &insert);

    Connection &m_db;
    qint32 m_projectID;
    std::optional<store::SqliteStatement> m_insertMany;
    std::optional<store::SqliteStatement> m_insertOne;
    std::array<MadeTexts, rowsPerInsert> m_made{};
    // The project's channel of each channel the file defines, in its order.
    QList<qint64> m_channelIDs;
    // The project's channels by name, the first of each name.
    QHash<QString, qint64> m_channelsByName;
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

    // The programmes go in straight through SQLite, on the connection's own
    // handle and so inside its transaction: through QSqlQuery every value
    // would become a QVariant of UTF-16 text on the way.
    sqlite3 *handle = store::sqliteHandle(m_db);
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
