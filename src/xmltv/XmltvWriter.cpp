#include "xmltv/XmltvWriter.h"

#include "store/AtomicFile.h"
#include "store/Connection.h"
#include "store/OutputPath.h"
#include "store/SqliteStatement.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"
#include "xmltv/XmltvExtras.h"
#include "xmltv/XmltvTime.h"

#include <QDir>
#include <QStringList>

#include <zlib.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using store::Connection;
using store::Failure;
using store::Result;
using store::SqliteStatement;

namespace xmltv {

namespace {

// Characters XML cannot carry, and C1 controls, which in a guide are only
// ever the trace of text decoded with the wrong code page and which XMLTV's
// validator rejects.
bool keeps(char32_t c)
{
    if (c == u'\t' || c == u'\n' || c == u'\r')
        return true;
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f))
        return false;
    if (c >= 0xd800 && c <= 0xdfff)
        return false;
    return c != 0xfffe && c != 0xffff;
}

QString keptCharacters(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (keeps(c))
            kept += QString::fromUcs4(&c, 1);
    }
    return kept;
}

QString xmlText(const QString &text)
{
    // Nearly every text is kept whole; look closer only when one may not be.
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || c.isSurrogate() || u >= 0xfffe)
            return keptCharacters(text);
    }
    return text;
}

bool blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The blanks QString::trimmed() removes.
bool isBlank(char32_t c)
{
    return c == 0x20 || (c >= 0x09 && c <= 0x0d) || c == 0x85 || c == 0xa0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f ||
           c == 0x205f || c == 0x3000;
}

// Text as the store keeps it, in UTF-8, read straight into the file. Text
// that is anything but well-formed UTF-8 of characters a guide keeps as
// they are goes the long way, through the UTF-16 SQLite makes of it: that
// way any byte the store holds comes out as it always has.
struct Plain
{
    bool plain = true;
    bool blank = true;
};

// How each byte starts a character: 0 a character of ASCII that is not
// blank, 1 a blank of ASCII, 2 a control character the guide leaves out,
// 3 the first or a following byte of a longer character.
struct ByteKinds
{
    unsigned char kind[256];
    // Bytes XML writes some other way: 1 in text and attributes, 2 in attributes only.
    unsigned char escape[256];
    constexpr ByteKinds() : kind(), escape()
    {
        for (int b = 0; b < 256; ++b) {
            kind[b] = b >= 0x80 ? 3 : (b < 0x20 || b == 0x7f) ? 2 : 0;
            escape[b] = 0;
        }
        for (const int b : {0x20, 0x09, 0x0a, 0x0b, 0x0c, 0x0d})
            kind[b] = 1;
        for (const int b : {0x0b, 0x0c})
            kind[b] = 2;
        for (const int b : {'<', '>', '&', '"', '\r'})
            escape[b] = 1;
        for (const int b : {'\t', '\n'})
            escape[b] = 2;
    }
};
constexpr ByteKinds bytes;

Plain examine(std::string_view text)
{
    Plain found;
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    // Text nearly always begins with a character that is not blank.
    if (p < end && bytes.kind[*p] == 0)
        found.blank = false;
    while (p < end) {
        // Plain ASCII, the most of every text, a byte at a time without
        // decoding.
        while (p < end && bytes.kind[*p] <= 1) {
            if (bytes.kind[*p] == 0)
                found.blank = false;
            ++p;
        }
        if (p == end)
            break;
        const unsigned char b = *p;
        if (b < 0x80)
            return {false, false};
        char32_t c = 0;
        int more = 0;
        if (b >= 0xc2 && b <= 0xdf) {
            c = b & 0x1f;
            more = 1;
        } else if (b >= 0xe0 && b <= 0xef) {
            c = b & 0x0f;
            more = 2;
        } else if (b >= 0xf0 && b <= 0xf4) {
            c = b & 0x07;
            more = 3;
        } else {
            return {false, false};
        }
        if (end - p <= more)
            return {false, false};
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return {false, false};
            c = (c << 6) | (p[i] & 0x3f);
        }
        p += more + 1;
        // Overlong forms, surrogates, beyond Unicode, C1 controls and
        // non-characters: the long way.
        const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
        if (c < least || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff) || c <= 0x9f ||
            (c >= 0xfdd0 && c <= 0xfdef) || (c & 0xfffe) == 0xfffe)
            return {false, false};
        if (found.blank && !isBlank(c))
            found.blank = false;
    }
    return found;
}

