// The database itself: making one, checking one, listing its projects.

#include "Commands.h"

#include "projects/Projects.h"
#include "store/Database.h"

#include <QTextStream>

namespace cli {

namespace {

int initDb(const QCommandLineParser &, const QStringList &positionals)
{
    const auto created = store::createDatabase(positionals.constFirst());
    return created ? Done : failed(created.failure());
}

int checkDb(const QCommandLineParser &, const QStringList &positionals)
{
    return checkDatabase(positionals.constFirst());
}

int listProjects(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("list-projects");
    const QString database = required(command, parsed, databaseOption());
    if (database.isEmpty())
        return WrongUse;
    if (const int checked = checkDatabase(database); checked != Done)
        return checked;
    const auto projects = projects::listProjects(database);
    if (!projects)
        return failed(projects.failure());
    QTextStream out(stdout);
    for (const ListEntry &project : projects.value())
        out << project.id << '\t' << project.text << '\n';
    return Done;
}

} // namespace

QList<Command> databaseCommands()
{
    return {
        {QStringLiteral("init-db"),
         QStringLiteral("PATH"),
         QStringLiteral("Create an empty Quorvel database."),
         QStringLiteral("Creates an empty Quorvel database at PATH, in a folder that exists. A "
                        "file already at PATH is left untouched and the command fails. The "
                        "database appears whole or not at all, even if the command is "
                        "interrupted."),
         {},
         1,
         initDb},
        {QStringLiteral("check-db"),
         QStringLiteral("PATH"),
         QStringLiteral("Check that a file is a Quorvel database."),
         QStringLiteral("Exits with 0 when PATH is a Quorvel database, and otherwise says what "
                        "it is and how to make a new one. It only reads the file."),
         {},
         1,
         checkDb},
        {QStringLiteral("list-projects"),
         QStringLiteral("--db PATH"),
         QStringLiteral("List the projects: identifier, tab, name."),
         QStringLiteral("Writes one line for each project in the database, its identifier (the "
                        "ID the other commands take) and its name, separated by a tab."),
         {databaseOption()},
         0,
         listProjects},
    };
}

} // namespace cli
