// The two files the guide application reads.

#include "Commands.h"

#include "export/ChannelFile.h"
#include "export/Contact.h"
#include "export/ProgrammeXml.h"

namespace cli {

namespace {

// A failure of an export names the database it read, whatever failed.
int exportFailed(store::Failure failure, const QString &database)
{
    if (failure.databasePath.isEmpty())
        failure.databasePath = database;
    return failed(failure);
}

int exportFile(const QString &command, const QCommandLineParser &parsed, bool channelFile)
{
    const QString out = required(command, parsed, outOption(QString()));
    if (out.isEmpty())
        return WrongUse;
    ProjectArguments project;
    if (const int checked = projectArguments(command, parsed, project); checked != Done)
        return checked;
    if (!channelFile) {
        const auto written = exports::writeProgrammeXml(project.projectID, out, project.database,
                                                        exports::Overwrite::WhenComplete);
        return written ? Done : exportFailed(written.failure(), project.database);
    }
    const auto contact = exports::readContactDetails(project.database, project.projectID);
    if (!contact)
        return exportFailed(contact.failure(), project.database);
    const auto written =
        exports::writeChannelFile(contact.value(), project.projectID, out, project.database,
                                  exports::Overwrite::WhenComplete);
    return written ? Done : exportFailed(written.failure(), project.database);
}

int exportDgc(const QCommandLineParser &parsed, const QStringList &)
{
    return exportFile(QStringLiteral("export-dgc"), parsed, true);
}

int exportXml(const QCommandLineParser &parsed, const QStringList &)
{
    return exportFile(QStringLiteral("export-xml"), parsed, false);
}

const QString replaced = QStringLiteral(
    " An existing FILE is replaced only once the new one is complete: if the export fails or is "
    "interrupted, the old file stays as it was. The database itself is never written over.");

} // namespace

QList<Command> exportCommands()
{
    return {
        {QStringLiteral("export-dgc"),
         QStringLiteral("--db PATH --project ID --out FILE"),
         QStringLiteral("Write the project's channel file (DGC)."),
         QStringLiteral("Writes the project's channel-definition (DGC) file, byte for byte as the "
                        "export window writes it, with the stored contact details.") +
             replaced,
         {databaseOption(), projectOption(), outOption(QStringLiteral("The DGC file to write."))},
         0,
         exportDgc},
        {QStringLiteral("export-xml"),
         QStringLiteral("--db PATH --project ID --out FILE"),
         QStringLiteral("Write the project's programme listing (XML)."),
         QStringLiteral("Writes the project's programme listing, byte for byte as the project "
                        "window's export writes it.") +
             replaced,
         {databaseOption(), projectOption(), outOption(QStringLiteral("The XML file to write."))},
         0,
         exportXml},
    };
}

} // namespace cli
