// The database itself: making one, checking one, copying one, listing its projects.

#include "Commands.h"

#include "projects/ProjectAccess.h"
#include "projects/Projects.h"
#include "store/CopyDatabase.h"
#include "store/Database.h"
#include "store/Server.h"

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

QCommandLineOption fromOption()
{
    return {QStringLiteral("from"),
            QStringLiteral("The Quorvel database to copy: a file's path, or a PostgreSQL server's "
                           "address."),
            QStringLiteral("DATABASE")};
}

QCommandLineOption toOption()
{
    return {QStringLiteral("to"),
            QStringLiteral("Where the copy goes: the path of a file that does not exist yet, or "
                           "the address of an empty database on a PostgreSQL server."),
            QStringLiteral("DATABASE")};
}

QString counted(qint64 count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

int copyDb(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("copy-db");
    const QString from = required(command, parsed, fromOption());
    if (from.isEmpty())
        return WrongUse;
    const QString to = required(command, parsed, toOption());
    if (to.isEmpty())
        return WrongUse;
    const auto copied = store::copyDatabase(from, to);
    if (!copied)
        return failed(copied.failure());
    const store::CopiedDatabase &done = copied.value();
    QTextStream out(stdout);
    out << QStringLiteral("Copied %1, %2, %3 and %4 to %5.\n")
               .arg(counted(done.projects, QStringLiteral("project"), QStringLiteral("projects")),
                    counted(done.channels, QStringLiteral("channel"), QStringLiteral("channels")),
                    counted(done.templateLines, QStringLiteral("template line"),
                            QStringLiteral("template lines")),
                    counted(done.programmes, QStringLiteral("programme"),
                            QStringLiteral("programmes")),
                    store::isServerAddress(to) ? store::serverName(to) : to);
    if (done.textsNotUtf8 > 0) {
        out << QStringLiteral("%1 not UTF-8, which a server cannot hold: they went over as "
                              "Quorvel's windows show them, with U+FFFD, the replacement "
                              "character, for what was no character.\n")
                   .arg(counted(done.textsNotUtf8, QStringLiteral("text was"),
                                QStringLiteral("texts were")));
    }
    if (done.projectLimits > 0) {
        out << QStringLiteral("Copied %1 to roles.\n")
                   .arg(counted(done.projectLimits, QStringLiteral("project limit"),
                                QStringLiteral("project limits")));
    }
    if (done.limitsLeftBehind > 0) {
        out << QStringLiteral("%1 behind: a file has no roles, so whoever opens it sees every "
                              "project.\n")
                   .arg(counted(done.limitsLeftBehind, QStringLiteral("project limit was left"),
                                QStringLiteral("project limits were left")));
    }
    return Done;
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

QCommandLineOption roleOption()
{
    return {QStringLiteral("role"),
            QStringLiteral("A role on the server whose members may see the project; give the "
                           "option once for each role."),
            QStringLiteral("NAME")};
}

// A database file is refused before its projects are looked at: no
// project of it could be limited.
int refusedFile(const QCommandLineParser &parsed)
{
    const QString database = parsed.value(databaseOption());
    if (database.isEmpty() || store::isServerAddress(database))
        return Done;
    store::Failure refused = projects::unlimitProject(database, 0).failure();
    refused.action = QStringLiteral("Could not change which roles see the project");
    return failed(refused);
}

int limitProject(const QCommandLineParser &parsed, const QStringList &)
{
    const QString command = QStringLiteral("limit-project");
    if (const int refused = refusedFile(parsed); refused != Done)
        return refused;
    ProjectArguments arguments;
    if (const int checked = projectArguments(command, parsed, arguments); checked != Done)
        return checked;
    const QStringList roles = parsed.values(roleOption());
    if (roles.isEmpty())
        return wrongUse(command, QStringLiteral("name at least one role with --role NAME"));
    const auto limited = projects::limitProject(arguments.database, arguments.projectID, roles);
    return limited ? Done : failed(limited.failure());
}

int unlimitProject(const QCommandLineParser &parsed, const QStringList &)
{
    if (const int refused = refusedFile(parsed); refused != Done)
        return refused;
    ProjectArguments arguments;
    if (const int checked = projectArguments(QStringLiteral("unlimit-project"), parsed, arguments);
        checked != Done)
        return checked;
    const auto lifted = projects::unlimitProject(arguments.database, arguments.projectID);
    return lifted ? Done : failed(lifted.failure());
}

} // namespace

QList<Command> databaseCommands()
{
    return {
        {QStringLiteral("init-db"),
         QStringLiteral("[PATH]"),
         QStringLiteral("Create an empty Quorvel database."),
         QStringLiteral("Creates an empty Quorvel database at PATH: a file's path, or a "
                        "PostgreSQL server's address (postgresql://user@host:port/database, or "
                        "key=value pairs such as service=NAME). A file is made in a folder that "
                        "exists; a file already at PATH is left untouched and the command fails. "
                        "Without PATH it creates the one Quorvel opens when started without "
                        "--db, in the user's data folder (~/.local/share/Quorvel/quorvel.db), "
                        "and says where. On a server the database must exist and hold no tables "
                        "(createdb makes one); it is given Quorvel's tables. The database "
                        "appears whole or not at all, even if the command is interrupted."),
         {},
         0,
         initDb,
         1},
        {QStringLiteral("check-db"),
         QStringLiteral("PATH"),
         QStringLiteral("Check that a file or a server's database is a Quorvel database."),
         QStringLiteral("Exits with 0 when PATH (a file's path, or a PostgreSQL server's "
                        "address) is a Quorvel database, and otherwise says what it is and how "
                        "to make a new one. It only reads the database."),
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
        {QStringLiteral("copy-db"),
         QStringLiteral("--from DATABASE --to DATABASE"),
         QStringLiteral("Copy a whole database to a new file or to a server."),
         QStringLiteral("Copies every project, channel, template line and programme, with their "
                        "identifiers and everything an XMLTV import kept, from one database to "
                        "another: file to server, server to file, file to file or server to "
                        "server. The copy goes into a file that does not exist yet (made as "
                        "init-db makes it), or into an empty database on a server, which is "
                        "given Quorvel's tables; a database that holds anything is left "
                        "untouched and the command fails. The rows go in one transaction: a copy "
                        "that fails leaves no file, and a server's tables empty. New rows never "
                        "take an identifier the original has handed out. The original is only "
                        "read."),
         {fromOption(), toOption()},
         0,
         copyDb},
        {QStringLiteral("limit-project"),
         QStringLiteral("--db ADDRESS --project ID --role NAME [--role NAME ...]"),
         QStringLiteral("Let only members of the named roles see a project on a server."),
         QStringLiteral("In a database on a PostgreSQL server, limits the project to the members "
                        "of the roles named, in place of any limit it had: anyone else sees it in "
                        "no list and no export, and cannot change it. The database's owners "
                        "(members of quorvel_owner) see every project, and only they may run "
                        "this command. Each role must exist on the server. A database file has "
                        "no such limits: who may use it is up to its own permissions."),
         {databaseOption(), projectOption(), roleOption()},
         0,
         limitProject},
        {QStringLiteral("unlimit-project"),
         QStringLiteral("--db ADDRESS --project ID"),
         QStringLiteral("Let every Quorvel role on a server see a project again."),
         QStringLiteral("Lifts the limit limit-project put on the project: every member of "
                        "quorvel_reader sees it again, and every member of quorvel_editor may "
                        "change it. Only the database's owners may run this command."),
         {databaseOption(), projectOption()},
         0,
         unlimitProject},
    };
}

} // namespace cli
