#include "store/Module1.h"
#include "app/Navigator.h"
#include "widgets/ProgramIcon.h"
#include "widgets/QtDialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(QUORVEL_VERSION_MAJOR)
                                            .arg(QUORVEL_VERSION_MINOR)
                                            .arg(QUORVEL_VERSION_PATCH));
    QApplication::setWindowIcon(programIcon());
    // Lets desktops that follow the desktop entry (Wayland ones) show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel"));

    Module1 state;
    QtDialogs dialogs;
    Navigator navigator(state, dialogs, QCoreApplication::applicationDirPath());
    navigator.start();
    return app.exec();
}
