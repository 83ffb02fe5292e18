#include "Commands.h"

#include <QCoreApplication>
#ifdef QUORVEL_CLI_DRAWS
#include <QGuiApplication>
#endif
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <optional>

using namespace cli;

namespace {

QList<Command> allCommands()
{
    return databaseCommands() + exportCommands() + xmltvCommands() + guideCommands();
}

std::optional<Command> findCommand(const QString &name)
{
    for (const Command &command : allCommands()) {
        if (command.name == name)
            return command;
    }
    return std::nullopt;
}

const QString exitCodes = QStringLiteral(
    "Exit codes:\n"
    "  0  done\n"
    "  1  failed; the message on standard error says what failed and where\n"
    "  2  wrong use: an unknown command or option, or a value missing or malformed\n"
    "  3  done, with programmes left out or texts written changed (export-xmltv names each\n"
    "     on standard output)\n");

QString usageLine(const Command &command)
{
    return QStringLiteral("quorvel-cli %1 %2").arg(command.name, command.arguments).trimmed();
}

// Two columns: the names on the left, the words wrapped beside them.
QString columns(const QList<QPair<QString, QString>> &rows)
{
    int width = 0;
    for (const auto &row : rows)
        width = std::max(width, int(row.first.size()));
    width = std::min(width, 30);
    QString text;
    for (const auto &[left, right] : rows) {
        QString line = QStringLiteral("  ") + left;
        QString words;
        const auto flush = [&] {
            text += line.leftJustified(width + 4) + words + u'\n';
            line.clear();
            words.clear();
        };
        if (left.size() > width)
            flush();
        for (const QString &word : right.split(u' ', Qt::SkipEmptyParts)) {
            if (!words.isEmpty() && width + 4 + words.size() + 1 + word.size() > 79)
                flush();
            words += (words.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        if (!words.isEmpty() || !line.isEmpty())
            flush();
    }
    return text;
}

// Words wrapped into lines of at most 79 characters.
QString wrapped(const QString &text)
{
    QString result, line;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 79) {
            result += line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return result + line;
}

QString optionName(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += u' ' + option.valueName();
    return text;
}

QString generalHelp()
{
    QList<QPair<QString, QString>> rows;
    for (const Command &command : allCommands())
        rows.append({command.name, command.summary});
    return QStringLiteral("Usage: quorvel-cli COMMAND [OPTIONS]\n"
                          "   or: quorvel-cli help [COMMAND]\n\n"
                          "Quorvel's companion tool: makes and checks the database, writes the "
                          "exports\nand brings XMLTV guides in.\n\nCommands:\n") +
           columns(rows) + QStringLiteral("\nOptions:\n") +
           columns({{QStringLiteral("-h, --help"),
                     QStringLiteral("Show this help; COMMAND --help shows the command's.")},
                    {QStringLiteral("-v, --version"), QStringLiteral("Show the version.")}}) +
           u'\n' + exitCodes;
}

QString commandHelp(const Command &command)
{
    QList<QPair<QString, QString>> rows;
    for (const QCommandLineOption &option : command.options)
        rows.append({optionName(option), option.description()});
    rows.append({QStringLiteral("-h, --help"), QStringLiteral("Show this help.")});
    return QStringLiteral("Usage: %1\n\n%2\n\nOptions:\n")
               .arg(usageLine(command), wrapped(command.description)) +
           columns(rows) + u'\n' + exitCodes;
}

int print(const QString &text)
{
    QTextStream(stdout) << text;
    return Done;
}

int printVersion()
{
    return print(QStringLiteral("quorvel-cli %1\n").arg(QCoreApplication::applicationVersion()));
}

int runCommand(const Command &command, const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    parser.addOptions(command.options);
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(QStringList{QStringLiteral("quorvel-cli")} + arguments))
        return wrongUse(command.name, parser.errorText());
    if (parser.isSet(help))
        return print(commandHelp(command));
    if (parser.isSet(version))
        return printVersion();
    const QStringList positionals = parser.positionalArguments();
    const int most = command.positionals + command.optionalPositionals;
    if (positionals.size() > most) {
        return wrongUse(command.name,
                        QStringLiteral("Unexpected argument '%1'.").arg(positionals.value(most)));
    }
    if (positionals.size() < command.positionals)
        return wrongUse(command.name, QStringLiteral("Usage: %1.").arg(usageLine(command)));
    askForPasswords(parser, positionals);
    return command.run(parser, positionals);
}

// Drawing needs fonts, and fonts need a QGuiApplication; without a display
// it runs on the offscreen platform. That is quorvel-cli-draw alone: every
// other command keeps the plain application, which needs no platform at all.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv)
{
#ifdef QUORVEL_CLI_DRAWS
    if (argc > 1 && qstrcmp(argv[1], "guide-image") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
            qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // The platform's start-up notes (no runtime directory, and the
        // like) are no concern of a script reading this tool's messages.
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        auto app = std::make_unique<QGuiApplication>(argc, argv);
        qInstallMessageHandler(previous);
        return app;
    }
#endif
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    const auto app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(QUORVEL_VERSION_MAJOR)
                                                .arg(QUORVEL_VERSION_MINOR)
                                                .arg(QUORVEL_VERSION_PATCH));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.isEmpty())
        return wrongUse(QString(), QStringLiteral("A command is needed."));

    const QString first = arguments.takeFirst();
    if (first == u"-h" || first == u"--help" || (first == u"help" && arguments.isEmpty()))
        return print(generalHelp());
    if (first == u"-v" || first == u"--version")
        return printVersion();
    if (first == u"help") {
        if (arguments.size() > 1)
            return wrongUse(QString(), QStringLiteral("help takes one command."));
        const auto command = findCommand(arguments.constFirst());
        if (!command) {
            return wrongUse(QString(),
                            QStringLiteral("Unknown command '%1'.").arg(arguments.constFirst()));
        }
        return print(commandHelp(*command));
    }
    if (first.startsWith(u'-'))
        return wrongUse(
            QString(),
            QStringLiteral("Unknown option '%1'.").arg(first.mid(first.startsWith(u"--") ? 2 : 1)));
    const auto command = findCommand(first);
    if (!command)
        return wrongUse(QString(), QStringLiteral("Unknown command '%1'.").arg(first));
    return runCommand(*command, arguments);
}
