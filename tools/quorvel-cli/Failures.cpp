#include "Commands.h"

#include "export/Contact.h"
#include "store/Connection.h"
#include "store/Database.h"
#include "store/Server.h"

#include <QDir>
#include <QTextStream>

namespace cli {

namespace {

void complain(const QString &message)
{
    QTextStream(stderr) << "quorvel-cli: " << message << '\n';
}

QString shown(const QString &path)
{
    // An address keeps its slashes, and never shows its password.
    return store::isServerAddress(path) ? store::withoutPassword(path)
                                        : QDir::toNativeSeparators(path);
}

} // namespace

QCommandLineOption databaseOption()
{
    return {QStringLiteral("db"),
            QStringLiteral("The Quorvel database: a file's path, or a PostgreSQL server's address "
                           "(postgresql://user@host:port/database, or key=value pairs such as "
                           "service=NAME)."),
            QStringLiteral("PATH")};
}

QCommandLineOption projectOption()
{
    return {QStringLiteral("project"),
            QStringLiteral("The project's identifier, its projectID (list-projects shows them)."),
            QStringLiteral("ID")};
}

QCommandLineOption outOption(const QString &what)
{
    return {QStringLiteral("out"), what, QStringLiteral("FILE")};
}

int wrongUse(const QString &command, const QString &problem)
{
    const QString help = command.isEmpty() ? QStringLiteral("quorvel-cli --help")
                                           : QStringLiteral("quorvel-cli help ") + command;
    complain(QStringLiteral("%1 See %2.").arg(problem, help));
    return WrongUse;
}

int missingDatabase(const QString &path)
{
    complain(QStringLiteral("There is no database at %1. Give the path of an existing one with "
                            "--db, or create one with: %2")
                 .arg(shown(path), store::initDbCommand(path)));
    return Failed;
}

int notQuorvelDatabase(const QString &path, const QString &why)
{
    complain(QStringLiteral("%1 is not a Quorvel database. %2 Move it aside and create a new one "
                            "with: %3")
                 .arg(shown(path), why, store::initDbCommand(path)));
    return Failed;
}

int unknownProject(qint32 projectID, const QString &database)
{
    complain(QStringLiteral("There is no project with the identifier %1 in %2. List the projects "
                            "with: quorvel-cli list-projects --db %2")
                 .arg(projectID)
                 .arg(shown(database)));
    return Failed;
}

int notAnIdentifier(const QString &command, const QString &text)
{
    return wrongUse(command, QStringLiteral("\"%1\" is not a project identifier: --project takes "
                                            "the project's number (its projectID).")
                                 .arg(text));
}

int failed(const store::Failure &failure)
{
    // One line: a script's log reads a line at a time.
    QStringList parts;
    for (const QString &part : {failure.action, failure.detail}) {
        if (!part.isEmpty())
            parts << part.simplified();
    }
    QString line = parts.join(QStringLiteral(": "));
    if (!failure.databasePath.isEmpty())
        line += QStringLiteral(" (database %1)").arg(shown(failure.databasePath));
    complain(line);
    return Failed;
}

int unknownZone(const QString &command, const QString &given)
{
    return wrongUse(command, QStringLiteral("Unknown time zone \"%1\"; give an id such as "
                                            "Europe/London or UTC+01:00.")
                                 .arg(given));
}

int cannotWrite(const QString &path, const QString &why)
{
    complain(QStringLiteral("Could not write %1: %2 Check that its folder exists and can be "
                            "written to.")
                 .arg(shown(path), why.endsWith(u'.') ? why : why + u'.'));
    return Failed;
}

int checkDatabase(const QString &path)
{
    const store::DatabaseCheck check = store::inspectDatabase(path);
    switch (check.kind) {
    case store::DatabaseCheck::Quorvel:
        return Done;
    case store::DatabaseCheck::Missing:
        return missingDatabase(path);
    case store::DatabaseCheck::Unreadable:
        return failed({QStringLiteral("Could not read the database"), check.detail, path});
    case store::DatabaseCheck::Newer:
        return failed({QStringLiteral("Cannot use the database"), check.detail, path});
    case store::DatabaseCheck::Empty:
    case store::DatabaseCheck::NotQuorvel:
        break;
    }
    return notQuorvelDatabase(path, check.detail);
}

QString required(const QString &command, const QCommandLineParser &parsed,
                 const QCommandLineOption &option)
{
    const QString name = QStringLiteral("--") + option.names().constFirst();
    const QStringList values = parsed.values(option);
    if (values.isEmpty()) {
        wrongUse(command, QStringLiteral("%1 needs %2 %3.").arg(command, name, option.valueName()));
        return QString();
    }
    if (values.size() > 1) {
        wrongUse(command, QStringLiteral("%1 was given more than once.").arg(name));
        return QString();
    }
    if (values.constFirst().isEmpty()) {
        wrongUse(command,
                 QStringLiteral("%1 was given an empty %2.").arg(name, option.valueName()));
        return QString();
    }
    return values.constFirst();
}

int projectArguments(const QString &command, const QCommandLineParser &parsed,
                     ProjectArguments &arguments)
{
    arguments.database = required(command, parsed, databaseOption());
    if (arguments.database.isEmpty())
        return WrongUse;
    const QString project = required(command, parsed, projectOption());
    if (project.isEmpty())
        return WrongUse;
    bool number = false;
    arguments.projectID = project.toInt(&number);
    if (!number)
        return notAnIdentifier(command, project);

    if (const int checked = checkDatabase(arguments.database); checked != Done)
        return checked;
    const auto exists = exports::projectExists(arguments.database, arguments.projectID);
    if (!exists)
        return failed(exists.failure());
    if (!exists.value())
        return unknownProject(arguments.projectID, arguments.database);
    return Done;
}

} // namespace cli
