#include "app/Navigator.h"

#include "about/AboutWindow.h"
#include "channels/AddEditChannel.h"
#include "channels/ChannelSelection.h"
#include "export/ChannelDataExport.h"
#include "programmes/AddEditProgramme.h"
#include "programmes/ProgrammeSelection.h"
#include "projects/ProjectSelection.h"
#include "schedule/ScheduleWindow.h"

#include "store/ChangeWatcher.h"
#include "store/Module1.h"
#include "store/Server.h"
#include "widgets/Dialogs.h"
#include "widgets/ServerLogin.h"

#include <QApplication>
#include <QEventLoopLocker>
#include <QSettings>

Navigator::Navigator(Module1 &state, Dialogs &dialogs, QString programDirectory)
    : m_state(state), m_dialogs(dialogs), m_programDirectory(std::move(programDirectory)),
      m_changes(std::make_unique<store::ChangeWatcher>())
{
}

Navigator::~Navigator() = default;

namespace {

// Where the server used last is kept for the next start, without its password.
const QString lastServerKey = QStringLiteral("database/lastServer");

QSettings settings()
{
    return QSettings(QStringLiteral("Quorvel"), QStringLiteral("Quorvel"));
}

} // namespace

QString Navigator::database() const
{
    return m_database.isEmpty() ? buildConnectionString(m_programDirectory) : m_database;
}

bool Navigator::remembersServer() const
{
    return !settings().value(lastServerKey).toString().isEmpty();
}

bool Navigator::usesLocalDatabase() const
{
    return database() == buildConnectionString(m_programDirectory);
}

void Navigator::useServer(const QString &address)
{
    m_database = address;
    settings().setValue(lastServerKey, store::withoutPassword(address));
    m_changes->watch(database());
}

void Navigator::useLocalDatabase()
{
    m_database.clear();
    settings().remove(lastServerKey);
    m_changes->watch(database());
}

AppWindow *Navigator::start(const QString &given)
{
    std::optional<store::Failure> lastServerFailed;
    const QString last = settings().value(lastServerKey).toString();
    if (!given.isEmpty()) {
        m_database = given;
        // A server given on the command line may want a password; any other
        // failure shows in the project window, as a missing file's does.
        if (store::isServerAddress(given)) {
            const auto reached = logIn(m_dialogs, nullptr, given);
            if (reached && reached.value())
                m_database = *reached.value();
        }
    } else if (store::isServerAddress(last)) {
        const auto reached = logIn(m_dialogs, nullptr, last);
        if (reached && reached.value())
            m_database = *reached.value();
        else if (!reached)
            lastServerFailed = reached.failure();
    }
    // Before the first list is read, so that no change after it is missed.
    m_changes->watch(database());
    AppWindow *window = open(WindowKind::ProjectSelection);
    // Said once; the server is tried again at the next start, until the
    // user goes back to the local database.
    if (lastServerFailed) {
        m_dialogs.showError(
            window,
            QStringLiteral("Quorvel could not open the database on the server it used last, %1, "
                           "and opened the database beside the program instead.\n\n%2\n\n"
                           "File > Connect to Server... tries again; File > Use Local Database "
                           "stops Quorvel trying at start.")
                .arg(store::serverName(last), lastServerFailed->detail),
            QStringLiteral("Quorvel"));
    }
    return window;
}

AppWindow *Navigator::open(WindowKind kind, std::optional<store::Failure> told)
{
    AppWindow *window = nullptr;
    switch (kind) {
    case WindowKind::ProjectSelection:
        window = new ProjectSelection(*this);
        break;
    case WindowKind::ChannelSelection:
        window = new ChannelSelection(*this);
        break;
    case WindowKind::ChannelEditor:
        window = new AddEditChannel(*this);
        break;
    case WindowKind::ProgrammeSelection:
        window = new ProgrammeSelection(*this);
        break;
    case WindowKind::ProgrammeEditor:
        window = new AddEditProgramme(*this);
        break;
    case WindowKind::ChannelDataExport:
        window = new ChannelDataExport(*this);
        break;
    case WindowKind::Schedule:
        window = new ScheduleWindow(*this);
        break;
    }
    if (told)
        window->carryFailure(*told);
    window->load();
    // Its parent is gone: rather than an empty window, the list above it,
    // where the failure is told.
    if (const auto up = window->goneUp()) {
        told = window->takeLoadFailure();
        delete window;
        return open(*up, std::move(told));
    }
    // The database the windows show, however it was chosen; the same as
    // before but for the first window and one opened on another database.
    m_changes->watch(m_state.connectionString);
    window->show();
    window->showLoadFailure();
    return window;
}

AppWindow *Navigator::moveTo(QWidget *from, WindowKind next)
{
    return move(from, next, std::nullopt);
}

AppWindow *Navigator::moveBack(QWidget *from, WindowKind next, const store::Failure &gone)
{
    return move(from, next, gone);
}

AppWindow *Navigator::move(QWidget *from, WindowKind next, std::optional<store::Failure> told)
{
    // For a moment no window is open; without this lock Qt would take the
    // closing of the last window as the end of the program.
    const QEventLoopLocker keepRunning;
    if (from)
        from->close();
    return open(next, std::move(told));
}

void Navigator::showAbout(QWidget *owner)
{
    AboutWindow about(*this, owner);
    about.exec();
}

void Navigator::exitProgram()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            window->close();
    }
    QCoreApplication::quit();
}
