#include "app/Navigator.h"
#include "app/StartUp.h"
#include "store/Module1.h"
#include "widgets/BackgroundWork.h"
#include "widgets/ProgramIcon.h"
#include "widgets/QtDialogs.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

bool hasGraphicalDisplay()
{
    // Qt aborts with advice to reinstall when it finds no display; these
    // three variables are what it would look at first.
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const auto answered = answerHelpOrVersion(argc, argv))
        return *answered;
    if (!hasGraphicalDisplay()) {
        std::fprintf(stderr,
                     "quorvel: Quorvel needs a graphical display (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set); for a look without one, run it on a virtual "
                     "display: xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "quorvel");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(QUORVEL_VERSION_MAJOR)
                                            .arg(QUORVEL_VERSION_MINOR)
                                            .arg(QUORVEL_VERSION_PATCH));
    QApplication::setWindowIcon(programIcon());
    // Lets desktops that follow the desktop entry (Wayland ones) show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quorvel, an editor of TV listing data."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption database(
        QStringLiteral("db"),
        QStringLiteral("The database to work on: a file's path, or a PostgreSQL server's address "
                       "(postgresql://user@host:port/database, or key=value pairs such as "
                       "service=NAME). Without it, the server used last, or else quorvel.db "
                       "beside the program."),
        QStringLiteral("PATH|ADDRESS"));
    parser.addOption(database);
    parser.process(app);

    Module1 state;
    QtDialogs dialogs;
    Navigator navigator(state, dialogs, QCoreApplication::applicationDirPath());
    // A database of the user's own is offered only when none is named or remembered.
    if (!parser.isSet(database) && !navigator.remembersServer())
        offerDatabase(dialogs, QCoreApplication::applicationDirPath());
    navigator.start(parser.value(database));
    const int exitCode = app.exec();
    waitForWorkers();
    return exitCode;
}
