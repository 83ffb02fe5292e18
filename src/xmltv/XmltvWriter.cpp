#include "xmltv/XmltvWriter.h"

#include "store/AtomicFile.h"
#include "store/Connection.h"
#include "store/OutputPath.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"
#include "xmltv/XmltvExtras.h"
#include "xmltv/XmltvTime.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zlib.h>

#include <algorithm>

using store::Connection;
using store::Failure;
using store::Result;

namespace xmltv {

namespace {

struct Channel
{
    qint64 id = 0;
    QString name;
    QString logoURL;
    QString channelURL;
    QString number;
    // What the guide it came from said beyond the columns (xmltv/XmltvExtras.h).
    QString xmltvId;
    QByteArray extra;
};

struct Programme
{
    qint64 id = 0;
    GuideTimes times;
    QString name;
    QString desc;
    QString category;
    QByteArray extra;
};

// Bytes gzipped on their way to the device, a piece at a time.
class GzipDevice : public QIODevice
{
public:
    explicit GzipDevice(QIODevice &target) : m_target(target)
    {
        // 15 + 16: a gzip header and trailer around the deflated bytes.
        m_ok = deflateInit2(&m_zip, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                            Z_DEFAULT_STRATEGY) == Z_OK;
        open(QIODevice::WriteOnly);
    }
    ~GzipDevice() override { deflateEnd(&m_zip); }

