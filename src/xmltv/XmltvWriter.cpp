#include "xmltv/XmltvWriter.h"

#include "store/AtomicFile.h"
#include "store/ChannelProgrammes.h"
#include "store/Connection.h"
#include "store/Gone.h"
#include "store/OutputPath.h"
#include "store/ProgrammeRow.h"
#include "store/Server.h"
#include "store/Statement.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"
#include "times/ProgrammeSpan.h"
#include "xmltv/XmltvColumns.h"
#include "xmltv/XmltvEscape.h"
#include "xmltv/XmltvExtras.h"
#include "xmltv/XmltvOutput.h"
#include "xmltv/XmltvSortedRuns.h"
#include "xmltv/XmltvTime.h"

#include <QDir>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using store::Connection;
using store::Failure;
using store::Result;
using store::Statement;

namespace xmltv {

namespace {

using escape::appendEscaped;
using escape::appendPlain;
using escape::xmlText;

bool blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// A stored text as the guide carries it.
struct GuideText
{
    QString text;
    bool storedBlank = true;
    // The characters the guide leaves out, in words the user can look for;
    // empty when there are none.
    QString notCarried;
};

// The column as the program reads it everywhere, through the UTF-16 SQLite
// makes of it, in which a byte that is not UTF-8, a surrogate and the
// non-characters U+FFFE and U+FFFF read as U+FFFD already.
GuideText guideText(const Statement &row, int column)
{
    const QString wide = row.wideText(column);
    QStringList leftOut;
    GuideText made{xmlText(wide, &leftOut), blank(wide), QString()};
    if (!leftOut.isEmpty()) {
        made.notCarried =
            QStringLiteral("%1 left out (an XMLTV guide cannot carry %2)")
                .arg(leftOut.join(QStringLiteral(", ")),
                     leftOut.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
    }
    return made;
}

// What appendGuideText found: whether the text the guide gets is blank, and
// whether the stored text was.
struct Written
{
    bool blank = true;
    bool storedBlank = true;
    // The length in UTF-8 of the text the guide gets, which the import bounds.
    std::size_t bytes = 0;
    // What of the stored text the guide does not carry; empty when all.
    QString notCarried;
};

// Appends column as the guide writes it, escaped as XML text.
Written appendGuideText(std::string &out, const Statement &row, int column)
{
    bool plainBlank = true;
    const std::string_view stored = row.text(column);
    if (appendPlain(out, stored, plainBlank))
        return {plainBlank, plainBlank, stored.size(), QString()};
    const GuideText text = guideText(row, column);
    const std::string kept = text.text.toStdString();
    appendEscaped(out, kept, false);
    return {blank(text.text), text.storedBlank, kept.size(), text.notCarried};
}

// <name>text</name> for a column that is not blank: XMLTV wants an empty
// description or category left out, not written empty.
Written appendChild(std::string &out, const Statement &row, int column, std::string_view open,
                    std::string_view close)
{
    const std::size_t was = out.size();
    out.append(open);
    Written written = appendGuideText(out, row, column);
    if (written.storedBlank)
        out.resize(was);
    else
        out.append(close);
    return written;
}

// The first tag of xml longer than bytes, from its < to its >. Text and
// attribute values are escaped, so every < starts a tag.
std::optional<std::string_view> tagLongerThan(std::string_view xml, qint64 bytes)
{
    for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at)) {
        const std::size_t end = xml.find('>', at);
        const std::size_t size = (end == std::string_view::npos ? xml.size() : end + 1) - at;
        if (qint64(size) > bytes)
            return xml.substr(at, size);
        if (end == std::string_view::npos)
            break;
        at = end;
    }
    return std::nullopt;
}

QString leftOutReason(bool noName, bool dateRead, bool timeRead, const QString &typedDate,
                      const QString &typedTime)
{
    QStringList reasons;
    if (noName)
        reasons << QStringLiteral("it has no name");
    if (!dateRead) {
        reasons << (blank(typedDate) ? QStringLiteral("it has no start date")
                                     : QStringLiteral("the start date cannot be read"));
    }
    if (!timeRead) {
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

    std::optional<T> of(const Statement &row, int column)
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

QString exportAction()
{
    return QStringLiteral("Could not write the XMLTV file");
}

using ProjectTable = store::tables::Project;
using ChannelTable = store::tables::Channel;
using ProgrammeTable = store::tables::Programme;

// Where a statement has each programme column the export reads, looked up
// by name once for the statement; -1 for one it does not select.
struct ProgrammeColumns
{
    ProgrammeColumns() = default;
    explicit ProgrammeColumns(const Statement &s)
        : name(s.column(ProgrammeTable::name)), startDate(s.column(ProgrammeTable::startDate)),
          startTime(s.column(ProgrammeTable::startTime)),
          duration(s.column(ProgrammeTable::duration)),
          xmltvStart(s.column(ProgrammeTable::xmltvStart)),
          xmltvStop(s.column(ProgrammeTable::xmltvStop)),
          xmltvTyped(s.column(ProgrammeTable::xmltvTyped)),
          xmltvExtra(s.column(ProgrammeTable::xmltvExtra))
    {
        for (int c = 0; c < childColumnCount; ++c) {
            const ChildColumn &column = programmeChildren[c];
            child[std::size_t(c)] = s.column(column.column);
            childAttribute[std::size_t(c)] =
                column.attribute ? s.column(column.attributeColumn) : -1;
        }
    }
    int name = -1, startDate = -1, startTime = -1, duration = -1;
    int xmltvStart = -1, xmltvStop = -1, xmltvTyped = -1, xmltvExtra = -1;
    // Those of the children that stand for columns, and of their attributes.
    std::array<int, childColumnCount> child = {};
    std::array<int, childColumnCount> childAttribute = {};
};

// As the programme's children that stand for columns wrote their texts.
using Texts = std::array<Written, childColumnCount>;

class GuideWriter
{
public:
    GuideWriter(Connection &db, qint32 projectID, const QTimeZone &zone, Output &out,
                std::size_t bytesInMemory, const XmltvLimits &limits)
        : m_db(db), m_projectID(projectID), m_zone(zone), m_out(out),
          m_bytesInMemory(bytesInMemory), m_limits(limits)
    {
    }

    store::Status write(XmltvExport &done);

private:
    store::Status failed(const Statement &statement)
    {
        return m_db.failure(statement.errorString());
    }
    store::Status writeChannel(const Statement &channel, XmltvExport &done);
    // Reads the channel's programmes in start order; those that cannot be
    // written go to the list of those left out.
    store::Status readProgrammes(store::ChannelProgrammes &programmes, qint64 channelID,
                                 const QString &channelName, XmltvExport &done);
    void sortProgrammes();
    // The programmes read so far, sorted, as a run of the channel's.
    store::Status spillProgrammes();
    store::Status writeProgrammes();
    // When the row read by readProgrammes runs; lengthUnread when its
    // typed duration, not blank, cannot be read and gives its stop.
    times::ProgrammeSpan spanOf(const Statement &row, bool &lengthUnread);
    // <programme start="..." stop="..." channel=", to the channel's id.
    void appendStartTag(const times::ProgrammeSpan &span);
    // The programme's children where the guide it came from said more than
    // the columns hold, in the order XMLTV sets; false when the programme
    // has no name to show.
    // The programme's children that stand for columns, in XMLTV's order;
    // false when the programme has no name to show.
    bool appendColumnChildren(const Statement &row, Texts &texts);
    bool appendMergedChildren(const Statement &row, std::string_view extra, Texts &texts);
    // The attribute the child keeps in a column of its own, when it has a value.
    void appendChildAttribute(std::string &out, const Statement &row, int child) const;
    // Fails when the programme's element just read would not be read back
    // as written, else lists what of its texts the guide does not carry.
    store::Status checkProgramme(const Statement &row, const Texts &texts, bool lengthUnread,
                                 std::size_t element, XmltvExport &done);
    // The row of the channels or programmes statement, as a report names it.
    ChangedText rowOf(const Statement &row, bool programme) const;
    // The failure that keeps the row out of a guide the import would refuse.
    store::Failure refuse(const ChangedText &row, const QString &why);
    store::Failure refuseText(const ChangedText &row, const QString &column, std::size_t bytes);
    store::Failure refuseTag(const ChangedText &row, std::string_view tag);
    QString projectName();

    Connection &m_db;
    // Where the programmes statement has each column.
    ProgrammeColumns m_at;
    qint32 m_projectID;
    ZoneOffsets m_zone;
    Output &m_out;
    std::size_t m_bytesInMemory;
    SortedRuns m_runs;
    // The channel's programmes, in memory and in runs.
    qint64 m_channelProgrammes = 0;
    Readings<QDate> m_dates{&store::readTypedDate};
    Readings<QTime> m_times{&store::readTypedTime};
    Readings<int> m_durations{&store::readTypedDuration};
    std::vector<ProgrammeElement> m_programmes;
    // Whether m_programmes, read in the order they were added, are in start order already.
    bool m_inOrder = true;
    std::string m_text;
    std::string m_scratch;
    // The id each channel goes by in the guide, and those given out.
    std::unordered_map<qint64, std::string> m_ids;
    std::unordered_set<std::string> m_idsUsed;
    // The name of the channel whose programmes are being read, for reports.
    QString m_channelName;
    // What the import reads back; the export writes nothing beyond it.
    const XmltvLimits m_limits;
};

// A guide's name, when it has one to show.
bool hasName(const Statement &row, int column, std::string &scratch)
{
    scratch.clear();
    return !appendGuideText(scratch, row, column).blank;
}

store::Status GuideWriter::write(XmltvExport &done)
{
    Statement project(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ?")
                                .arg(ProjectTable::id, ProjectTable::table));
    project.restart(m_projectID);
    if (!project.next()) {
        if (!project.ok())
            return failed(project);
        return store::goneFailure(m_db, ProjectTable::table);
    }

    // The columns by number: 0 the identifier, then as the reading below takes them.
    Statement channels(
        m_db,
        QStringLiteral("SELECT c.%1, c.%2, c.%3, c.%4, x.%5, x.%6, c.%7 FROM %8 c LEFT JOIN %9 x "
                       "USING (%1) WHERE c.%10 = ? ORDER BY c.%1")
            .arg(ChannelTable::id, ChannelTable::name, ChannelTable::logoUrl,
                 ChannelTable::channelUrl, store::tables::ChannelXmltv::xmltvId,
                 store::tables::ChannelXmltv::xmltvExtra, ChannelTable::number, ChannelTable::table,
                 store::tables::ChannelXmltv::table)
            .arg(ChannelTable::projectId));
    // Every column but the channel, in the order they were added, which
    // the left-out list keeps.
    store::ColumnNames columns = store::programmeColumns();
    columns.removeOne(ProgrammeTable::channelId);
    store::ChannelProgrammes programmes(m_db, columns, m_projectID);
    // Whether a channel has a programme to write, in any order.
    Statement starts(m_db,
                     QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                         .arg(store::columnList({ProgrammeTable::name, ProgrammeTable::startDate,
                                                 ProgrammeTable::startTime}),
                              ProgrammeTable::table, ProgrammeTable::channelId));
    const Statement *const made[] = {&channels, &programmes.row(), &starts};
    for (const Statement *statement : made) {
        if (!statement->ok())
            return failed(*statement);
    }
    m_at = ProgrammeColumns(programmes.row());
    const ProgrammeColumns startsAt(starts);

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
            writable = m_dates.of(starts, startsAt.startDate) &&
                       m_times.of(starts, startsAt.startTime) &&
                       hasName(starts, startsAt.name, m_scratch);
        }
        if (!starts.ok())
            return failed(starts);
        if (!writable)
            continue;
        if (!any)
            m_out.buffer().append(">\n");
        any = true;
        if (auto written = writeChannel(channels, done); !written)
            return written;
    }
    if (!channels.ok())
        return failed(channels);

    // Then each channel's programmes in start order: one channel's are
    // held at a time, never the project's.
    channels.restart(m_projectID);
    while (channels.next()) {
        const qint64 channelID = channels.integer(0);
        const QString channelName = channels.wideText(1);
        if (auto read = readProgrammes(programmes, channelID, channelName, done); !read)
            return read;
        if (m_channelProgrammes == 0)
            continue;
        ++done.channels;
        done.programmes += int(m_channelProgrammes);
        if (auto written = writeProgrammes(); !written)
            return written;
        if (!m_out.ok())
            return store::success(); // the file's own failure is reported by the caller
    }
    if (!channels.ok())
        return failed(channels);
    m_out.buffer().append(any ? "</tv>\n" : "/>\n");
    return store::success();
}

store::Status GuideWriter::writeChannel(const Statement &channel, XmltvExport &done)
{
    std::string &out = m_out.buffer();
    const std::size_t from = out.size();
    // Each text the guide holds otherwise than the store, and how.
    QList<std::pair<QString, QString>> changes;

    // The id the guide it came from gave it, which players match their
    // lists to; one made here, or whose id another channel took already,
    // goes by the id made from its identifier.
    const qint64 channelID = channel.integer(0);
    const GuideText givenId = guideText(channel, 4);
    std::string id = givenId.text.toStdString();
    if (!givenId.notCarried.isEmpty())
        changes.append({QStringLiteral("XMLTV id"), givenId.notCarried});
    if (id.empty() || m_idsUsed.count(id)) {
        const QString made = channelXmltvId(channelID);
        if (!id.empty()) {
            changes.append({QStringLiteral("XMLTV id"),
                            QStringLiteral("another channel goes by it already, so it was "
                                           "written as %1")
                                .arg(made)});
        }
        id = made.toStdString();
    }
    m_idsUsed.insert(id);
    out.append("  <channel id=\"");
    appendEscaped(out, id, true);
    out.append("\">\n");
    m_ids[channelID] = std::move(id);

    // The addresses and the number go out without blanks around them, which
    // would leave a player with none it can use.
    constexpr std::size_t count = 4;
    const GuideText texts[count] = {guideText(channel, 1), guideText(channel, 2),
                                    guideText(channel, 3), guideText(channel, 6)};
    const char *const names[count] = {"name", "logo address", "channel address", "number"};
    std::string kept[count];
    std::string escaped[count];
    bool trimmed[count] = {};
    for (std::size_t c = 0; c < count; ++c) {
        const QString shown = c == 0 ? texts[c].text : texts[c].text.trimmed();
        trimmed[c] = shown.size() != texts[c].text.size();
        kept[c] = shown.toStdString();
        appendEscaped(escaped[c], kept[c], c == 1);
    }
    using extras::Column;
    const Column columns[count] = {
        {extras::displayNameRank, "display-name", escaped[0], true},
        {extras::iconRank, "icon", escaped[1], !texts[1].storedBlank, true},
        {extras::urlRank, "url", escaped[2], !texts[2].storedBlank},
        {extras::lcnRank, "lcn", escaped[3], !texts[3].storedBlank, false, true},
    };
    bool written[count] = {};
    extras::appendChildren(out, channel.text(5), columns, int(count), "    ", true, written);
    out.append("  </channel>\n");

    for (std::size_t c = 0; c < count; ++c) {
        if (!written[c])
            continue;
        const QString column = QString::fromLatin1(names[c]);
        // The logo's address is an attribute, bounded as part of its tag.
        if (c != 1 && qint64(kept[c].size()) > m_limits.textBytes)
            return refuseText(rowOf(channel, false), column, kept[c].size());
        QStringList change;
        if (!texts[c].notCarried.isEmpty())
            change << texts[c].notCarried;
        if (trimmed[c])
            change << QStringLiteral("the blanks at its ends left out");
        if (!change.isEmpty())
            changes.append({column, change.join(QStringLiteral("; "))});
    }
    if (out.size() - from > std::size_t(m_limits.markupBytes)) {
        if (const auto tag =
                tagLongerThan(std::string_view(out).substr(from), m_limits.markupBytes))
            return refuseTag(rowOf(channel, false), *tag);
    }
    for (const auto &[column, change] : std::as_const(changes)) {
        ChangedText changed = rowOf(channel, false);
        changed.column = column;
        changed.change = change;
        done.changed.append(changed);
    }
    m_out.append({});
    return store::success();
}

times::ProgrammeSpan GuideWriter::spanOf(const Statement &row, bool &lengthUnread)
{
    const times::TypedReading read{m_dates.of(row, m_at.startDate), m_times.of(row, m_at.startTime),
                                   m_durations.of(row, m_at.duration)};
    store::ProgrammeRowUtf8 stored;
    stored.startDate = row.text(m_at.startDate);
    stored.startTime = row.text(m_at.startTime);
    stored.duration = row.text(m_at.duration);
    stored.xmltvStart = row.text(m_at.xmltvStart);
    stored.xmltvStop = row.text(m_at.xmltvStop);
    stored.xmltvTyped = row.text(m_at.xmltvTyped);
    const times::ProgrammeSpan span = times::programmeSpan(stored, read, m_zone);
    // Rare: read the text as the rest of the export reads it only then.
    lengthUnread = !span.keptEnd && span.durationUnread && !blank(row.wideText(m_at.duration));
    return span;
}

store::Status GuideWriter::readProgrammes(store::ChannelProgrammes &programmes, qint64 channelID,
                                          const QString &channelName, XmltvExport &done)
{
    const Statement &rows = programmes.row();
    m_programmes.clear();
    m_text.clear();
    m_inOrder = true;
    m_channelProgrammes = 0;
    m_channelName = channelName;
    std::string channel;
    if (const auto id = m_ids.find(channelID); id != m_ids.end())
        appendEscaped(channel, id->second, true);
    programmes.restart(channelID);
    while (programmes.next()) {
        bool lengthUnread = false;
        const times::ProgrammeSpan span = spanOf(rows, lengthUnread);
        const std::size_t element = m_text.size();
        bool noName = true;
        if (span.start) {
            // Kept as the import made it: XML already.
            const std::string_view extra = rows.text(m_at.xmltvExtra);
            appendStartTag(span);
            m_text.append(channel).append("\"");
            // The texts as written.
            Texts texts;
            if (extra.empty()) {
                // Nothing to merge: the columns in XMLTV's order, straight from the row.
                m_text.append(">\n");
                noName = !appendColumnChildren(rows, texts);
            } else {
                m_text.append(extras::programmeAttributes(extra)).append(">\n");
                noName = !appendMergedChildren(rows, extra, texts);
            }
            if (!noName) {
                m_text.append("  </programme>\n");
                if (auto checked = checkProgramme(rows, texts, lengthUnread, element, done);
                    !checked)
                    return checked;
                const qint64 start = span.start->at;
                if (!m_programmes.empty() && start < m_programmes.back().start)
                    m_inOrder = false;
                m_programmes.push_back({start, element, m_text.size() - element});
                ++m_channelProgrammes;
                if (m_text.size() >= m_bytesInMemory) {
                    if (auto spilled = spillProgrammes(); !spilled)
                        return spilled;
                }
                continue;
            }
            m_text.resize(element);
        } else {
            m_scratch.clear();
            noName = appendGuideText(m_scratch, rows, m_at.name).blank;
        }
        const QString typedDate = rows.wideText(m_at.startDate);
        const QString typedTime = rows.wideText(m_at.startTime);
        done.leftOut.append(
            {rows.wideText(m_at.name), channelName, typedDate, typedTime,
             leftOutReason(noName, !span.dateUnread, !span.timeUnread, typedDate, typedTime)});
    }
    if (!rows.ok())
        return failed(rows);
    sortProgrammes();
    return store::success();
}

void GuideWriter::sortProgrammes()
{
    if (!m_inOrder) {
        // Rows come in the order they were added, so a stable sort keeps
        // programmes that start together in that order.
        std::stable_sort(
            m_programmes.begin(), m_programmes.end(),
            [](const ProgrammeElement &a, const ProgrammeElement &b) { return a.start < b.start; });
    }
}

store::Status GuideWriter::spillProgrammes()
{
    sortProgrammes();
    if (!m_runs.add(m_programmes, m_text)) {
        return m_db.failure(
            QStringLiteral("A channel's programmes could not be put in order in a temporary "
                           "file in %1: %2")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), m_runs.errorString()));
    }
    m_programmes.clear();
    m_text.clear();
    m_inOrder = true;
    return store::success();
}

