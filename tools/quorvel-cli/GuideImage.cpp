// A day of a project drawn as the schedule window's guide grid, without a display.

#include "Commands.h"

#include "guide/GuideLayout.h"
#include "guide/GuidePainter.h"

#include <QTimeZone>

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

int guideImage(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("guide-image");
    const QString out = required(command, parsed, outOption(QString()));
    if (out.isEmpty())
        return WrongUse;
    if (!guide::knownPictureKind(out))
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

    const auto channels = guide::loadDay(project.database, project.projectID, day);
    if (!channels)
        return failed(channels.failure());
    const auto name = guide::projectName(project.database, project.projectID);
    if (!name)
        return failed(name.failure());
    const QString problem = guide::writePicture(guide::layOut(channels.value(), day, zone),
                                                guide::heading(name.value(), day), out, width);
    return problem.isEmpty() ? Done : cannotWrite(out, problem);
}

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