// Text as XML character data, or an attribute's value; a carriage
// return goes out as the character reference &#13;: written as it is,
// any XML reader would hand it back as a line feed, and a guide read
// back in would not give the text it was made of. In an attribute, tabs
// and line feeds too, which a reader would otherwise make spaces.
void appendEscaped(std::string &out, std::string_view text, bool attribute)
{
    const unsigned char level = attribute ? 2 : 1;
    const auto *data = reinterpret_cast<const unsigned char *>(text.data());
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char escape = bytes.escape[data[i]];
        if (escape == 0 || escape > level)
            continue;
        out.append(text.data() + from, i - from);
        switch (data[i]) {
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '&':
            out.append("&amp;");
            break;
        case '"':
            out.append("&quot;");
            break;
        case '\r':
            out.append("&#13;");
            break;
        case '\t':
            out.append("&#9;");
            break;
        default:
            out.append("&#10;");
            break;
        }
        from = i + 1;
    }
    out.append(text.data() + from, text.size() - from);
}

// The file's bytes, gathered in a buffer of fixed size, and gzipped on
// their way to the file when its name asks for it.
class Output
{
public:
    Output(QIODevice &device, bool gzip) : m_device(device)
    {
        m_buffer.reserve(capacity + 4096);
        if (gzip) {
            m_zip.emplace();
            // 15 + 16: a gzip header and trailer around the deflated bytes.
            m_ok = deflateInit2(&*m_zip, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                                Z_DEFAULT_STRATEGY) == Z_OK;
            if (!m_ok)
                m_zip.reset();
        }
    }
    ~Output()
    {
        if (m_zip)
            deflateEnd(&*m_zip);
    }

    std::string &buffer() { return m_buffer; }
    void append(std::string_view text)
    {
        m_buffer.append(text);
        if (m_buffer.size() >= capacity)
            flush();
    }
    void flush()
    {
        if (m_zip) {
            deflateBuffer(Z_NO_FLUSH);
        } else if (m_ok && !m_buffer.empty()) {
            m_ok =
                m_device.write(m_buffer.data(), qint64(m_buffer.size())) == qint64(m_buffer.size());
        }
        m_buffer.clear();
    }
    // Once everything is written.
    void finish()
    {
        flush();
        if (m_zip)
            deflateBuffer(Z_FINISH);
    }
    bool ok() const { return m_ok; }

    void escaped(std::string_view text, bool attribute)
    {
        appendEscaped(m_buffer, text, attribute);
        if (m_buffer.size() >= capacity)
            flush();
    }

    // <name>text</name> on a line of its own.
    void element(std::string_view indent, std::string_view name, std::string_view text)
    {
        m_buffer.append(indent).append("<").append(name).append(">");
        escaped(text, false);
        m_buffer.append("</").append(name).append(">\n");
    }