    // Once everything is written.
    bool finish() { return deflateInto(nullptr, 0, Z_FINISH) && m_ok; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        return deflateInto(data, size, Z_NO_FLUSH) ? size : -1;
    }

private:
    bool deflateInto(const char *data, qint64 size, int flush)
    {
        if (!m_ok)
            return false;
        m_zip.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        m_zip.avail_in = uInt(size);
        int status = Z_OK;
        do {
            unsigned char out[64 * 1024];
            m_zip.next_out = out;
            m_zip.avail_out = sizeof out;
            status = deflate(&m_zip, flush);
            const qint64 made = qint64(sizeof out - m_zip.avail_out);
            if (status == Z_STREAM_ERROR ||
                (made > 0 && m_target.write(reinterpret_cast<const char *>(out), made) != made)) {
                m_ok = false;
                return false;
            }
        } while (m_zip.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        return true;
    }

    QIODevice &m_target;
    z_stream m_zip{};
    bool m_ok = false;
};

struct Guide
{
    QList<Channel> channels;
    QHash<qint64, QList<Programme>> programmes;
    QList<LeftOutProgramme> leftOut;
};

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

// An element holding the text. A carriage return goes out as the character
// reference &#13;: written as it is, any XML reader would hand it back as a
// line feed, and a guide read back in would not give the text it was made of.
void writeTextElement(QXmlStreamWriter &xml, const QString &name, const QString &text)
{
    xml.writeStartElement(name);
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(u'\r', from)) >= 0; from = at + 1) {
        xml.writeCharacters(text.mid(from, at - from));
        xml.writeEntityReference(QStringLiteral("#13"));
    }
    xml.writeCharacters(text.mid(from));
    xml.writeEndElement();
}

bool blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

QString leftOutReason(const QString &name, const std::optional<QDate> &date,
                      const std::optional<QTime> &time, const QString &typedDate,
                      const QString &typedTime)
{
    QStringList reasons;
    if (blank(xmlText(name)))
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

Result<Guide> readGuide(Connection &db, qint32 projectID, const QTimeZone &zone)
{
    using ProjectTable = store::tables::Project;
    using ChannelTable = store::tables::Channel;
    using ProgrammeTable = store::tables::Programme;
    auto project = db.select(
        QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ?").arg(ProjectTable::id, ProjectTable::table),
        {projectID});
    if (!project)
        return project.failure();
    if (!project.value().next())
        return db.failure(QStringLiteral("There is no project %1.").arg(projectID));

    Guide guide;
    QHash<qint64, QString> channelNames;
    auto channels = db.select(
        QStringLiteral("SELECT c.%1, c.%2, c.%3, c.%4, c.%5, x.xmltvID, x.xmltvExtra FROM %6 c "
                       "LEFT JOIN ChannelXmltv x USING (%1) WHERE c.%7 = ? ORDER BY c.%1")
            .arg(ChannelTable::id, ChannelTable::name, ChannelTable::logoUrl,
                 ChannelTable::channelUrl, ChannelTable::number, ChannelTable::table,
                 ChannelTable::projectId),
        {projectID});
    if (!channels)
        return channels.failure();
    for (QSqlQuery &q = channels.value(); q.next();) {
        guide.channels.append({q.value(0).toLongLong(), q.value(1).toString(),
                               q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                               q.value(5).toString(), q.value(6).toString().toUtf8()});
        channelNames.insert(guide.channels.constLast().id, guide.channels.constLast().name);
    }

    // Every stored column, in the table's order: the reading below goes by it.
    auto programmes =
        db.select(QStringLiteral("SELECT %1, xmltvStart, xmltvStop, xmltvTyped, xmltvExtra FROM %2 "
                                 "WHERE %3 IN (SELECT %4 FROM %5 WHERE %6 = ?) ORDER BY %3, %7")
                      .arg(ProgrammeTable::stored().join(QStringLiteral(", ")),
                           ProgrammeTable::table, ProgrammeTable::channelId, ChannelTable::id,
                           ChannelTable::table, ChannelTable::projectId, ProgrammeTable::id),
                  {projectID});
    if (!programmes)
        return programmes.failure();
    for (QSqlQuery &q = programmes.value(); q.next();) {
        const qint64 channelID = q.value(1).toLongLong();
        const QString name = q.value(2).toString();
        const QString typedDate = q.value(4).toString();
        const QString typedTime = q.value(5).toString();
        const auto date = store::readTypedDate(typedDate);
        const auto time = store::readTypedTime(typedTime);
        if (!date || !time || blank(xmlText(name))) {
            guide.leftOut.append({name, channelNames.value(channelID), typedDate, typedTime,
                                  leftOutReason(name, date, time, typedDate, typedTime)});
            continue;
        }
        Programme programme;
        programme.id = q.value(0).toLongLong();
        programme.times =
            *storedTimes({typedDate, typedTime, q.value(6).toString(), q.value(8).toString(),
                          q.value(9).toString(), q.value(10).toString()},
                         zone);
        programme.name = name;
        programme.desc = q.value(3).toString();
        programme.category = q.value(7).toString();
        programme.extra = q.value(11).toString().toUtf8();
        guide.programmes[channelID].append(std::move(programme));
    }
    return guide;
}

// A kept child, as it was.
void writeKept(QXmlStreamWriter &xml, std::string_view line)
{
    QXmlStreamReader kept(QByteArray(line.data(), qsizetype(line.size())));
    while (!kept.atEnd()) {
        kept.readNext();
        if (kept.tokenType() != QXmlStreamReader::StartDocument &&
            kept.tokenType() != QXmlStreamReader::EndDocument && !kept.hasError())
            xml.writeCurrentToken(kept);
    }
}

// The attributes of a stand-in line, or of the programme's own line.
void writeKeptAttributes(QXmlStreamWriter &xml, std::string_view line)
{
    QXmlStreamReader kept(QByteArray(line.data(), qsizetype(line.size())));
    if (kept.readNextStartElement())
        xml.writeAttributes(kept.attributes());
}

// A column's text in the element the guide had for it, with the guide's attributes.
void writeColumn(QXmlStreamWriter &xml, const extras::Column &column, std::string_view standIn,
                 const QString &text)
{
    const QString name = QString::fromLatin1(column.name.data(), qsizetype(column.name.size()));
    if (column.asAttribute) {
        xml.writeEmptyElement(name);
        xml.writeAttribute(QStringLiteral("src"), text);
        writeKeptAttributes(xml, standIn);
        return;
    }
    xml.writeStartElement(name);
    writeKeptAttributes(xml, standIn);
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(u'\r', from)) >= 0; from = at + 1) {
        xml.writeCharacters(text.mid(from, at - from));
        xml.writeEntityReference(QStringLiteral("#13"));
    }
    xml.writeCharacters(text.mid(from));
    xml.writeEndElement();
}

void writeChannel(QXmlStreamWriter &xml, const Channel &channel, const QString &id)
{
    xml.writeStartElement(QStringLiteral("channel"));
    xml.writeAttribute(QStringLiteral("id"), id);
    using extras::Column;
    const Column columns[] = {
        {extras::displayNameRank, "display-name", {}, true},
        {extras::iconRank, "icon", {}, !blank(channel.logoURL), true},
        {extras::urlRank, "url", {}, !blank(channel.channelURL)},
        {extras::lcnRank, "lcn", {}, !blank(channel.number), false, true},
    };
    const QString texts[] = {xmlText(channel.name), xmlText(channel.logoURL.trimmed()),
                             xmlText(channel.channelURL.trimmed()),
                             xmlText(channel.number.trimmed())};
    extras::visitChildren(std::string_view(channel.extra.constData(), channel.extra.size()),
                          columns, int(std::size(columns)), true,
                          [&](std::string_view line, int column) {
                              if (column < 0)
                                  writeKept(xml, line);
                              else
                                  writeColumn(xml, columns[column], line, texts[column]);
                          });
    xml.writeEndElement();
}

// With the offset the guide gave, or the zone's.
QString timestampOf(const GuideInstant &at, const QTimeZone &zone)
{
    if (!at.offset)
        return timestamp(at.instant, zone);
    return timestamp(at.instant, QTimeZone(*at.offset));
}