bool GuideWriter::appendColumnChildren(const Statement &row, Texts &texts)
{
    for (int c = 0; c < childColumnCount; ++c) {
        const ChildColumn &child = programmeChildren[c];
        const int column = m_at.child[std::size_t(c)];
        Written &written = texts[std::size_t(c)];
        // Most programmes have no sub-title or episode: a column without a
        // value costs no more than the look.
        if (!child.required && row.isNull(column))
            continue;
        const std::size_t was = m_text.size();
        if (child.attribute) {
            m_text.append(child.open.substr(0, child.open.size() - 1));
            appendChildAttribute(m_text, row, c);
            m_text += '>';
        } else {
            m_text.append(child.open);
        }
        written = appendGuideText(m_text, row, column);
        if (child.required ? written.blank : written.storedBlank) {
            m_text.resize(was);
            if (child.required)
                return false;
            continue;
        }
        m_text.append(child.close);
    }
    return true;
}

bool GuideWriter::appendMergedChildren(const Statement &row, std::string_view extra, Texts &texts)
{
    // Each column escaped first, then merged among the kept children.
    static const auto ranks = [] {
        std::array<int, childColumnCount> made = {};
        for (int c = 0; c < childColumnCount; ++c)
            made[std::size_t(c)] = extras::programmeRank(programmeChildren[c].element);
        return made;
    }();
    m_scratch.clear();
    std::size_t from[2 * childColumnCount + 1] = {};
    for (int c = 0; c < childColumnCount; ++c) {
        from[2 * c] = m_scratch.size();
        texts[std::size_t(c)] = appendGuideText(m_scratch, row, m_at.child[std::size_t(c)]);
        from[2 * c + 1] = m_scratch.size();
        appendChildAttribute(m_scratch, row, c);
        if (programmeChildren[c].required && texts[std::size_t(c)].blank)
            return false;
    }
    from[2 * childColumnCount] = m_scratch.size();
    const std::string_view text(m_scratch);
    const auto part = [&](int at) {
        return text.substr(from[at], from[at + 1] - from[at]);
    };
    extras::Column columns[childColumnCount];
    for (int c = 0; c < childColumnCount; ++c) {
        const ChildColumn &child = programmeChildren[c];
        columns[c] = {ranks[std::size_t(c)], child.element, part(2 * c),
                      child.required || !texts[std::size_t(c)].storedBlank};
        columns[c].attributes = part(2 * c + 1);
    }
    extras::appendChildren(m_text, extra, columns, childColumnCount, "    ", false);
    return true;
}

