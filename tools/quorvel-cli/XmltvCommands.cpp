#include "Commands.h"

#include "xmltv/XmltvImport.h"
#include "xmltv/XmltvWriter.h"

#include <QHash>
#include <QTimeZone>

#include <optional>

namespace {

// "--name value" pairs; nothing, after a complaint, for anything else.
std::optional<QHash<QString, QString>> options(const QStringList &arguments,
                                               const QStringList &allowed, const QString &usage)
{
    QHash<QString, QString> found;
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        const QString &name = arguments.at(i);
        if (!allowed.contains(name) || i + 1 >= arguments.size() || found.contains(name)) {
            complain(QStringLiteral("usage: quorvel-cli %1").arg(usage));
            return std::nullopt;
        }
        found.insert(name, arguments.at(i + 1));
    }
    return found;
}

std::optional<qint32> projectID(const QString &text)
{
    bool ok = false;
    const qint32 id = text.toInt(&ok);
    if (!ok) {
        complain(
            QStringLiteral("the project must be a project's identifier, not \"%1\"").arg(text));
        return std::nullopt;
    }
    return id;
}

// A failure on one line: the command's lines are for reading one at a time.
QString oneLine(const store::Failure &failure)
{
    QStringList parts;
    for (const QString &part : {failure.action, failure.detail}) {
        if (!part.isEmpty())
            parts << part.simplified();
    }
    QString line = parts.join(QStringLiteral(": "));
    if (!failure.databasePath.isEmpty())
        line += QStringLiteral(" (database %1)").arg(failure.databasePath);
    return line;
}

} // namespace

int exportXmltv(const QStringList &arguments)
{
    const QString usage =
        QStringLiteral("export-xmltv --db PATH --project ID --out FILE [--tz ZONE]");
    const auto given = options(arguments,
                               {QStringLiteral("--db"), QStringLiteral("--project"),
                                QStringLiteral("--out"), QStringLiteral("--tz")},
                               usage);
    if (!given)
        return 2;
    const QString db = given->value(QStringLiteral("--db"));
    const QString out = given->value(QStringLiteral("--out"));
    if (db.isEmpty() || out.isEmpty() || !given->contains(QStringLiteral("--project"))) {
        complain(QStringLiteral("usage: quorvel-cli %1").arg(usage));
        return 2;
    }
    const auto project = projectID(given->value(QStringLiteral("--project")));
    if (!project)
        return 2;
    QTimeZone zone = QTimeZone::systemTimeZone();
    if (given->contains(QStringLiteral("--tz"))) {
        const QByteArray id = given->value(QStringLiteral("--tz")).toUtf8();
        // Anything is a valid zone to the POSIX rule reader; only a known id will do.
        if (!QTimeZone::isTimeZoneIdAvailable(id)) {
            complain(QStringLiteral("unknown time zone \"%1\"; give an id such as "
                                    "Europe/London or UTC+01:00")
                         .arg(QString::fromUtf8(id)));
            return 2;
        }
        zone = QTimeZone(id);
    }

    const auto written = xmltv::writeXmltv(db, *project, out, zone);
    if (!written) {
        complain(oneLine(written.failure()));
        return 1;
    }
    QTextStream report(stdout);
    for (const xmltv::LeftOutProgramme &p : written.value().leftOut) {
        report << QStringLiteral("left out \"%1\" on \"%2\", start \"%3\" \"%4\": %5")
                      .arg(p.name, p.channel, p.startDate, p.startTime, p.reason)
               << '\n';
    }
    return written.value().leftOut.isEmpty() ? 0 : 3;
}

int importXmltv(const QStringList &arguments)
{
    const QString usage = QStringLiteral("import-xmltv --db PATH --project ID --in FILE");
    const auto given = options(
        arguments, {QStringLiteral("--db"), QStringLiteral("--project"), QStringLiteral("--in")},
        usage);
    if (!given)
        return 2;
    const QString db = given->value(QStringLiteral("--db"));
    const QString in = given->value(QStringLiteral("--in"));
    if (db.isEmpty() || in.isEmpty() || !given->contains(QStringLiteral("--project"))) {
        complain(QStringLiteral("usage: quorvel-cli %1").arg(usage));
        return 2;
    }
    const auto project = projectID(given->value(QStringLiteral("--project")));
    if (!project)
        return 2;

    const auto imported = xmltv::importXmltv(db, *project, in);
    if (!imported) {
        complain(oneLine(imported.failure()));
        return 1;
    }
    const xmltv::XmltvImport &done = imported.value();
    QTextStream(stdout) << QStringLiteral("imported %1 programmes; %2 channels added, %3 matched "
                                          "by name")
                               .arg(done.programmes)
                               .arg(done.channelsAdded)
                               .arg(done.channelsMatched)
                        << '\n';
    return 0;
}
