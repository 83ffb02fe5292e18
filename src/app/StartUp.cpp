#include "app/StartUp.h"

#include "store/Database.h"
#include "widgets/Dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>

namespace {

const char helpText[] =
    "Usage: quorvel [OPTIONS]\n"
    "\n"
    "Quorvel edits television listing data: projects, their channels and their\n"
    "programmes, kept in one database, from which it writes the channel file and\n"
    "the programme XML a TV-guide application reads.\n"
    "\n"
    "Options:\n"
    "  --db PATH|ADDRESS  The database to work on: a file's path, or a PostgreSQL\n"
    "                     server's address (postgresql://user@host:port/database,\n"
    "                     or key=value pairs such as service=NAME). Without it,\n"
    "                     the server used last, or else the file below.\n"
    "  -h, --help         Show this help.\n"
    "  -v, --version      Show the version.\n"
    "\n"
    "Files:\n"
    "  Quorvel opens quorvel.db beside the program when there is one and that folder\n"
    "  may be written; otherwise the user's own, quorvel.db in the data folder\n"
    "  ($XDG_DATA_HOME/Quorvel, by default ~/.local/share/Quorvel). When there is\n"
    "  none at all, it offers to create an empty one there; so does\n"
    "  \"quorvel-cli init-db\" from a script.\n"
    "\n"
    "Quorvel needs a graphical display; quorvel-cli does the exports and imports\n"
    "without one.\n";

} // namespace

std::optional<int> answerHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (std::strcmp(argument, "-v") == 0 || std::strcmp(argument, "--version") == 0) {
            std::printf("quorvel %d.%d.%d\n", QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR,
                        QUORVEL_VERSION_PATCH);
            return 0;
        }
    }
    return std::nullopt;
}

void offerDatabase(Dialogs &dialogs, const QString &programDirectory)
{
    const QString path = store::defaultDatabasePath(programDirectory);
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return;
    const QString title = QStringLiteral("Quorvel");
    if (!dialogs.confirm(nullptr,
                         QStringLiteral("Quorvel keeps its projects in a database file, and there "
                                        "is none yet.\n\nCreate an empty database at %1?")
                             .arg(QDir::toNativeSeparators(path)),
                         title, Dialogs::Icon::Question))
        return;
    if (const auto created = store::createDatabase(path); !created)
        dialogs.showError(nullptr, created.failure().text(), title);
}
