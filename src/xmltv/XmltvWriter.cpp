#include "xmltv/XmltvWriter.h"

#include "store/AtomicFile.h"
#include "store/Connection.h"
#include "store/OutputPath.h"
#include "store/Tables.h"
#include "store/TypedTimes.h"
#include "xmltv/XmltvTime.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamWriter>

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
};

struct Programme
{
    qint64 id = 0;
    qint64 start = 0;
    QString name;
    QString desc;
    QString category;
    std::optional<int> minutes;
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
    auto channels =
        db.select(QStringLiteral("SELECT %1, %2, %3, %4 FROM %5 WHERE %6 = ? ORDER BY %1")
                      .arg(ChannelTable::id, ChannelTable::name, ChannelTable::logoUrl,
                           ChannelTable::channelUrl, ChannelTable::table, ChannelTable::projectId),
                  {projectID});
    if (!channels)
        return channels.failure();
    for (QSqlQuery &q = channels.value(); q.next();) {
        guide.channels.append({q.value(0).toLongLong(), q.value(1).toString(),
                               q.value(2).toString(), q.value(3).toString()});
        channelNames.insert(guide.channels.constLast().id, guide.channels.constLast().name);
    }

    // Every stored column, in the table's order: the reading below goes by it.
    auto programmes =
        db.select(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (SELECT %4 FROM %5 WHERE %6 = ?) "
                                 "ORDER BY %3, %7")
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
        programme.start = instantOf(*date, *time, zone);
        programme.name = name;
        programme.desc = q.value(3).toString();
        programme.category = q.value(7).toString();
        programme.minutes = store::readTypedDuration(q.value(6).toString());
        guide.programmes[channelID].append(std::move(programme));
    }
    return guide;
}

void writeChannel(QXmlStreamWriter &xml, const Channel &channel)
{
    xml.writeStartElement(QStringLiteral("channel"));
    xml.writeAttribute(QStringLiteral("id"), channelXmltvId(channel.id));
    writeTextElement(xml, QStringLiteral("display-name"), xmlText(channel.name));
    if (!blank(channel.logoURL)) {
        xml.writeEmptyElement(QStringLiteral("icon"));
        xml.writeAttribute(QStringLiteral("src"), xmlText(channel.logoURL.trimmed()));
    }
    if (!blank(channel.channelURL))
        writeTextElement(xml, QStringLiteral("url"), xmlText(channel.channelURL.trimmed()));
    xml.writeEndElement();
}

void writeProgramme(QXmlStreamWriter &xml, const QString &channelId, const Programme &programme,
                    const QTimeZone &zone)
{
    xml.writeStartElement(QStringLiteral("programme"));
    xml.writeAttribute(QStringLiteral("start"), timestamp(programme.start, zone));
    // A length of nothing gives no stop rather than one equal to the start.
    if (programme.minutes && *programme.minutes > 0) {
        xml.writeAttribute(QStringLiteral("stop"),
                           timestamp(programme.start + qint64(*programme.minutes) * 60, zone));
    }
    xml.writeAttribute(QStringLiteral("channel"), channelId);
    writeTextElement(xml, QStringLiteral("title"), xmlText(programme.name));
    // XMLTV wants an empty description left out, not written empty.
    if (!blank(programme.desc))
        writeTextElement(xml, QStringLiteral("desc"), xmlText(programme.desc));
    if (!blank(programme.category))
        writeTextElement(xml, QStringLiteral("category"), xmlText(programme.category));
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
            return a.start != b.start ? a.start < b.start : a.id < b.id;
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

    QXmlStreamWriter xml(&file.device());
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE tv SYSTEM \"xmltv.dtd\">"));
    xml.writeStartElement(QStringLiteral("tv"));
    xml.writeAttribute(QStringLiteral("generator-info-name"), QStringLiteral("Quorvel"));
    for (const Channel &channel : std::as_const(guide.channels))
        writeChannel(xml, channel);
    for (const Channel &channel : std::as_const(guide.channels)) {
        const QString id = channelXmltvId(channel.id);
        for (const Programme &programme : std::as_const(guide.programmes[channel.id]))
            writeProgramme(xml, id, programme, zone);
    }
    xml.writeEndElement();
    xml.writeEndDocument();

    if (xml.hasError())
        return fileFailure(file.device().errorString());
    if (!file.commit())
        return Failure{action, file.errorString(), QString()};
    return done;
}

} // namespace xmltv