void GuideWriter::appendChildAttribute(std::string &out, const Statement &row, int child) const
{
    const int column = m_at.childAttribute[std::size_t(child)];
    if (column < 0)
        return;
    const std::string_view value = row.text(column);
    if (value.empty())
        return;
    out += ' ';
    out.append(programmeChildren[child].attribute).append("=\"");
    appendEscaped(out, value, true);
    out += '"';
}

store::Status GuideWriter::checkProgramme(const Statement &row, const Texts &texts,
                                          bool lengthUnread, std::size_t element, XmltvExport &done)
{
    // The name is written, or the programme is not; the others when not blank.
    bool written[childColumnCount] = {};
    const auto column = [](int c) {
        return QString::fromLatin1(programmeChildren[c].reportName);
    };
    for (int c = 0; c < childColumnCount; ++c) {
        written[c] = programmeChildren[c].required || !texts[std::size_t(c)].storedBlank;
        if (written[c] && qint64(texts[std::size_t(c)].bytes) > m_limits.textBytes)
            return refuseText(rowOf(row, true), column(c), texts[std::size_t(c)].bytes);
    }
    if (m_text.size() - element > std::size_t(m_limits.markupBytes)) {
        if (const auto tag =
                tagLongerThan(std::string_view(m_text).substr(element), m_limits.markupBytes))
            return refuseTag(rowOf(row, true), *tag);
    }
    const auto note = [&](const QString &column, const QString &change) {
        ChangedText changed = rowOf(row, true);
        changed.column = column;
        changed.change = change;
        done.changed.append(changed);
    };
    for (int c = 0; c < childColumnCount; ++c) {
        if (written[c] && !texts[std::size_t(c)].notCarried.isEmpty())
            note(column(c), texts[std::size_t(c)].notCarried);
    }
    if (lengthUnread) {
        note(QStringLiteral("duration"),
             QStringLiteral("it cannot be read as a length, so the programme has no stop"));
    }
    return store::success();
}