    // The same for text already escaped.
    void escapedElement(std::string_view indent, std::string_view name, std::string_view text)
    {
        m_buffer.append(indent).append("<").append(name).append(">");
        append(text);
        m_buffer.append("</").append(name).append(">\n");
    }

private:
    void deflateBuffer(int flush)
    {
        if (!m_ok)
            return;
        z_stream &zip = *m_zip;
        zip.next_in = reinterpret_cast<Bytef *>(m_buffer.data());
        zip.avail_in = uInt(m_buffer.size());
        int status = Z_OK;
        do {
            unsigned char out[capacity];
            zip.next_out = out;
            zip.avail_out = sizeof out;
            status = deflate(&zip, flush);
            const qint64 made = qint64(sizeof out - zip.avail_out);
            if (status == Z_STREAM_ERROR ||
                (made > 0 && m_device.write(reinterpret_cast<const char *>(out), made) != made)) {
                m_ok = false;
                return;
            }
        } while (zip.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    }

    static constexpr std::size_t capacity = 1 << 16;
    QIODevice &m_device;
    std::string m_buffer;
    std::optional<z_stream> m_zip;
    bool m_ok = true;
};

// A value of the current row as the guide holds it, and whether it is blank.
struct Value
{
    std::string_view text;
    bool blank = true;
};

// Reads column as the guide writes it; text that needs a closer look is
// made into kept characters in scratch, whose bytes the value then refers to.
Value guideText(const SqliteStatement &row, int column, std::string &scratch,
                bool *rawBlank = nullptr)
{
    const std::string_view stored = row.text(column);
    const Plain plain = examine(stored);
    if (plain.plain) {
        if (rawBlank)
            *rawBlank = plain.blank;
        return {stored, plain.blank};
    }
    const QString wide = row.wideText(column);
    if (rawBlank)
        *rawBlank = blank(wide);
    const QString kept = xmlText(wide);
    scratch = kept.toStdString();
    return {scratch, blank(kept)};
}

QString leftOutReason(bool noName, const std::optional<QDate> &date,
                      const std::optional<QTime> &time, const QString &typedDate,
                      const QString &typedTime)
{
    QStringList reasons;
    if (noName)
        reasons << QStringLiteral("it has no name");
    if (!date) {
        reasons << (blank(typedDate) ? QStringLiteral("it has no start date")
                                     : QStringLiteral("the start date cannot be read"));
    }
    if (!time) {
        reasons << (blank(typedTime) ? QStringLiteral("it has no start time")
                                     : QStringLiteral("the start time cannot be read"));
    }
    return reasons.join(QStringLiteral("; "));
}

// What a typed value means, worked out once for each distinct text: a
// project's programmes share a few hundred dates, times and lengths. Kept
// to a bounded number of texts whatever the project holds.
template<typename T> class Readings
{
public:
    using Read = std::optional<T> (*)(const QString &);
    explicit Readings(Read read) : m_read(read) {}

    std::optional<T> of(const SqliteStatement &row, int column)
    {
        const std::string_view stored = row.text(column);
        // Programmes in a row often share a date.
        if (m_hasLast && stored == m_last)
            return m_lastRead;
        m_key.assign(stored);
        auto found = m_known.find(m_key);
        if (found == m_known.end()) {
            if (m_known.size() >= 100000)
                m_known.clear();
            // The key is copied before the text is read again as UTF-16,
            // which lets go of the UTF-8 it points into.
            found = m_known.emplace(m_key, m_read(row.wideText(column))).first;
        }
        m_hasLast = true;
        m_last = m_key;
        m_lastRead = found->second;
        return m_lastRead;
    }

private:
    Read m_read;
    std::unordered_map<std::string, std::optional<T>> m_known;
    std::string m_key;
    bool m_hasLast = false;
    std::string m_last;
    std::optional<T> m_lastRead;
};

// A programme of the channel being written, its text kept escaped in the
// channel's own buffer until the channel's programmes are in start order.
struct Programme
{
    qint64 id = 0;
    GuideInstant start;
    std::optional<GuideInstant> stop;
    // What the guide it came from said beyond the columns, as kept.
    std::size_t extra = 0;
    std::size_t extraSize = 0;
    std::size_t name = 0;
    std::size_t nameSize = 0;
    std::size_t desc = 0;
    std::size_t descSize = 0;
    std::size_t category = 0;
    std::size_t categorySize = 0;
    bool hasDesc = false;
    bool hasCategory = false;
};

class GuideWriter
{
public:
    GuideWriter(Connection &db, qint32 projectID, const QTimeZone &zone, Output &out)
        : m_db(db), m_handle(store::sqliteHandle(db)), m_projectID(projectID), m_zone(zone),
          m_out(out)
    {
    }

    store::Status write(XmltvExport &done);

private:
    store::Status failed(const SqliteStatement &statement)
    {
        return m_db.failure(statement.errorString());
    }
    void writeChannel(const SqliteStatement &channel);
    // Reads the channel's programmes in start order; those that cannot be
    // written go to the list of those left out.
    bool readProgrammes(SqliteStatement &programmes, qint64 channelID, const QString &channelName,
                        XmltvExport &done);
    void writeProgrammes(qint64 channelID);
    // The start and stop of the row read by readProgrammes.
    GuideTimes timesOf(const SqliteStatement &row, QDate date, QTime time);
    void appendTime(const GuideInstant &at);

