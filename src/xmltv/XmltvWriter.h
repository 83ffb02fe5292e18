#pragma once

#include "store/Result.h"

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

struct XmltvExport
{
    int channels = 0;
    int programmes = 0;
    QList<LeftOutProgramme> leftOut;
};

// The id a channel has in every guide written from it: stable across exports
// and unique, as XMLTV ids are, since it comes from the channel's identifier.
QString channelXmltvId(qint64 channelID);

// Writes the project's channels that have programmes, then their programmes,
// each channel's in start order, with times in zone. Programmes whose start
// cannot be read, or that have no name, are left out and listed with the
// reason; the rest is written. The file is replaced only once it is whole.
//
// A channel's programmes are put in start order in memory up to
// channelBytesInMemory bytes of XML, and beyond that in sorted runs in a
// temporary file that are merged as the channel is written, so an export
// takes the same memory however long a channel is.
inline constexpr std::size_t channelBytesInMemory = 16 * 1024 * 1024;
store::Result<XmltvExport> writeXmltv(const QString &databasePath, qint32 projectID,
                                      const QString &path, const QTimeZone &zone,
                                      std::size_t bytesInMemory = channelBytesInMemory);

} // namespace xmltv
