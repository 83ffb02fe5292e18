#pragma once

#include "store/Result.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

// What the tool tells its caller; listed in its help and in the README.
enum ExitCode
{
    Done = 0,
    Failed = 1,
    WrongUse = 2,
    // Written, but programmes the guide could not hold were left out, or
    // texts it could not hold as stored were written changed.
    DoneLeavingOut = 3,
};

// One subcommand: its options and what it does with them.
struct Command
{
    QString name;
    // What follows the name in the usage line, such as "--db PATH".
    QString arguments;
    QString summary;
    // More about the command, for its own help.
    QString description;
    QList<QCommandLineOption> options;
    // The number of plain arguments it takes (a path, for init-db).
    int positionals = 0;
    int (*run)(const QCommandLineParser &parsed, const QStringList &positionals);
    // How many more it may take (init-db's path, which has a default).
    int optionalPositionals = 0;
};

QList<Command> databaseCommands();
QList<Command> exportCommands();
QList<Command> xmltvCommands();
// Draws; the one command that needs a QGuiApplication.
QList<Command> guideCommands();

// The options several commands share, spelled the same everywhere.
QCommandLineOption databaseOption();
QCommandLineOption projectOption();
QCommandLineOption outOption(const QString &what);

// Each failure is said by one function, so that it reads the same whichever
// command meets it. Each writes one line on standard error and returns the
// exit code.
int wrongUse(const QString &command, const QString &problem);
int missingDatabase(const QString &path);
int notQuorvelDatabase(const QString &path, const QString &why);
int unknownProject(qint32 projectID, const QString &database);
int notAnIdentifier(const QString &command, const QString &text);
int failed(const store::Failure &failure);
int unknownZone(const QString &command, const QString &given);
int cannotWrite(const QString &path, const QString &why);

// A server named by the command that asks for a password nothing else gives
// gets one typed at the terminal (never echoed, never stored), when there is
// a terminal to ask at.
void askForPasswords(const QCommandLineParser &parsed, const QStringList &positionals);

// The database of --db, checked to be a Quorvel database; 0 if it is, else
// the exit code after the complaint.
int checkDatabase(const QString &path);

// The checked values of --db and --project, shared by every command that
// works on a project.
struct ProjectArguments
{
    QString database;
    qint32 projectID = 0;
};
// 0 with arguments filled in, or the exit code after the complaint: the
// database must be a Quorvel database and hold the project.
int projectArguments(const QString &command, const QCommandLineParser &parsed,
                     ProjectArguments &arguments);
// The value of a single-valued option the command needs; empty after a complaint.
QString required(const QString &command, const QCommandLineParser &parsed,
                 const QCommandLineOption &option);

} // namespace cli