    Connection &m_db;
    sqlite3 *m_handle;
    qint32 m_projectID;
    ZoneOffsets m_zone;
    Output &m_out;
    Readings<QDate> m_dates{&store::readTypedDate};
    Readings<QTime> m_times{&store::readTypedTime};
    Readings<int> m_durations{&store::readTypedDuration};
    std::vector<Programme> m_programmes;
    std::string m_text;
    std::string m_scratch;
    std::string m_scratch2;
    // The id each channel goes by in the guide, and those given out.
    std::unordered_map<qint64, std::string> m_ids;
    std::unordered_set<std::string> m_idsUsed;
};

using ProjectTable = store::tables::Project;
using ChannelTable = store::tables::Channel;
using ProgrammeTable = store::tables::Programme;

// A guide's name, when it has one to show.
bool hasName(const SqliteStatement &row, std::string &scratch)
{
    return !guideText(row, 1, scratch).blank;
}

store::Status GuideWriter::write(XmltvExport &done)
{
    SqliteStatement project(m_handle, QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ?")
                                          .arg(ProjectTable::id, ProjectTable::table));
    project.restart(m_projectID);
    if (!project.next()) {
        if (!project.ok())
            return failed(project);
        return m_db.failure(QStringLiteral("There is no project %1.").arg(m_projectID));
    }

    // The columns by number: 0 the identifier, then as the reading below takes them.
    SqliteStatement channels(
        m_handle,
        QStringLiteral("SELECT c.%1, c.%2, c.%3, c.%4, x.%5, x.%6, c.%7 FROM %8 c LEFT JOIN %9 x "
                       "USING (%1) WHERE c.%10 = ? ORDER BY c.%1")
            .arg(ChannelTable::id, ChannelTable::name, ChannelTable::logoUrl,
                 ChannelTable::channelUrl, store::tables::ChannelXmltv::xmltvId,
                 store::tables::ChannelXmltv::xmltvExtra, ChannelTable::number, ChannelTable::table,
                 store::tables::ChannelXmltv::table)
            .arg(ChannelTable::projectId));
    const QString programmeColumns =
        QStringList{ProgrammeTable::id,        ProgrammeTable::name,     ProgrammeTable::startDate,
                    ProgrammeTable::startTime, ProgrammeTable::duration, ProgrammeTable::desc,
                    ProgrammeTable::category}
            .join(QStringLiteral(", "));
    // With what the import kept beside them.
    const QString keptColumns = QStringList{ProgrammeTable::xmltvStart, ProgrammeTable::xmltvStop,
                                            ProgrammeTable::xmltvTyped, ProgrammeTable::xmltvExtra}
                                    .join(QStringLiteral(", "));
    // In the order they were added, which the left-out list keeps.
    SqliteStatement programmes(m_handle,
                               QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = ? ORDER BY %5")
                                   .arg(programmeColumns, keptColumns, ProgrammeTable::table,
                                        ProgrammeTable::channelId, ProgrammeTable::id));
    // Whether a channel has a programme to write, in any order.
    SqliteStatement starts(
        m_handle, QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                      .arg(programmeColumns, ProgrammeTable::table, ProgrammeTable::channelId));
    for (const SqliteStatement *statement : {&channels, &programmes, &starts}) {
        if (!statement->ok())
            return failed(*statement);
    }

    m_out.buffer().append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
                          "<tv generator-info-name=\"Quorvel\"");
    // First the channels that have a programme the guide can hold: a
    // channel without programmes is left out, as XMLTV's validator insists.
    bool any = false;
    channels.restart(m_projectID);
    while (channels.next()) {
        starts.restart(channels.integer(0));
        bool writable = false;
        while (!writable && starts.next()) {
            writable = m_dates.of(starts, 2) && m_times.of(starts, 3) && hasName(starts, m_scratch);
        }
        if (!starts.ok())
            return failed(starts);
        if (!writable)
            continue;
        if (!any)
            m_out.buffer().append(">\n");
        any = true;
        writeChannel(channels);
    }
    if (!channels.ok())
        return failed(channels);

    // Then each channel's programmes in start order: one channel's are
    // held at a time, never the project's.
    channels.restart(m_projectID);
    while (channels.next()) {
        const qint64 channelID = channels.integer(0);
        const QString channelName = channels.wideText(1);
        if (!readProgrammes(programmes, channelID, channelName, done))
            return failed(programmes);
        if (m_programmes.empty())
            continue;
        ++done.channels;
        done.programmes += int(m_programmes.size());
        writeProgrammes(channelID);
        if (!m_out.ok())
            return store::success(); // the file's own failure is reported by the caller
    }
    if (!channels.ok())
        return failed(channels);
    m_out.buffer().append(any ? "</tv>\n" : "/>\n");
    return store::success();
}

