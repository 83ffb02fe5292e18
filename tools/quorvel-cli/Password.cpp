#include "Commands.h"

#include "store/Server.h"
#include "store/ServerSchema.h"

#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

// A line typed at the terminal without showing it, as psql asks.
QString readHidden(const QString &question)
{
#ifdef Q_OS_UNIX
    std::FILE *terminal = std::fopen("/dev/tty", "r+");
    if (!terminal)
        return QString();
    const int fd = fileno(terminal);
    termios was{};
    const bool hidden = tcgetattr(fd, &was) == 0;
    if (hidden) {
        termios quiet = was;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    std::fputs(question.toLocal8Bit().constData(), terminal);
    std::fflush(terminal);
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, terminal) != nullptr;
    if (hidden)
        tcsetattr(fd, TCSAFLUSH, &was);
    std::fputs("\n", terminal);
    std::fclose(terminal);
    QString answer = read ? QString::fromLocal8Bit(line) : QString();
    while (answer.endsWith(u'\n') || answer.endsWith(u'\r'))
        answer.chop(1);
    return answer;
#else
    Q_UNUSED(question);
    return QString();
#endif
}

} // namespace

void askForPasswords(const QCommandLineParser &parsed, const QStringList &positionals)
{
#ifdef Q_OS_UNIX
    // Only a person at a terminal is asked; a script gets libpq's own refusal.
    if (!isatty(STDIN_FILENO) || qEnvironmentVariableIsSet("PGPASSWORD"))
        return;
#endif
    QStringList addresses = positionals;
    for (const QString &option :
         {QStringLiteral("db"), QStringLiteral("from"), QStringLiteral("to")}) {
        if (parsed.optionNames().contains(option))
            addresses << parsed.value(option);
    }
    for (const QString &address : std::as_const(addresses)) {
        if (!store::isServerAddress(address) || !store::serverWantsPassword(address))
            continue;
        const QString password =
            readHidden(QStringLiteral("Password for %1: ").arg(store::serverName(address)));
        // For this run alone: libpq reads it from the environment of this
        // process, which ends with the command.
        if (!password.isEmpty())
            qputenv("PGPASSWORD", password.toLocal8Bit());
        return;
    }
}

} // namespace cli