ChangedText GuideWriter::rowOf(const Statement &row, bool programme) const
{
    if (!programme)
        return {row.wideText(1)};
    return {m_channelName, true, row.wideText(m_at.name), row.wideText(m_at.startDate),
            row.wideText(m_at.startTime)};
}

QString GuideWriter::projectName()
{
    Statement project(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                .arg(ProjectTable::name, ProjectTable::table, ProjectTable::id));
    project.restart(m_projectID);
    return project.next() ? project.wideText(0) : QString();
}

store::Failure GuideWriter::refuse(const ChangedText &row, const QString &why)
{
    return {exportAction(),
            QStringLiteral("In the project \"%1\", %2: %3").arg(projectName(), rowName(row), why),
            m_db.databasePath()};
}

store::Failure GuideWriter::refuseText(const ChangedText &row, const QString &column,
                                       std::size_t bytes)
{
    return refuse(row, QStringLiteral("its %1 is %2 bytes long in UTF-8, more than the %3 an "
                                      "XMLTV import takes in one text, so the guide could not be "
                                      "read back. Shorten it, then export again.")
                           .arg(column)
                           .arg(bytes)
                           .arg(m_limits.textBytes));
}

store::Failure GuideWriter::refuseTag(const ChangedText &row, std::string_view tag)
{
    const std::string_view name = extras::elementName(tag);
    QString what;
    if (name == "icon")
        what = QStringLiteral("Shorten its logo address, then export again.");
    else if (name == "channel")
        what = QStringLiteral("Its XMLTV id comes from the guide it was imported from: give the "
                              "channel a shorter id there, import that guide again, then export "
                              "again.");
    else if (name == "programme")
        what = QStringLiteral("Its channel's XMLTV id comes from the guide it was imported from: "
                              "give the channel a shorter id there, import that guide again, "
                              "then export again.");
    else
        what = QStringLiteral("The tag holds what the guide it was imported from said; shorten "
                              "that in the guide, import it again, then export again.");
    return refuse(row, QStringLiteral("its <%1> tag would be %2 bytes long, more than the %3 an "
                                      "XMLTV import takes in one tag, so the guide could not be "
                                      "read back. %4")
                           .arg(QString::fromUtf8(name.data(), qsizetype(name.size())))
                           .arg(tag.size())
                           .arg(m_limits.markupBytes)
                           .arg(what));
}

