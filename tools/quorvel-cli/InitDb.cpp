// The database itself: making one, checking one, listing its projects.

#include "Commands.h"

#include "projects/Projects.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace cli {

namespace {

int initDb(const QCommandLineParser &, const QStringList &positionals)
{
    // Where the program will look when it is started without --db: the
    // program lies beside this tool.
    const QString path = positionals.isEmpty()
                             ? store::defaultDatabasePath(QCoreApplication::applicationDirPath())
                             : positionals.constFirst();
    const auto created = store::createDatabase(path);
    if (!created)
        return failed(created.failure());
    // A script that named no path learns where the database went.
    if (positionals.isEmpty())
        QTextStream(stdout) << "Created an empty Quorvel database at "
                            << QDir::toNativeSeparators(path) << '\n';
    return Done;
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
         QStringLiteral("[PATH]"),
         QStringLiteral("Create an empty Quorvel database."),
         QStringLiteral("Creates an empty Quorvel database at PATH, in a folder that exists. "
                        "Without PATH it creates the one Quorvel opens when started without "
                        "--db, in the user's data folder (~/.local/share/Quorvel/quorvel.db), "
                        "and says where. A file already there is left untouched and the command "
                        "fails. The database appears whole or not at all, even if the command "
                        "is interrupted."),
         {},
         0,
         initDb,
         1},
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
