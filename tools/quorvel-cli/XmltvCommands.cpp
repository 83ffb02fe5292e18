// XMLTV guides out of a project and into one.

#include "Commands.h"

#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QTextStream>
#include <QTimeZone>

namespace cli {

namespace {

QCommandLineOption zoneOption()
{
    return {QStringLiteral("tz"),
            QStringLiteral("The time zone the stored times are in, such as Europe/London; the "
                           "system's by default."),
            QStringLiteral("ZONE")};
}

QCommandLineOption inOption()
{
    return {QStringLiteral("in"), QStringLiteral("The XMLTV guide to read."),
            QStringLiteral("FILE")};
}

// The zone --tz names, the system's without it; nothing after a wrong use.
std::optional<QTimeZone> zoneArgument(const QString &command, const QCommandLineParser &parsed)
{
    if (!parsed.isSet(zoneOption()))
        return QTimeZone::systemTimeZone();
    const QString given = required(command, parsed, zoneOption());
    if (given.isEmpty())
        return std::nullopt;
    // Anything is a valid zone to the POSIX rule reader; only a known id will do.
    if (!QTimeZone::isTimeZoneIdAvailable(given.toUtf8())) {
        wrongUse(command, QStringLiteral("Unknown time zone \"%1\"; give an id such "
                                         "as Europe/London or UTC+01:00.")
                              .arg(given));
        return std::nullopt;
    }
    return QTimeZone(given.toUtf8());
}

int exportXmltv(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("export-xmltv");
    const QString out = required(command, parsed, outOption(QString()));
    if (out.isEmpty())
        return WrongUse;
    const auto zoneGiven = zoneArgument(command, parsed);
    if (!zoneGiven)
        return WrongUse;
    const QTimeZone zone = *zoneGiven;
    ProjectArguments project;
    if (const int checked = projectArguments(command, parsed, project); checked != Done)
        return checked;

    const auto written = xmltv::writeXmltv(project.database, project.projectID, out, zone);
    if (!written) {
        store::Failure failure = written.failure();
        if (failure.databasePath.isEmpty())
            failure.databasePath = project.database;
        return failed(failure);
    }
    QTextStream report(stdout);
    for (const xmltv::LeftOutProgramme &p : written.value().leftOut) {
        report << QStringLiteral("left out \"%1\" on \"%2\", start \"%3\" \"%4\": %5")
                      .arg(p.name, p.channel, p.startDate, p.startTime, p.reason)
               << '\n';
    }
    for (const xmltv::ChangedText &changed : written.value().changed)
        report << QStringLiteral("changed %1").arg(xmltv::changedTextLine(changed)) << '\n';
    return written.value().leftOut.isEmpty() && written.value().changed.isEmpty() ? Done
                                                                                  : DoneLeavingOut;
}

int importXmltv(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("import-xmltv");
    const QString in = required(command, parsed, inOption());
    if (in.isEmpty())
        return WrongUse;
    ProjectArguments project;
    if (const int checked = projectArguments(command, parsed, project); checked != Done)
        return checked;

    const auto zone = zoneArgument(command, parsed);
    if (!zone)
        return WrongUse;
    xmltv::XmltvImportControl control;
    control.zone = *zone;
    const auto imported = xmltv::importXmltv(project.database, project.projectID, in, control);
    if (!imported)
        return failed(imported.failure());
    const xmltv::XmltvImport &done = imported.value();
    QTextStream(stdout) << QStringLiteral("imported %1 programmes (%2 replaced, %3 kept); %4 "
                                          "channels added, %5 matched by id, %6 matched by name")
                               .arg(done.programmes)
                               .arg(done.programmesReplaced)
                               .arg(done.programmesKept)
                               .arg(done.channelsAdded)
                               .arg(done.channelsMatchedById)
                               .arg(done.channelsMatchedByName)
                        << '\n';
    return Done;
}

} // namespace

QList<Command> xmltvCommands()
{
    return {
        {QStringLiteral("export-xmltv"),
         QStringLiteral("--db PATH --project ID --out FILE [--tz ZONE]"),
         QStringLiteral("Write the project as an XMLTV guide."),
         QStringLiteral("Writes the project's channels and programmes as an XMLTV guide, "
                        "gzipped when FILE ends in .gz. A "
                        "programme whose start cannot be read, or that has no name, is left out "
                        "and named on standard output, as is a text written otherwise than "
                        "stored (a character XML cannot carry left out, blanks around an address "
                        "trimmed), and the command exits with 3. What an XMLTV import would "
                        "refuse to read back (a tag or a text beyond its bounds) fails the export, "
                        "naming the channel or programme. An "
                        "existing FILE is replaced only once the new one is complete; the "
                        "database itself is never written over."),
         {databaseOption(), projectOption(), outOption(QStringLiteral("The XMLTV file to write.")),
          zoneOption()},
         0,
         exportXmltv},
        {QStringLiteral("import-xmltv"),
         QStringLiteral("--db PATH --project ID --in FILE [--tz ZONE]"),
         QStringLiteral("Bring an XMLTV guide into the project."),
         QStringLiteral("Adds the guide's channels and programmes to the project, all or "
                        "nothing; a channel with the same XMLTV id, or else one of the same name "
                        "that has no id yet, is used rather than added, and its programmes within "
                        "the span the guide covers are replaced by the guide's. FILE may be "
                        "gzipped (.gz). A guide that cannot be read imports nothing and says at "
                        "which line and column."),
         {databaseOption(), projectOption(), inOption(), zoneOption()},
         0,
         importXmltv},
    };
}

} // namespace cli