void GuideWriter::appendStartTag(const times::ProgrammeSpan &span)
{
    // Gathered here and added at once: the most of a programme's pieces.
    constexpr std::string_view start = "  <programme start=\"";
    constexpr std::string_view stop = "\" stop=\"";
    constexpr std::string_view channel = "\" channel=\"";
    char tag[start.size() + stop.size() + channel.size() + 2 * timestampCapacity];
    std::size_t size = 0;
    const auto put = [&](std::string_view text) {
        std::memcpy(tag + size, text.data(), text.size());
        size += text.size();
    };
    const auto putTime = [&](const times::Instant &at) {
        size += formatTimestamp(tag + size, at.at, at.offset ? *at.offset : m_zone.at(at.at));
    };
    put(start);
    putTime(*span.start);
    // A length of nothing gives no stop rather than one equal to the start;
    // a guide's own stop goes out as it came.
    if (span.end && (span.keptEnd || span.end->at > span.start->at)) {
        put(stop);
        putTime(*span.end);
    }
    put(channel);
    m_text.append(tag, size);
}

store::Status GuideWriter::writeProgrammes()
{
    if (m_runs.any()) {
        if (!m_programmes.empty()) {
            if (auto spilled = spillProgrammes(); !spilled)
                return spilled;
        }
        if (!m_runs.merge(m_out)) {
            return m_db.failure(
                QStringLiteral("A channel's programmes could not be read back from a temporary "
                               "file in %1: %2")
                    .arg(QDir::toNativeSeparators(QDir::tempPath()), m_runs.errorString()));
        }
        return store::success();
    }
    if (m_inOrder) {
        m_out.write(m_text);
        return store::success();
    }
    const std::string_view text(m_text);
    for (const ProgrammeElement &programme : m_programmes)
        m_out.append(text.substr(programme.element, programme.size));
    return store::success();
}

} // namespace

