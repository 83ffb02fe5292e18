// A day of a project drawn as the schedule window's guide grid, without a display.

#include "Commands.h"

#ifdef QUORVEL_CLI_DRAWS
#include "grid/GridLayout.h"
#include "grid/GridPainter.h"
#include "store/OutputPath.h"

#include <QTimeZone>
#else
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#endif

namespace cli {

namespace {

QCommandLineOption dayOption()
{
    return {QStringLiteral("day"), QStringLiteral("The day to draw, as YYYY-MM-DD."),
            QStringLiteral("YYYY-MM-DD")};
}

QCommandLineOption widthOption()
{
    return {QStringLiteral("width"),
            QStringLiteral("The width of a PNG in pixels (100 to 30000); 4000 by default."),
            QStringLiteral("PX")};
}

QCommandLineOption guideZoneOption()
{
    return {QStringLiteral("tz"),
            QStringLiteral("The time zone whose clock the day is laid out in, such as "
                           "Europe/London; the system's by default."),
            QStringLiteral("ZONE")};
}

#ifdef QUORVEL_CLI_DRAWS
int guideImage(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("guide-image");
    const QString out = required(command, parsed, outOption(QString()));
    if (out.isEmpty())
        return WrongUse;
    if (!grid::knownPictureKind(out))
        return wrongUse(command, QStringLiteral("--out must end in .png, .svg or .pdf."));
    const QString dayText = required(command, parsed, dayOption());
    if (dayText.isEmpty())
        return WrongUse;
    const QDate day = QDate::fromString(dayText, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return wrongUse(
            command, QStringLiteral("\"%1\" is not a day: --day takes YYYY-MM-DD.").arg(dayText));
    int width = 4000;
    if (parsed.isSet(widthOption())) {
        const QString given = required(command, parsed, widthOption());
        if (given.isEmpty())
            return WrongUse;
        bool number = false;
        width = given.toInt(&number);
        if (!number || width < 100 || width > 30000)
            return wrongUse(command, QStringLiteral("\"%1\" is not a width: --width takes a "
                                                    "number of pixels from 100 to 30000.")
                                         .arg(given));
    }
    QTimeZone zone = QTimeZone::systemTimeZone();
    if (parsed.isSet(guideZoneOption())) {
        const QString given = required(command, parsed, guideZoneOption());
        if (given.isEmpty())
            return WrongUse;
        if (!QTimeZone::isTimeZoneIdAvailable(given.toUtf8()))
            return unknownZone(command, given);
        zone = QTimeZone(given.toUtf8());
    }
    ProjectArguments project;
    if (const int checked = projectArguments(command, parsed, project); checked != Done)
        return checked;

    // Refused as every export refuses it, before the day is even read.
    if (auto refused = store::refuseDatabaseAsOutput(out, project.database,
                                                     QStringLiteral("Could not draw the guide"));
        !refused)
        return failed(refused.failure());
    const auto channels = grid::loadDay(project.database, project.projectID, day);
    if (!channels)
        return failed(channels.failure());
    const auto name = grid::projectName(project.database, project.projectID);
    if (!name)
        return failed(name.failure());
    const QString problem = grid::writePicture(grid::layOut(channels.value(), day, zone),
                                               grid::heading(name.value(), day), out, width,
                                               project.database);
    return problem.isEmpty() ? Done : cannotWrite(out, problem);
}
#else
// Where quorvel-cli-draw may be: beside this program in the build tree, or
// where it is installed.
QStringList drawingPlaces()
{
    const QDir here(QCoreApplication::applicationDirPath());
    return {here.absolutePath(),
            QDir::cleanPath(here.filePath(QStringLiteral(QUORVEL_CLI_DRAW_DIR)))};
}

// Hands the command, as it was given, to quorvel-cli-draw, which answers the
// caller itself: its messages, its exit code.
int guideImage(const QCommandLineParser &, const QStringList &)
{
    const QStringList places = drawingPlaces();
    QString program;
    for (const QString &place : places) {
        const QFileInfo found(place + QStringLiteral("/quorvel-cli-draw"));
        if (found.isExecutable()) {
            program = found.absoluteFilePath();
            break;
        }
    }
    if (program.isEmpty()) {
        return failed(
            {QStringLiteral("Could not draw the guide"),
             QStringLiteral("quorvel-cli-draw, which draws for quorvel-cli, is in "
                            "neither %1 nor %2. Install Quorvel again.")
                 .arg(QDir::toNativeSeparators(places[0]), QDir::toNativeSeparators(places[1])),
             QString()});
    }
    QProcess draw;
    draw.setProcessChannelMode(QProcess::ForwardedChannels);
    draw.setInputChannelMode(QProcess::ForwardedInputChannel);
    draw.start(program, QCoreApplication::arguments().mid(1));
    if (!draw.waitForFinished(-1) || draw.exitStatus() != QProcess::NormalExit) {
        return failed(
            {QStringLiteral("Could not draw the guide"),
             QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(program), draw.errorString()),
             QString()});
    }
    return draw.exitCode();
}
#endif

} // namespace

QList<Command> guideCommands()
{
    return {
        {QStringLiteral("guide-image"),
         QStringLiteral("--db PATH --project ID --day YYYY-MM-DD --out FILE [--width PX] "
                        "[--tz ZONE]"),
         QStringLiteral("Draw a day of the project as a guide grid (PNG, SVG or PDF)."),
         QStringLiteral("Draws the day as the schedule window's Guide shows it: a row per "
                        "channel, each programme a block as long as it runs, coloured by its "
                        "category. The ending of FILE chooses the kind: .png (as wide as --width), "
                        ".svg, or .pdf in landscape A4 pages. The day runs from midnight to "
                        "midnight on the zone's clock, so it has 23 or 25 hours when the clocks "
                        "change. Needs no display. An existing FILE is replaced only once the "
                        "new one is complete."),
         {databaseOption(), projectOption(),
          outOption(QStringLiteral("The picture to write: .png, .svg or .pdf.")), dayOption(),
          widthOption(), guideZoneOption()},
         0,
         guideImage},
    };
}

} // namespace cli