void GuideWriter::writeChannel(const SqliteStatement &channel)
{
    // The id the guide it came from gave it, which players match their
    // lists to; one made here, or whose id another channel took already,
    // goes by the id made from its identifier.
    const qint64 channelID = channel.integer(0);
    std::string id(channel.text(4));
    if (id.empty() || m_idsUsed.count(id))
        id = channelXmltvId(channelID).toStdString();
    m_idsUsed.insert(id);

    std::string &out = m_out.buffer();
    out.append("  <channel id=\"");
    appendEscaped(out, id, true);
    out.append("\">\n");
    m_ids[channelID] = std::move(id);

    const auto escaped = [](const QString &text, bool attribute) {
        std::string e;
        appendEscaped(e, xmlText(text).toStdString(), attribute);
        return e;
    };
    const QString logoURL = channel.wideText(2);
    const QString channelURL = channel.wideText(3);
    const QString number = channel.wideText(6);
    const std::string name = escaped(channel.wideText(1), false);
    const std::string logo = escaped(logoURL.trimmed(), true);
    const std::string url = escaped(channelURL.trimmed(), false);
    const std::string lcn = escaped(number.trimmed(), false);
    using extras::Column;
    const Column columns[] = {
        {extras::displayNameRank, "display-name", name, true},
        {extras::iconRank, "icon", logo, !blank(logoURL), true},
        {extras::urlRank, "url", url, !blank(channelURL)},
        {extras::lcnRank, "lcn", lcn, !blank(number), false, true},
    };
    extras::appendChildren(out, channel.text(5), columns, int(std::size(columns)), "    ", true);
    out.append("  </channel>\n");
    m_out.append({});
}

// While the start date and time are the texts the import wrote, the
// instants the guide gave hold; the stop too, while the duration is.
// Anything the user has typed since is read in the export's zone.
GuideTimes GuideWriter::timesOf(const SqliteStatement &row, QDate date, QTime time)
{
    GuideTimes times;
    const std::string_view typed = row.text(9);
    const std::size_t firstBreak = typed.find('\n');
    const std::size_t secondBreak =
        firstBreak == std::string_view::npos ? firstBreak : typed.find('\n', firstBreak + 1);
    const auto kept = [](std::string_view text) -> std::optional<GuideInstant> {
        const auto read = text.empty() ? std::nullopt : readTimestamp(text);
        if (!read || !read->unknownZone.isEmpty())
            return std::nullopt;
        return GuideInstant{read->wallSeconds() - read->offset, read->offset};
    };
    std::optional<GuideInstant> start;
    if (secondBreak != std::string_view::npos && row.text(2) == typed.substr(0, firstBreak) &&
        row.text(3) == typed.substr(firstBreak + 1, secondBreak - firstBreak - 1)) {
        start = kept(row.text(7));
    }
    times.start = start ? *start : GuideInstant{instantOf(date, time, m_zone), std::nullopt};
    if (start && row.text(4) == typed.substr(secondBreak + 1)) {
        // As the guide had it: its stop to the second, or none.
        times.stop = kept(row.text(8));
        return times;
    }
    // A length of nothing gives no stop rather than one equal to the start.
    const int minutes = m_durations.of(row, 4).value_or(0);
    if (minutes > 0)
        times.stop = GuideInstant{times.start.instant + qint64(minutes) * 60, std::nullopt};
    return times;
}