void writeProgramme(QXmlStreamWriter &xml, const QString &channelId, const Programme &programme,
                    const QTimeZone &zone)
{
    xml.writeStartElement(QStringLiteral("programme"));
    xml.writeAttribute(QStringLiteral("start"), timestampOf(programme.times.start, zone));
    if (programme.times.stop)
        xml.writeAttribute(QStringLiteral("stop"), timestampOf(*programme.times.stop, zone));
    xml.writeAttribute(QStringLiteral("channel"), channelId);
    const std::string_view extra(programme.extra.constData(), programme.extra.size());
    if (const std::string_view own = extras::programmeAttributes(extra); !own.empty())
        writeKeptAttributes(xml, extra.substr(0, extra.find('\n')));
    using extras::Column;
    // XMLTV wants an empty description left out, not written empty.
    const Column columns[] = {
        {extras::titleRank, "title", {}, true},
        {extras::descRank, "desc", {}, !blank(programme.desc)},
        {extras::categoryRank, "category", {}, !blank(programme.category)},
    };
    const QString texts[] = {xmlText(programme.name), xmlText(programme.desc),
                             xmlText(programme.category)};
    extras::visitChildren(extra, columns, int(std::size(columns)), false,
                          [&](std::string_view line, int column) {
                              if (column < 0)
                                  writeKept(xml, line);
                              else
                                  writeColumn(xml, columns[column], line, texts[column]);
                          });
    xml.writeEndElement();
}

} // namespace

QString channelXmltvId(qint64 channelID)
{
    return QStringLiteral("c%1.quorvel").arg(channelID);
}

Result<XmltvExport> writeXmltv(const QString &databasePath, qint32 projectID, const QString &path,
                               const QTimeZone &zone)
{
    auto read = store::read(databasePath, QStringLiteral("Could not read the project to export"),
                            [&](Connection &db) { return readGuide(db, projectID, zone); });
    if (!read)
        return read.failure();
    Guide &guide = read.value();

    XmltvExport done;
    done.leftOut = std::move(guide.leftOut);
    // A channel without programmes is left out, as XMLTV's validator insists.
    guide.channels.erase(std::remove_if(guide.channels.begin(), guide.channels.end(),
                                        [&](const Channel &channel) {
                                            return guide.programmes.value(channel.id).isEmpty();
                                        }),
                         guide.channels.end());
    for (const Channel &channel : std::as_const(guide.channels)) {
        auto &list = guide.programmes[channel.id];
        std::stable_sort(list.begin(), list.end(), [](const Programme &a, const Programme &b) {
            return a.times.start.instant != b.times.start.instant
                       ? a.times.start.instant < b.times.start.instant
                       : a.id < b.id;
        });
        done.programmes += int(list.size());
    }
    done.channels = int(guide.channels.size());

    const QString action = QStringLiteral("Could not write the XMLTV file");
    const auto fileFailure = [&](const QString &reason) {
        return Failure{action, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason),
                       QString()};
    };
    if (auto refused = store::refuseDatabaseAsOutput(path, databasePath, action); !refused)
        return refused.failure();
    store::AtomicFile file(path);
    if (!file.open())
        return Failure{action, file.errorString(), QString()};

    // guide.xml.gz, as guides are often published.
    std::optional<GzipDevice> gzip;
    if (path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive))
        gzip.emplace(file.device());
    QXmlStreamWriter xml(gzip ? static_cast<QIODevice *>(&*gzip) : &file.device());
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE tv SYSTEM \"xmltv.dtd\">"));
    xml.writeStartElement(QStringLiteral("tv"));
    xml.writeAttribute(QStringLiteral("generator-info-name"), QStringLiteral("Quorvel"));
    // Each channel by the id the guide it came from gave it, which players
    // match their lists to; one made here, or whose id another channel took
    // already, by the id made from its identifier.
    QHash<qint64, QString> ids;
    QSet<QString> used;
    for (const Channel &channel : std::as_const(guide.channels)) {
        QString id = channel.xmltvId;
        if (id.isEmpty() || used.contains(id))
            id = channelXmltvId(channel.id);
        used.insert(id);
        ids.insert(channel.id, id);
        writeChannel(xml, channel, id);
    }
    for (const Channel &channel : std::as_const(guide.channels)) {
        const QString id = ids.value(channel.id);
        for (const Programme &programme : std::as_const(guide.programmes[channel.id]))
            writeProgramme(xml, id, programme, zone);
    }
    xml.writeEndElement();
    xml.writeEndDocument();

    if (xml.hasError() || (gzip && !gzip->finish()))
        return fileFailure(file.device().errorString());
    if (!file.commit())
        return Failure{action, file.errorString(), QString()};
    return done;
}

} // namespace xmltv
