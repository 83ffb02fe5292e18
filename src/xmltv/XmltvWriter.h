#pragma once

#include "store/Result.h"
#include "xmltv/XmltvLimits.h"

#include <QList>
#include <QString>
#include <QTimeZone>

#include <cstddef>

// A project as an XMLTV guide, the file that media centres, TV servers and
// IPTV players read, beside the two files for the guide application.
namespace xmltv {

// A programme the guide could not hold, as the user knows it.
struct LeftOutProgramme
{
    QString name;
    QString channel;
    // As stored, so the user can find what to correct.
    QString startDate;
    QString startTime;
    QString reason;
};

// A text the guide holds otherwise than the store, as the user knows its row.
struct ChangedText
{
    QString channel;
    // The programme's name and start as stored; for a text of the channel's
    // own, ofProgramme is false and these are empty.
    bool ofProgramme = false;
    QString programme;
    QString startDate;
    QString startTime;
    // Which of the row's texts ("description", "logo address"), and what
    // became of it.
    QString column;
    QString change;
};

// The row as a report names it: channel "..." or "..." on "...", start "..." "...".
QString rowName(const ChangedText &row);
// The change on one line: the row, the text and what became of it.
QString changedTextLine(const ChangedText &changed);

struct XmltvExport
{
    int channels = 0;
    int programmes = 0;
    QList<LeftOutProgramme> leftOut;
    QList<ChangedText> changed;
};

// The id a channel has in every guide written from it: stable across exports
// and unique, as XMLTV ids are, since it comes from the channel's identifier.
QString channelXmltvId(qint64 channelID);

// Writes the project's channels that have programmes, then their programmes,
// each channel's in start order, with times in zone. Programmes whose start
// cannot be read, or that have no name, are left out and listed with the
// reason; the rest is written. The file is replaced only once it is whole.
//
// What the import would give back otherwise than stored is listed as
// changed: characters an XMLTV guide cannot carry (controls but tab, line
// feed and carriage return), which are left out, blanks around an address
// or number, which are trimmed, a length that cannot be read, which gives
// no stop, and an XMLTV id another channel goes by already. A blank
// address, number, description or category is left out, as XMLTV wants,
// and comes back as none. What the import would refuse (a tag longer than
// XmltvLimits::markupBytes, a text longer than textBytes) fails the export,
// naming the row, and the file stays as it was.
//
// A channel's programmes are put in start order in memory up to
// channelBytesInMemory bytes of XML, and beyond that in sorted runs in a
// temporary file that are merged as the channel is written, so an export
// takes the same memory however long a channel is.
//
// limits are those of the import that is to read the guide back.
inline constexpr std::size_t channelBytesInMemory = 16 * 1024 * 1024;
store::Result<XmltvExport> writeXmltv(const QString &databasePath, qint32 projectID,
                                      const QString &path, const QTimeZone &zone,
                                      std::size_t bytesInMemory = channelBytesInMemory,
                                      const XmltvLimits &limits = {});

} // namespace xmltv