bool GuideWriter::readProgrammes(SqliteStatement &rows, qint64 channelID,
                                 const QString &channelName, XmltvExport &done)
{
    m_programmes.clear();
    m_text.clear();
    rows.restart(channelID);
    while (rows.next()) {
        const auto date = m_dates.of(rows, 2);
        const auto time = m_times.of(rows, 3);
        const Value name = guideText(rows, 1, m_scratch);
        if (!date || !time || name.blank) {
            const QString typedDate = rows.wideText(2);
            const QString typedTime = rows.wideText(3);
            done.leftOut.append({rows.wideText(1), channelName, typedDate, typedTime,
                                 leftOutReason(name.blank, date, time, typedDate, typedTime)});
            continue;
        }
        Programme programme;
        programme.id = rows.integer(0);
        const GuideTimes times = timesOf(rows, *date, *time);
        programme.start = times.start;
        programme.stop = times.stop;
        // Kept as the import made it: XML already.
        programme.extra = m_text.size();
        m_text.append(rows.text(10));
        programme.extraSize = m_text.size() - programme.extra;
        programme.name = m_text.size();
        appendEscaped(m_text, name.text, false);
        programme.nameSize = m_text.size() - programme.name;
        // XMLTV wants an empty description left out, not written empty.
        bool blankDesc = true;
        const Value desc = guideText(rows, 5, m_scratch, &blankDesc);
        programme.hasDesc = !blankDesc;
        programme.desc = m_text.size();
        if (programme.hasDesc)
            appendEscaped(m_text, desc.text, false);
        programme.descSize = m_text.size() - programme.desc;
        bool blankCategory = true;
        const Value category = guideText(rows, 6, m_scratch, &blankCategory);
        programme.hasCategory = !blankCategory;
        programme.category = m_text.size();
        if (programme.hasCategory)
            appendEscaped(m_text, category.text, false);
        programme.categorySize = m_text.size() - programme.category;
        m_programmes.push_back(programme);
    }
    if (!rows.ok())
        return false;
    std::stable_sort(
        m_programmes.begin(), m_programmes.end(), [](const Programme &a, const Programme &b) {
            return a.start.instant != b.start.instant ? a.start.instant < b.start.instant
                                                      : a.id < b.id;
        });
    return true;
}

void GuideWriter::appendTime(const GuideInstant &at)
{
    if (at.offset)
        appendTimestamp(m_out.buffer(), at.instant, *at.offset);
    else
        appendTimestamp(m_out.buffer(), at.instant, m_zone);
}

void GuideWriter::writeProgrammes(qint64 channelID)
{
    std::string id;
    appendEscaped(id, m_ids[channelID], true);
    const std::string_view text(m_text);
    for (const Programme &programme : m_programmes) {
        std::string &out = m_out.buffer();
        out.append("  <programme start=\"");
        appendTime(programme.start);
        if (programme.stop) {
            out.append("\" stop=\"");
            appendTime(*programme.stop);
        }
        const std::string_view extra = text.substr(programme.extra, programme.extraSize);
        out.append("\" channel=\"").append(id).append("\"");
        out.append(extras::programmeAttributes(extra));
        out.append(">\n");
        using extras::Column;
        const Column columns[] = {
            {extras::titleRank, "title", text.substr(programme.name, programme.nameSize), true},
            {extras::descRank, "desc", text.substr(programme.desc, programme.descSize),
             programme.hasDesc},
            {extras::categoryRank, "category",
             text.substr(programme.category, programme.categorySize), programme.hasCategory},
        };
        extras::appendChildren(out, extra, columns, int(std::size(columns)), "    ", false);
        m_out.append("  </programme>\n");
    }
}

} // namespace

QString channelXmltvId(qint64 channelID)
{
    return QStringLiteral("c%1.quorvel").arg(channelID);
}

Result<XmltvExport> writeXmltv(const QString &databasePath, qint32 projectID, const QString &path,
                               const QTimeZone &zone)
{
    const QString action = QStringLiteral("Could not write the XMLTV file");
    if (auto refused = store::refuseDatabaseAsOutput(path, databasePath, action); !refused)
        return refused.failure();
    store::AtomicFile file(path);
    if (!file.open())
        return Failure{action, file.errorString(), QString()};

    // guide.xml.gz, as guides are often published.
    Output out(file.device(), path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive));
    XmltvExport done;
    const store::Status read = store::readSnapshot(
        databasePath, QStringLiteral("Could not read the project to export"),
        [&](Connection &db) { return GuideWriter(db, projectID, zone, out).write(done); });
    if (!read)
        return read.failure();
    out.finish();
    if (!out.ok()) {
        return Failure{action,
                       QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                    file.device().errorString()),
                       QString()};
    }
    if (!file.commit())
        return Failure{action, file.errorString(), QString()};
    return done;
}

} // namespace xmltv
