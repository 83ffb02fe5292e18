// The project window's choice of database: one on a PostgreSQL server, or
// the file beside the program.

#include "projects/ProjectSelection.h"

#include "store/Database.h"
#include "store/Module1.h"
#include "store/Result.h"
#include "store/Server.h"
#include "widgets/Dialogs.h"
#include "widgets/Navigation.h"
#include "widgets/ServerLogin.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace {

// The window's own caption, as it stands while the file beside the program is open.
const QString caption = QStringLiteral("Quorvel - Project Selection");

} // namespace

void ProjectSelection::addDatabaseActions(QMenu *file)
{
    m_connectToServer = file->addAction(QStringLiteral("Connect to &Server..."));
    m_connectToServer->setObjectName(QStringLiteral("connectToServer"));
    m_useLocalDatabase = file->addAction(QStringLiteral("Use &Local Database"));
    m_useLocalDatabase->setObjectName(QStringLiteral("useLocalDatabase"));
    connect(m_connectToServer, &QAction::triggered, this, &ProjectSelection::connectToServer);
    connect(m_useLocalDatabase, &QAction::triggered, this, &ProjectSelection::useLocalDatabase);
}

void ProjectSelection::showDatabase()
{
    const QString database = state().connectionString;
    const bool local = navigator().usesLocalDatabase();
    m_useLocalDatabase->setEnabled(!local);
    // The file beside the program keeps the window's own caption; any other
    // database, the user's own in the data folder included, is named in it.
    if (database == store::joinDatabasePath(navigator().programDirectory())) {
        setWindowTitle(caption);
        return;
    }
    setWindowTitle(QStringLiteral("%1 - %2").arg(
        caption, store::isServerAddress(database) ? store::serverName(database)
                                                  : QDir::toNativeSeparators(database)));
}

void ProjectSelection::connectToServer()
{
    const QString current = state().connectionString;
    const auto address = dialogs().serverAddress(
        this, store::isServerAddress(current) ? store::withoutPassword(current) : QString());
    if (!address)
        return;
    const QString action = QStringLiteral("Could not connect to the server");
    if (!store::isServerAddress(*address)) {
        showFailure({action,
                     QStringLiteral("\"%1\" is not the address of a PostgreSQL server. Write it "
                                    "as postgresql://user@host:port/database, or as key=value "
                                    "pairs such as service=listings.")
                         .arg(*address),
                     QString()});
        return;
    }
    auto reached = logIn(dialogs(), this, *address);
    if (!reached) {
        store::Failure failure = reached.failure();
        failure.action = action;
        showFailure(failure);
        return;
    }
    // The password prompt was cancelled: the window stays on its database.
    if (!reached.value())
        return;
    navigator().useServer(*reached.value());
    load();
}

void ProjectSelection::useLocalDatabase()
{
    navigator().useLocalDatabase();
    load();
}
