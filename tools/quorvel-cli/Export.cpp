#include "Commands.h"

#include "export/ChannelFile.h"
#include "export/Contact.h"
#include "export/ProgrammeXml.h"

#include <QFileInfo>

#include <optional>

namespace {

struct ExportArguments
{
    QString database;
    qint32 projectID = 0;
    QString out;
};

std::optional<ExportArguments> parse(const QStringList &arguments, const QString &usage)
{
    ExportArguments parsed;
    bool haveDatabase = false, haveProject = false, haveOut = false;
    for (qsizetype i = 0; i + 1 < arguments.size(); i += 2) {
        const QString &option = arguments.at(i);
        const QString &value = arguments.at(i + 1);
        if (option == QLatin1String("--db")) {
            parsed.database = value;
            haveDatabase = true;
        } else if (option == QLatin1String("--project")) {
            bool number = false;
            parsed.projectID = value.toInt(&number);
            if (!number) {
                complain(QStringLiteral("'%1' is not a project identifier").arg(value));
                return std::nullopt;
            }
            haveProject = true;
        } else if (option == QLatin1String("--out")) {
            parsed.out = value;
            haveOut = true;
        } else {
            break;
        }
    }
    if (arguments.size() != 6 || !haveDatabase || !haveProject || !haveOut) {
        complain(QStringLiteral("usage: quorvel-cli ") + usage);
        return std::nullopt;
    }
    return parsed;
}

// One line, whatever the store or the file system said.
QString oneLine(const store::Failure &failure)
{
    return failure.detail.simplified();
}

// The database must exist and hold the project before any file is made.
bool checkProject(const ExportArguments &arguments)
{
    if (!QFileInfo(arguments.database).isFile()) {
        complain(QStringLiteral("database not found: %1").arg(arguments.database));
        return false;
    }
    const auto exists = exports::projectExists(arguments.database, arguments.projectID);
    if (!exists) {
        complain(QStringLiteral("cannot read %1: %2")
                     .arg(arguments.database, oneLine(exists.failure())));
        return false;
    }
    if (!exists.value()) {
        complain(QStringLiteral("no project with the identifier %1 in %2")
                     .arg(arguments.projectID)
                     .arg(arguments.database));
        return false;
    }
    return true;
}

int report(const store::Status &written)
{
    if (written)
        return 0;
    complain(oneLine(written.failure()));
    return 1;
}

} // namespace

int exportDgc(const QStringList &arguments)
{
    const auto parsed =
        parse(arguments, QStringLiteral("export-dgc --db PATH --project ID --out FILE"));
    if (!parsed)
        return 2;
    if (!checkProject(*parsed))
        return 1;
    const auto contact = exports::readContactDetails(parsed->database, parsed->projectID);
    if (!contact) {
        complain(oneLine(contact.failure()));
        return 1;
    }
    return report(exports::writeChannelFile(contact.value(), parsed->projectID, parsed->out,
                                            parsed->database));
}

int exportXml(const QStringList &arguments)
{
    const auto parsed =
        parse(arguments, QStringLiteral("export-xml --db PATH --project ID --out FILE"));
    if (!parsed)
        return 2;
    if (!checkProject(*parsed))
        return 1;
    return report(exports::writeProgrammeXml(parsed->projectID, parsed->out, parsed->database));
}