QString rowName(const ChangedText &row)
{
    const auto quoted = [](const QString &text) {
        return shortQuote(text.toStdString());
    };
    if (!row.ofProgramme)
        return QStringLiteral("channel \"%1\"").arg(quoted(row.channel));
    return QStringLiteral("\"%1\" on \"%2\", start \"%3\" \"%4\"")
        .arg(quoted(row.programme), quoted(row.channel), quoted(row.startDate),
             quoted(row.startTime));
}

QString changedTextLine(const ChangedText &changed)
{
    return QStringLiteral("%1, %2: %3").arg(rowName(changed), changed.column, changed.change);
}

QString channelXmltvId(qint64 channelID)
{
    return QStringLiteral("c%1.quorvel").arg(channelID);
}

Result<XmltvExport> writeXmltv(const QString &databasePath, qint32 projectID, const QString &path,
                               const QTimeZone &zone, std::size_t bytesInMemory,
                               const XmltvLimits &limits)
{
    const QString action = exportAction();
    if (auto refused = store::refuseDatabaseAsOutput(path, databasePath, action); !refused)
        return refused.failure();
    store::AtomicFile file(path);
    file.setWrittenBack(store::isServerAddress(databasePath));
    if (!file.open())
        return Failure{action, file.errorString(), QString()};

    // guide.xml.gz, as guides are often published.
    Output out(file.device(), path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive));
    XmltvExport done;
    const store::Status read = store::readSnapshot(
        databasePath, QStringLiteral("Could not read the project to export"), [&](Connection &db) {
            return GuideWriter(db, projectID, zone, out, bytesInMemory, limits).write(done);
        });
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
